// The main window's controls at their designed places.
#include "sweep/TickedTotals.h"
#include "ui/phonework/BusyIndicator.h"
#include "ui/look/Resources.h"
#include "ui/mainwindow/SweepListModel.h"
#include "ui/mainwindow/TabbedNotebook.h"
#include "ui/mainwindow/Unit1.h"
#include "ui/text/TextCodec.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

using namespace zandrel;

namespace {
constexpr QSize kClientSize{488, 382};
constexpr QSize kPictureSize{20, 20};
constexpr int kFirstPanelWidth = 130;
// Room for the free space in either language, up to the largest figure the library can give.
constexpr int kFreePanelWidth = 130;

QPushButton* addButton(QWidget* parent, const char* name, QRect geometry, const char* caption)
{
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QPushButton* addPictureButton(QWidget* parent, const char* name, QRect geometry,
                              const char* caption)
{
    QPushButton* button = addButton(parent, name, geometry, caption);
    button->setIcon(buttonPicture(button->objectName()));
    button->setIconSize(kPictureSize);
    return button;
}

QGroupBox* addGroup(QWidget* parent, const char* name, QRect geometry, const char* caption)
{
    auto* group = new QGroupBox(QString::fromLatin1(caption), parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(geometry);
    return group;
}

void chainTabOrder(std::initializer_list<QWidget*> widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}
} // namespace

void TForm1::createClientArea()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientSize);
    setCentralWidget(client);

    TabbedNotebook1 = new TabbedNotebook(client);
    TabbedNotebook1->setObjectName(QStringLiteral("TabbedNotebook1"));
    TabbedNotebook1->setGeometry(8, 0, 473, 361);
    createCleanPage(TabbedNotebook1->addPage(QStringLiteral("PageClean"), QStringLiteral("Clean")));
    createToolsPage(TabbedNotebook1->addPage(QStringLiteral("PageTools"), QStringLiteral("Tools")));
    TabbedNotebook1->setCurrentIndex(0);

    createStatusBar(client);
}

void TForm1::createCleanPage(QWidget* page)
{
    BitBtn1 = addPictureButton(page, "BitBtn1", {8, 8, 129, 25}, "Clean");
    QFont bold = BitBtn1->font();
    bold.setBold(true);
    BitBtn1->setFont(bold);
    BitBtn11 = addPictureButton(page, "BitBtn11", {144, 8, 201, 25}, "Read from phone");
    BitBtn12 = addButton(page, "BitBtn12", {352, 8, 105, 25}, "Restart");

    CheckListBox1 = new QListView(page);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->setGeometry(8, 40, 313, 249);
    CheckListBox1->setUniformItemSizes(true);
    CheckListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    CheckListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CheckListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CheckListBox1->setTextElideMode(Qt::ElideNone);
    model_ = new SweepListModel(session_.sweep, this);
    CheckListBox1->setModel(model_);

    BitBtn2 = addPictureButton(page, "BitBtn2", {336, 40, 121, 25}, "Audio");
    BitBtn9 = addPictureButton(page, "BitBtn9", {336, 72, 121, 25}, "Pictures");
    BitBtn3 = addPictureButton(page, "BitBtn3", {336, 104, 121, 25}, "Not used");
    BitBtn4 = addPictureButton(page, "BitBtn4", {336, 136, 121, 25}, "Pictures from /a/");
    BitBtn5 = addPictureButton(page, "BitBtn5", {336, 168, 121, 25}, "MMS");
    BitBtn6 = addPictureButton(page, "BitBtn6", {336, 200, 121, 25}, "Sound for camera");
    BitBtn7 = addPictureButton(page, "BitBtn7", {336, 232, 121, 25}, "Theme");
    BitBtn8 = addPictureButton(page, "BitBtn8", {336, 264, 121, 25}, "Video");

    Edit1 = new QLineEdit(page);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 296, 225, 21);
    BitBtn10 = addButton(page, "BitBtn10", {240, 296, 83, 25}, "Search");

    Memo1 = new QPlainTextEdit(page);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(336, 296, 121, 25);
    Memo1->setVisible(false);

    chainTabOrder({BitBtn1, CheckListBox1, BitBtn2, BitBtn3, BitBtn4, BitBtn5, BitBtn6, BitBtn7,
                   BitBtn8, BitBtn9, Edit1, BitBtn10, BitBtn11, BitBtn12});
}

