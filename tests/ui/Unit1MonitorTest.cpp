// The connection monitor on the window, and how handlers run: wait cursor, progress, errors,
// and ticks that never land inside a handler but go on while its box is open.
#include "MainWindowFixture.h"
#include "sweep/CleanListFile.h"
#include "ui/text/TextCodec.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>

using namespace zandrel;

namespace {
// Monitor rows ------------------------------------------------------------------------------

struct MonitorCase {
    const char* name;
    const char* languageFile; // rus.lng, or nullptr
    int32_t status;
    int32_t freeBytes;
    const char* panel0;
    const char* panel1;
    bool buttonsEnabled;
};

class MonitorTest : public MainWindowTest, public testing::WithParamInterface<MonitorCase> {};

TEST_P(MonitorTest, OneTick)
{
    const MonitorCase& c = GetParam();
    if (c.languageFile)
        programDir.write("rus.lng", c.languageFile);
    create();
    phone.status = c.status;
    phone.freeBytes = c.freeBytes;
    form->Timer2Timer();
    EXPECT_EQ(form->panelText(0).toStdString(), c.panel0);
    EXPECT_EQ(form->panelText(1).toStdString(), c.panel1);
    EXPECT_EQ(find<QPushButton>("BitBtn1")->isEnabled(), c.buttonsEnabled);
    EXPECT_EQ(find<QPushButton>("BitBtn11")->isEnabled(), c.buttonsEnabled);
    const Records connected = {"P2K_GetStatus", "File_VolInfo"};
    EXPECT_EQ(callsAfterInit(), c.status == 1 ? connected : Records{"P2K_GetStatus"});
}

const MonitorCase kMonitorCases[] = {
    {"Free2048", nullptr, 1, 2048, "Status: Connectet", "Free: 2 kb", true},
    {"Free1023", nullptr, 1, 1023, "Status: Connectet", "Free: 0 kb", true},
    {"Free1024", nullptr, 1, 1024, "Status: Connectet", "Free: 1 kb", true},
    {"Free1048575", nullptr, 1, 1048575, "Status: Connectet", "Free: 1023 kb", true},
    {"FreeMinus1", nullptr, 1, -1, "Status: Connectet", "Free: 0 kb", true},
    {"FreeMinus1024", nullptr, 1, -1024, "Status: Connectet", "Free: -1 kb", true},
    {"FreeMinus1025", nullptr, 1, -1025, "Status: Connectet", "Free: -1 kb", true},
    {"Status0", nullptr, 0, 4096, "Status: Disconnected", "Free:", false},
    {"Status2", nullptr, 2, 4096, "Status: Disconnected", "Free:", false},
    {"StatusMinus1", nullptr, -1, 4096, "Status: Disconnected", "Free:", false},
    {"LabelEndingInBlank", "[message]\r\n74=\"Free: \"\r\n", 1, 2048, "Status: Connectet",
     "Free:  2 kb", true},
    {"EmptyLabel", "[message]\r\n74=\r\n72=On\r\n", 1, 2048, "On", " 2 kb", true},
    {"TranslatedDisconnected", "[message]\r\n73=Off\r\n", 0, 0, "Off", "Free:", false},
};

INSTANTIATE_TEST_SUITE_P(Ticks, MonitorTest, testing::ValuesIn(kMonitorCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, PluggedInThenPulledOut)
{
    create();
    const char* otherControls[] = {"BitBtn12", "BitBtn13", "BitBtn14", "BitBtn15", "BitBtn16",
                                   "BitBtn17", "BitBtn19", "BitBtn20", "BitBtn21", "BitBtn2"};
    const auto expectState = [&](bool connected, const char* panel0, const char* panel1) {
        EXPECT_EQ(form->panelText(0).toStdString(), panel0);
        EXPECT_EQ(form->panelText(1).toStdString(), panel1);
        EXPECT_EQ(find<QPushButton>("BitBtn1")->isEnabled(), connected);
        EXPECT_EQ(find<QPushButton>("BitBtn11")->isEnabled(), connected);
        for (const char* name : otherControls)
            EXPECT_TRUE(find<QPushButton>(name)->isEnabled()) << name;
        for (const char* name : {"CleanJava1", "RingFix1", "Clean1", "Openlist1", "mma1"})
            EXPECT_TRUE(find<QAction>(name)->isEnabled()) << name;
    };
    phone.status = 0;
    form->Timer2Timer();
    expectState(false, "Status: Disconnected", "Free:");
    phone.status = 1;
    phone.freeBytes = 10 * 1024;
    form->Timer2Timer();
    expectState(true, "Status: Connectet", "Free: 10 kb");
    phone.status = 0;
    form->Timer2Timer();
    expectState(false, "Status: Disconnected", "Free: 10 kb");
    phone.status = 1;
    phone.freeBytes = 3 * 1024;
    form->Timer2Timer();
    expectState(true, "Status: Connectet", "Free: 3 kb");
}

TEST_F(MainWindowTest, TimerDrivesTheMonitorOnceASecond)
{
    create();
    phone.status = 0;
    EXPECT_EQ(form->panelText(0), "Status: Disconnected");
    EXPECT_TRUE(find<QPushButton>("BitBtn1")->isEnabled()) << "enabled until the first tick";
    form->Timer2->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !find<QPushButton>("BitBtn1")->isEnabled(); }, 3000));
    phone.status = 1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return find<QPushButton>("BitBtn1")->isEnabled(); }, 3000));
    EXPECT_EQ(form->panelText(0), "Status: Connectet");
}

