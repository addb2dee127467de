// The menu bar and the wiring of every button, menu item and the timer to its handler.
#include "ui/mainwindow/Unit1.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

using namespace zandrel;

namespace {
QMenu* addMenu(QWidget* parent, const char* name, const char* caption)
{
    auto* menu = new QMenu(QString::fromLatin1(caption), parent);
    menu->setObjectName(QString::fromLatin1(name));
    // Tests and accessibility tools find the menu's entry in its parent by the same name.
    menu->menuAction()->setObjectName(menu->objectName());
    return menu;
}

QAction* addItem(QMenu* menu, const char* name, const char* caption,
                 const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    return action;
}
} // namespace

void TForm1::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    File1 = addMenu(bar, "File1", "File");
    Savelisttofile1 = addItem(File1, "Savelisttofile1", "Save list", Qt::Key_F7);
    Savechecked1 = addItem(File1, "Savechecked1", "Save checked", Qt::Key_F8);
    File1->addSeparator()->setObjectName(QStringLiteral("N2"));
    Exit1 = addItem(File1, "Exit1", "Exit", Qt::Key_F12);
    bar->addMenu(File1);

    Sweeptools1 = addMenu(bar, "Sweeptools1", "Sweep tools");
    CleanJava1 = addItem(Sweeptools1, "CleanJava1", "Clean Java", Qt::Key_F1);
    RingFix1 = addItem(Sweeptools1, "RingFix1", "Ring Fix", Qt::Key_F2);
    Sweeptools1->addSeparator()->setObjectName(QStringLiteral("N1"));
    Mma2 = addMenu(Sweeptools1, "Mma2", "Mma");
    c6501 = addItem(Mma2, "c6501", "c650");
    e3981 = addItem(Mma2, "e3981", "e398");
    Sweeptools1->addMenu(Mma2);
    mma1 = addItem(Sweeptools1, "mma1", "Web sesion", Qt::Key_F3);
    Listclean1 = addMenu(Sweeptools1, "Listclean1", "List clean");
    Openlist1 = addItem(Listclean1, "Openlist1", "Open list", Qt::CTRL | Qt::Key_A);
    Viewlist1 = addItem(Listclean1, "Viewlist1", "View list", Qt::CTRL | Qt::Key_S);
    Clean1 = addItem(Listclean1, "Clean1", "Clean", Qt::CTRL | Qt::Key_D);
    Sweeptools1->addMenu(Listclean1);
    bar->addMenu(Sweeptools1);

    Backuptools1 = addMenu(bar, "Backuptools1", "Backup tools");
    Backuptools1->menuAction()->setEnabled(false);
    bar->addMenu(Backuptools1);

    Options1 = addMenu(bar, "Options1", "Language");
    Russian1 = addItem(Options1, "Russian1", "English");
    Russian1->setCheckable(true);
    // Alone in an optional-exclusive group: a radio mark that every click turns on or off.
    languageGroup_ = new QActionGroup(this);
    languageGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    languageGroup_->addAction(Russian1);
    bar->addMenu(Options1);

    // An item of the bar itself, without a submenu: clicking it acts.
    Help1 = bar->addAction(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));

    // Menus open as windows of their own, which do not inherit the window's font.
    for (QMenu* menu : bar->findChildren<QMenu*>())
        menu->setFont(font());
}

void TForm1::connectHandlers()
{
    const auto onClick = [this](QPushButton* button, void (TForm1::*handler)()) {
        connect(button, &QPushButton::clicked, this, handler);
    };
    const auto onTrigger = [this](QAction* action, void (TForm1::*handler)()) {
        connect(action, &QAction::triggered, this, handler);
    };
    onClick(BitBtn1, &TForm1::BitBtn1Click);
    onClick(BitBtn11, &TForm1::BitBtn11Click);
    onClick(BitBtn12, &TForm1::BitBtn12Click);
    onClick(BitBtn2, &TForm1::BitBtn2Click);
    onClick(BitBtn9, &TForm1::BitBtn9Click);
    onClick(BitBtn3, &TForm1::BitBtn3Click);
    onClick(BitBtn4, &TForm1::BitBtn4Click);
    onClick(BitBtn5, &TForm1::BitBtn5Click);
    onClick(BitBtn6, &TForm1::BitBtn6Click);
    onClick(BitBtn7, &TForm1::BitBtn7Click);
    onClick(BitBtn8, &TForm1::BitBtn8Click);
    onClick(BitBtn10, &TForm1::BitBtn10Click);
    onClick(BitBtn16, &TForm1::BitBtn16Click);
    onClick(BitBtn13, &TForm1::BitBtn13Click);
    onClick(BitBtn14, &TForm1::BitBtn14Click);
    onClick(BitBtn15, &TForm1::BitBtn15Click);
    onClick(BitBtn17, &TForm1::BitBtn17Click);
    onClick(BitBtn19, &TForm1::BitBtn19Click);
    onClick(BitBtn20, &TForm1::BitBtn20Click);
    onClick(BitBtn21, &TForm1::BitBtn21Click);
    onTrigger(Savelisttofile1, &TForm1::Savelisttofile1Click);
    onTrigger(Savechecked1, &TForm1::Savechecked1Click);
    onTrigger(Exit1, &TForm1::Exit1Click);
    onTrigger(CleanJava1, &TForm1::CleanJava1Click);
    onTrigger(RingFix1, &TForm1::RingFix1Click);
    onTrigger(c6501, &TForm1::c6501Click);
    onTrigger(e3981, &TForm1::e3981Click);
    onTrigger(mma1, &TForm1::mma1Click);
    onTrigger(Openlist1, &TForm1::Openlist1Click);
    onTrigger(Viewlist1, &TForm1::Viewlist1Click);
    onTrigger(Clean1, &TForm1::Clean1Click);
    onTrigger(Help1, &TForm1::Help1Click);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
}