void TForm1::createToolsPage(QWidget* page)
{
    BitBtn16 = addButton(page, "BitBtn16", {8, 8, 137, 25}, "Russian Web session");
    BitBtn13 = addButton(page, "BitBtn13", {8, 40, 137, 25}, "Clean Java");
    BitBtn14 = addButton(page, "BitBtn14", {8, 72, 137, 25}, "Ring Fix");

    GroupBox1 = addGroup(page, "GroupBox1", {8, 104, 137, 97}, "Original Mma");
    BitBtn15 = addButton(GroupBox1, "BitBtn15", {8, 24, 121, 25}, "C650");
    BitBtn17 = addButton(GroupBox1, "BitBtn17", {8, 56, 121, 25}, "E398");

    GroupBox3 = addGroup(page, "GroupBox3", {160, 8, 153, 129}, "GroupBox3");
    BitBtn19 = addButton(GroupBox3, "BitBtn19", {24, 24, 105, 25}, "BitBtn19");
    BitBtn20 = addButton(GroupBox3, "BitBtn20", {24, 56, 105, 25}, "BitBtn20");
    BitBtn21 = addButton(GroupBox3, "BitBtn21", {24, 88, 105, 25}, "BitBtn21");

    GroupBox2 = addGroup(page, "GroupBox2", {328, 8, 121, 73}, "Backup");
    BitBtn18 = addButton(GroupBox2, "BitBtn18", {8, 24, 97, 25}, "Create Backup");
    BitBtn18->setEnabled(false);

    chainTabOrder(
        {BitBtn13, BitBtn14, BitBtn16, BitBtn15, BitBtn17, BitBtn18, BitBtn19, BitBtn20, BitBtn21});
}

void TForm1::createStatusBar(QWidget* parent)
{
    // A bar of its own inside the client area: QMainWindow's status bar would add height.
    StatusBar1 = new QStatusBar(parent);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 366, kClientSize.width(), 16);
    constexpr int kTickedPanelLeft = kFirstPanelWidth + 2 + kFreePanelWidth + 2;
    const QRect panels[3] = {
        {0, 0, kFirstPanelWidth, 16},
        {kFirstPanelWidth + 2, 0, kFreePanelWidth, 16},
        // The last panel, what the ticked files come to, reaches to the right end of the bar.
        {kTickedPanelLeft, 0, kClientSize.width() - kTickedPanelLeft, 16},
    };
    const char* texts[3] = {"Status: Disconnected", "Free:", ""};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(QString::fromLatin1(texts[i]), StatusBar1);
        panel->setObjectName(QStringLiteral("StatusBar1.%1").arg(i));
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(2);
        panel->setGeometry(panels[i]);
        statusPanels_[i] = panel;
    }
    // Progress, with its Stop button, covers everything right of the connection text.
    const QRect progressArea = panels[1].united(panels[2]);
    StopButton = addButton(StatusBar1, "StopButton", progressArea, "Stop");
    busy_->setProgressArea(StatusBar1, progressArea, StopButton);
    // Each tick by hand changes one row, each handler ends with the view's sync: the totals are
    // kept by the list, so telling them here costs nothing however long it is.
    const auto showTicked = [this] {
        statusPanels_[2]->setText(fromLocal8(tickedTotalsText(session_.sweep, texts_)));
    };
    connect(model_, &QAbstractItemModel::dataChanged, statusPanels_[2], showTicked);
    connect(model_, &QAbstractItemModel::modelReset, statusPanels_[2], showTicked);
}