// Handlers ----------------------------------------------------------------------------------

// Passes every call on to the recording fake and lets a test act in the middle of one.
class HandlerTest : public MainWindowTest {
public:
    ~HandlerTest() override { destroy(); }
};

TEST_F(HandlerTest, TickArrivingInsideAHandlerWaitsForItsEnd)
{
    create();
    slowDown("P2K_Restart", 300);
    const auto ticks = every(10, [this] { form->Timer2Timer(); });
    click("BitBtn12");
    ticks->stop();
    // The ticks that fell inside come to one, right after the handler.
    EXPECT_EQ(callsAfterInit(), (Records{"P2K_Restart", "P2K_GetStatus", "File_VolInfo"}));
    EXPECT_EQ(form->panelText(0), "Status: Connectet");
}

TEST_F(HandlerTest, WaitCursorWhileTheHandlerWorks)
{
    create();
    slowDown("P2K_Restart", 200);
    Qt::CursorShape during = Qt::ArrowCursor;
    const auto look = every(20, [&] {
        if (const QCursor* cursor = QApplication::overrideCursor())
            during = cursor->shape();
    });
    click("BitBtn12");
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(HandlerTest, ExceptionIsShownAndTheProgramGoesOn)
{
    create();
    phone.onCall = [](const std::string&) { throw std::runtime_error("Link lost"); };
    click("BitBtn12");
    EXPECT_EQ(prompts.take(), Records{"error: Link lost"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    phone.onCall = nullptr;
    click("BitBtn12");
    EXPECT_EQ(std::count(phone.calls.begin(), phone.calls.end(), "P2K_Restart"), 2);
}

TEST_F(HandlerTest, FailedAllocationSaysNotEnoughMemoryNotTheExceptionName)
{
    create();
    phone.onCall = [](const std::string&) { throw std::bad_alloc(); };
    click("BitBtn12");
    phone.onCall = [](const std::string&) { std::vector<char>().reserve(SIZE_MAX); };
    click("BitBtn12");
    EXPECT_EQ(prompts.take(), (Records{"error: Not enough memory", "error: Not enough memory"}));
}

// Qt boxes and dialogs ----------------------------------------------------------------------

// Runs `answer` on the next modal box or dialog once its event loop runs.
void whenModal(std::function<void(QWidget*)> answer)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        }
    });
    poll->start();
}

struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    bool waitCursor = true;
};

void answerBox(BoxSeen& seen, const std::function<void()>& whileOpen = {})
{
    whenModal([&seen, whileOpen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_TRUE(box);
        seen = {box->windowTitle(), box->text(), box->icon(),
                static_cast<int>(box->buttons().size()), QApplication::overrideCursor() != nullptr};
        if (whileOpen)
            whileOpen();
        box->button(QMessageBox::Ok)->click();
    });
}

class QtPromptsTest : public HandlerTest {
public:
    TempDir workDir;
    std::unique_ptr<WorkingDirectory> cwd;

    void SetUp() override { cwd = std::make_unique<WorkingDirectory>(workDir.path()); }
    void TearDown() override
    {
        destroy();
        cwd.reset();
    }
};

TEST_F(QtPromptsTest, TicksGoOnWhileABoxIsOpen)
{
    create(nullptr, true);
    BoxSeen seen;
    answerBox(seen, [&] { form->Timer2Timer(); });
    click("BitBtn13"); // Clean Java before any read
    EXPECT_EQ(seen.title, "Warning");
    EXPECT_EQ(seen.text, "Please reed file list from phone");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_FALSE(seen.waitCursor) << "the box is answered with the normal cursor";
    EXPECT_EQ(callsAfterInit(), (Records{"P2K_GetStatus", "File_VolInfo"}));
    EXPECT_EQ(form->panelText(0), "Status: Connectet");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtPromptsTest, InformationAndErrorBoxes)
{
    create(nullptr, true);
    form->session().clean.push_back("/a/only");
    BoxSeen seen;
    answerBox(seen);
    click("BitBtn21");
    EXPECT_EQ(seen.title, "Information");
    EXPECT_EQ(seen.text, "Deleted successfully");
    EXPECT_EQ(seen.icon, QMessageBox::Information);

    std::filesystem::create_directory(workDir.file("seem"));
    answerBox(seen);
    click("BitBtn14"); // Ring Fix without its seem file
    EXPECT_EQ(seen.title, "Zandrel");
    EXPECT_EQ(seen.text, "File not found.") << "the standard error box ends the text with a dot";
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, 1);
}

