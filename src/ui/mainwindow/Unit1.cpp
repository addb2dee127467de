#include "ui/mainwindow/Unit1.h"

#include "base/ErrorText.h"
#include "base/LanguageTable.h"
#include "base/ProgramInfo.h"
#include "base/Settings.h"
#include "monitor/ConnectionMonitor.h"
#include "ui/mainwindow/BackupTools.h"
#include "ui/phonework/BusyIndicator.h"
#include "ui/phonework/StopAwarePrompts.h"
#include "ui/mainwindow/CaptionTargets.h"
#include "ui/text/QtPrompts.h"
#include "ui/look/Resources.h"
#include "ui/windows/ScreenPlacement.h"
#include "ui/mainwindow/SweepListModel.h"
#include "ui/mainwindow/TabbedNotebook.h"
#include "ui/text/TextCodec.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace zandrel;

TForm1* Form1 = nullptr;

namespace {
constexpr QPoint kDesignedPosition{279, 135};
constexpr int kMonitorPeriodMs = 1000;
// How long a tick waits for the phone's answers before it lets the window go on.
constexpr std::chrono::milliseconds kTickWait{100};

std::unique_ptr<Prompts> ownPromptsUnless(Prompts* given, QWidget* window, BusyIndicator& busy,
                                          const WorkStop& stop)
{
    if (given)
        return nullptr;
    return std::make_unique<QtPrompts>(window, busy, stop);
}

std::unique_ptr<Prompts> stopAware(Prompts* given, const WorkStop& stop)
{
    if (!given)
        return nullptr;
    return std::make_unique<StopAwarePrompts>(*given, stop);
}
} // namespace

TForm1::TForm1(PhoneLink& phone, std::string programDirectory, Prompts* prompts)
    : endWithCallStuck([] {
          std::fflush(nullptr);
          std::_Exit(0);
      }),
      serialPhone_(phone),
      waitingPhone_(serialPhone_, phoneThread_,
                    {[this] { busy_->waiting(); }, [this] { callStuckAtClose(); }}),
      phone_(waitingPhone_), programDirectory_(std::move(programDirectory)),
      busy_(std::make_unique<BusyIndicator>()),
      ownPrompts_(ownPromptsUnless(prompts, this, *busy_, stop_)),
      givenPrompts_(stopAware(prompts, stop_)),
      prompts_(prompts ? *givenPrompts_ : *ownPrompts_),
      gate_(std::make_unique<WorkGate>(*busy_, stop_)), session_{phone_, prompts_, texts_, {}, {}, {}},
      monitor_(serialPhone_, texts_)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kProgramName));
    setFont(designFont());

    createClientArea();
    createMenus();
    gate_->setStopButton(StopButton);
    busy_->holdWhileWorking({static_cast<QWidget*>(TabbedNotebook1), menuBar()});
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(kMonitorPeriodMs);
    connectHandlers();
    // The list's selection follows the view's, a selection cleared by hand included, so the next
    // handler's view update shows what the user left.
    connect(CheckListBox1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { takeSelectionFromView(); });
    // Menu shortcuts win over the keys a text box or list would take for itself (Ctrl+A).
    Edit1->installEventFilter(this);
    CheckListBox1->installEventFilter(this);

    // The client area decides the size; the user cannot drag the border.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    placeOnScreen(*this, kDesignedPosition);
    centreDialogsOnTheirOwners();
    Timer2->start();
    FormCreate();
}

TForm1::~TForm1()
{
    Timer2->stop();
    FormDestroy();
    // A call that never returns must not keep the program alive; the setting is written.
    const auto patience =
        callStuck_ ? std::chrono::milliseconds(0) : WaitingPhoneLink::kPatienceAtClose;
    if (!phoneThread_.stop(patience) && !callStuck_)
        endWithCallStuck();
    // The rows read the session, which goes before the child widgets do.
    CheckListBox1->setModel(nullptr);
    delete model_;
}

namespace {
// Which of the controls of one name shows a caption: the first kind in this order.
int captionRank(const QObject* control)
{
    if (qobject_cast<const QAction*>(control))
        return 0;
    if (qobject_cast<const QAbstractButton*>(control))
        return 1;
    if (qobject_cast<const QGroupBox*>(control))
        return 2;
    if (qobject_cast<const QLabel*>(control))
        return 3;
    return 4;
}
} // namespace