TEST_F(QtPromptsTest, ListRepaintsSafelyWhileAFailedReadShowsItsError)
{
    create(nullptr, true);
    fillSweep({"/a/0", "/a/1", "/a/2"});
    click("BitBtn2");
    phone.countOverride = -1;
    auto* view = find<QListView>("CheckListBox1");
    BoxSeen seen;
    answerBox(seen, [view] { view->viewport()->repaint(); });
    click("BitBtn11");
    EXPECT_EQ(seen.text, "Range check error.");
    EXPECT_EQ(listModel()->rowCount(), 0);
    EXPECT_EQ(form->windowTitle(), "Zandrel");
}

struct DialogSeen {
    QString name;
    QStringList filters;
    QString prefilled;
    bool nonNative = false;
    bool confirmsOverwrite = true;
    QString defaultSuffix;
};

// Notes what the dialog looks like, then chooses `fileName` (empty: Cancel).
void answerDialog(DialogSeen& seen, const QString& fileName)
{
    whenModal([&seen, fileName](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_TRUE(dialog);
        seen = {dialog->objectName(),
                dialog->nameFilters(),
                dialog->selectedFiles().value(0),
                dialog->testOption(QFileDialog::DontUseNativeDialog),
                !dialog->testOption(QFileDialog::DontConfirmOverwrite),
                dialog->defaultSuffix()};
        if (fileName.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(fileName);
        static_cast<QDialog*>(dialog)->accept();
    });
}

TEST_F(QtPromptsTest, SaveDialogRemembersTheLastNameForBothSaves)
{
    create(nullptr, true);
    fillSweep({"/a/x", "/a/y"}, {1});
    const QString first = QString::fromStdString(workDir.file("first"));
    DialogSeen seen;
    answerDialog(seen, first);
    trigger("Savelisttofile1");
    EXPECT_EQ(seen.name, "SaveDialog1");
    EXPECT_EQ(seen.filters, QStringList{"Clean list Zandrel (*.df)"});
    EXPECT_TRUE(seen.nonNative);
    EXPECT_FALSE(seen.confirmsOverwrite);
    EXPECT_TRUE(seen.defaultSuffix.isEmpty());
    EXPECT_EQ(workDir.read("first.df"), "/a/x\r\n/a/y\r\n");

    answerDialog(seen, first);
    trigger("Savechecked1");
    EXPECT_EQ(seen.prefilled, first);
    EXPECT_EQ(workDir.read("first.df"), "/a/y\r\n");

    answerDialog(seen, QString());
    trigger("Savechecked1");
    EXPECT_EQ(seen.prefilled, first);
}

TEST_F(QtPromptsTest, OpenDialogShowsAllFilesAndFillsTheViewer)
{
    create(nullptr, true);
    workDir.write("list.df", "/p/1\r\n/p/2\r\n");
    const QString list = QString::fromStdString(workDir.file("list.df"));
    click("BitBtn20"); // an open viewer follows the list at once
    DialogSeen seen;
    answerDialog(seen, list);
    trigger("Openlist1");
    EXPECT_EQ(seen.name, "OpenDialog1");
    EXPECT_TRUE(seen.filters.isEmpty() || seen.filters == QStringList{"All Files (*)"});
    EXPECT_EQ(form->session().clean.size(), 2u);
    EXPECT_EQ(cleanListFromText(toLocal8(Form2->Memo1->toPlainText())), form->session().clean);

    // Cancelled: the list and the viewer stay as they were, and the name is offered again.
    Form2->Memo1->setPlainText("/typed\n");
    answerDialog(seen, QString());
    click("BitBtn19");
    EXPECT_EQ(seen.prefilled, list);
    EXPECT_EQ(Form2->Memo1->toPlainText(), "/typed\n");
    EXPECT_EQ(form->session().clean.size(), 2u);
}

TEST_F(QtPromptsTest, LongPassPaintsProgressOverTheStatusBar)
{
    create(nullptr, true);
    for (int i = 0; i < 100; ++i)
        form->session().java.push_back("/a/mobile/kjava/" + std::to_string(i));
    auto* panel = find<QLabel>("StatusBar1.1");
    slowDown("File_Delete", 10);
    std::vector<int> shown; // the bar's values, once it shows
    QString panelMidway;
    const auto look = every(50, [&] {
        auto* bar = form->findChild<QProgressBar*>();
        if (bar && bar->isVisible() && (shown.empty() || shown.back() != bar->value()))
            shown.push_back(bar->value());
        panelMidway = panel->text();
    });
    trigger("CleanJava1");
    EXPECT_EQ(phone.callsOf("File_Delete").size(), 100u);
    // A second of work: no bar for the first half, then at least four moves a second.
    ASSERT_GE(shown.size(), 2u);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GE(shown.front(), 300) << "the bar waits for half a second";
    EXPECT_EQ(panelMidway, "Free:") << "the panels keep their texts";
    auto* bar = form->findChild<QProgressBar*>();
    EXPECT_TRUE(!bar || !bar->isVisible()) << "the bar goes when the pass ends";
}
} // namespace