void TForm1::FormCreate()
{
    // Before the window shows, so nothing waits for it but the start.
    serialPhone_.init();
    const bool english = readLanguageIsEnglish(settingsFiles(programDirectory_).read);
    Russian1->setChecked(english);
    const std::string languageFile = programDirectory_ + languageFileName(english);
    // One walk over the controls names them all; a search for each caption walked them again.
    // A menu and its entry share a name, and the entry takes the caption.
    QHash<QString, QObject*> controlsByName;
    for (QObject* control : findChildren<QObject*>()) {
        QObject*& named = controlsByName[control->objectName()];
        if (!named || captionRank(control) < captionRank(named))
            named = control;
    }
    for (const LanguageText& text : readLanguageFile(languageFile, texts_))
        applyText(text.receiver, fromLocal8(text.text), controlsByName);
    workTexts_ = WorkTexts::load(languageFile);
    StopButton->setText(fromLocal8(workTexts_.get(WorkText::StopButton)));
    backupTools_ = std::make_unique<BackupTools>(
        *this, [this](const std::function<void()>& op) { runHandler(op); }, programDirectory_,
        languageFile);
}

void TForm1::FormDestroy()
{
    const SettingsFiles settings = settingsFiles(programDirectory_);
    if (writeLanguageSetting(settings, Russian1->isChecked()) != 0)
        prompts_.localFileError(texts_.get(MessageText::UnableToWrite) + ' ', settings.write);
}

void TForm1::applyText(Caption caption, const QString& text,
                       const QHash<QString, QObject*>& controlsByName)
{
    const char* target = captionTarget(caption);
    if (!target) {
        TabbedNotebook1->setTabText(captionPage(caption), text);
        return;
    }
    QObject* control = controlsByName.value(QString::fromLatin1(target));
    if (auto* action = qobject_cast<QAction*>(control))
        action->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
}

void TForm1::takeSelectionFromView()
{
    const QModelIndexList rows = CheckListBox1->selectionModel()->selectedRows();
    if (rows.isEmpty())
        session_.sweep.clearSelection();
    else
        session_.sweep.select(static_cast<std::size_t>(rows.first().row()));
}

QString TForm1::panelText(int panel) const { return statusPanels_[panel]->text(); }

void TForm1::Timer2Timer()
{
    // A tick waits for the handler at work; inside a modal box of that handler ticks go on. One
    // tick at a time: while an earlier one still waits for the phone, this one is skipped.
    if (busy_->working()) {
        tickOwed_ = true;
        return;
    }
    if (tickAsked_ || closing_)
        return;
    // The phone is asked on the phone thread, so a slow phone freezes the window for kTickWait
    // at most; the answer is shown as soon as it comes. The link is held for both calls, so a
    // handler's call waits for them rather than coming in between.
    auto asked = std::make_shared<TickAnswer>();
    tickAsked_ = asked;
    phoneThread_.post([this, asked] {
        try {
            const auto held = serialPhone_.hold();
            asked->view = monitor_.tick();
        } catch (...) {
            asked->thrown = std::current_exception();
        }
        asked->ended.finish();
        QMetaObject::invokeMethod(this, &TForm1::showTick, Qt::QueuedConnection);
    });
    if (asked->ended.waitFor(kTickWait))
        showTick();
}

void TForm1::showTick()
{
    // Shown already, still asking, or a handler at work: its end shows it.
    if (!tickAsked_ || !tickAsked_->ended.done() || busy_->working())
        return;
    const std::shared_ptr<TickAnswer> answer = std::move(tickAsked_);
    try {
        if (answer->thrown)
            std::rethrow_exception(answer->thrown);
        const MonitorView& view = answer->view;
        statusPanels_[0]->setText(fromLocal8(view.statusText));
        if (view.freeText)
            statusPanels_[1]->setText(fromLocal8(*view.freeText));
        BitBtn1->setEnabled(view.phoneButtonsEnabled);
        BitBtn11->setEnabled(view.phoneButtonsEnabled);
    } catch (const std::exception& e) {
        prompts_.error(exceptionText(e));
    }
}

void TForm1::callStuckAtClose()
{
    // The handler's call holds the link for good; FormDestroy would come only after it.
    callStuck_ = true;
    FormDestroy();
    endWithCallStuck();
}

void TForm1::Exit1Click() { close(); }

void TForm1::closeEvent(QCloseEvent* event)
{
    // No question is asked and nothing can refuse: closing the main window ends the program.
    // A handler at work is stopped: it finishes its step (the call it waits for, or the upload
    // it is in) and says nothing more.
    event->accept();
    closing_ = true;
    stop_.requested = true;
    stop_.closing = true;
    waitingPhone_.close();
    emit closed();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (QAction* action : findChildren<QAction*>()) {
            if (!action->shortcut().isEmpty() && action->shortcut() == pressed)
                return true; // left unaccepted, so the menu item gets the key
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
