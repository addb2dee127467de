#include "app/ZandrelApp.h"

#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/StartTexts.h"
#include "app/WorkFolder.h"
#include "backup/PhoneFolders.h"
#include "base/ErrorText.h"
#include "base/ProgramInfo.h"
#include "base/Settings.h"
#include "phonelink/LibraryPhoneLink.h"
#include "ui/look/Resources.h"
#include "ui/look/ZandrelStyle.h"
#include "ui/mainwindow/Unit1.h"
#include "ui/phonework/CloseOnSignals.h"
#include "ui/text/QtTexts.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zandrel;

namespace {
bool displayAvailable()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// Gives the program its icon once the main window has been painted for the first time: the
// window shows sooner, and the icon follows within the same turn of the event loop.
class IconAfterFirstPaint : public QObject {
public:
    explicit IconAfterFirstPaint(QWidget* window) : window_(window)
    {
        window_->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::Paint) {
            window_->removeEventFilter(this);
            QTimer::singleShot(0, this, [] { QApplication::setWindowIcon(programIcon()); });
        }
        return false;
    }

private:
    QWidget* window_;
};

// Answers the command line without a window; -1 when the program is to start.
int answerCommandLine(const CommandLine& line)
{
    if (!line.error.empty()) {
        std::fprintf(stderr, "zandrel: %s\n%s", line.error.c_str(), usageText().c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (line.version) {
        std::printf("zandrel %s\n", kProgramVersion);
        return 0;
    }
    return -1;
}

std::string startFolder()
{
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    return error ? std::string() : here.string();
}

// Makes the phone kind's working folder ready and works in it; the text of the error box to
// show once the window is there, or empty.
std::string enterWorkFolder(const std::string& kind)
{
    const PhoneFolders folders = phoneFolders(kind);
    if (folders.work.empty())
        return {};
    std::string failedPath;
    const int error =
        prepareWorkFolder(folders.work, {programDirectory() + ZANDREL_PRIVATE_TO_DATA},
                          isDemoPhone(kind), failedPath);
    if (::chdir(folders.work.c_str()) != 0)
        return ioErrorText(errno, folders.work);
    return error ? ioErrorText(error, failedPath) : std::string();
}

void bringToFront(QWidget* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

// What a later start is told, and what it leaves this program to do: raise the window, open the
// list it was given, or say that this one works with the other kind of phone.
bool takeRequest(const std::string& ownKind, const StartTexts& texts, const std::string& kind,
                 const std::string& file)
{
    bringToFront(Form1);
    // The boxes and the list wait for the answer to have gone: the later start is waiting.
    if (isDemoPhone(kind) != isDemoPhone(ownKind)) {
        const std::string text =
            isDemoPhone(ownKind) ? texts.runsWithEmulator : texts.runsWithPhone;
        QTimer::singleShot(0, Form1, [text] { Form1->session().prompts.information(text); });
        return false;
    }
    if (!file.empty())
        QTimer::singleShot(0, Form1, [file] { Form1->openListFile(file); });
    return true;
}

// What reaches the later start's terminal; 0 when the running program took the request.
int toldTheFirst(SingleInstance::Start start, bool taken)
{
    if (start == SingleInstance::Start::NoAnswer) {
        std::fprintf(stderr, "zandrel: Zandrel is already running, and did not answer; only one "
                             "can run at a time.\n");
        return 3;
    }
    std::fprintf(stderr, taken ? "zandrel: Zandrel is already running; its window was brought to "
                                 "the front.\n"
                               : "zandrel: Zandrel is already running with the other kind of "
                                 "phone; close it first.\n");
    return 0;
}
} // namespace

int runZandrel(int argc, char** argv)
{
    const CommandLine line =
        parseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (const int answered = answerCommandLine(line); answered >= 0)
        return answered;
    const std::string listFile = absoluteFrom(startFolder(), line.file);
    // Without a display Qt would abort with a message about platform plugins; say it plainly.
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "zandrel: no display found (DISPLAY or WAYLAND_DISPLAY is not set); "
                     "%s is a desktop program and needs one.\n",
                     zandrel::kProgramName);
        return 1;
    }
    // Qt gets the program name alone: its own options (-reverse, -style, -platform...) are not
    // the user's to give.
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>(zandrel::kProgramName), nullptr};
    QApplication app(qtArgc, qtArgv);

    LibraryPhoneLink phone;
    const std::string kind = phone.phoneKind();
    // One program per user's data: a second one would share the phone, the deleted files and
    // the settings.
    SingleInstance instance(SingleInstance::runtimeFolder(),
                            userFolder("XDG_DATA_HOME", ".local/share"));
    bool taken = false;
    if (const auto start = instance.start(kind, listFile, &taken);
        start != SingleInstance::Start::First)
        return toldTheFirst(start, taken);
    const std::string folderError = line.workFolder ? enterWorkFolder(kind) : std::string();

    QApplication::setApplicationName(QString::fromLatin1(zandrel::kProgramName));
    // The desktop entry's name: the Wayland app id, which gives the window its entry's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.zandrel"));
    // Qt's own dialogs and buttons (the file dialogs') speak the chosen language too.
    const bool english = readLanguageIsEnglish(settingsFiles(programDirectory()).read);
    followLanguageInQtTexts(english);
    QApplication::setStyle(new ZandrelStyle);
    // Every window and box uses the face the windows were laid out for, so Qt's own text
    // layouts (an empty line edit's, say) load no second face at start-up.
    QApplication::setFont(designFont());
    // The main window alone decides when the program ends; the other windows only hide.
    QApplication::setQuitOnLastWindowClosed(false);

    Form1 = new TForm1(phone, programDirectory());
    QObject::connect(Form1, &TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // The list viewer and the About window are built when first shown (Form1 does it).
    const CloseOnSignals closeOnSignals(Form1);
    const IconAfterFirstPaint icon(Form1);
    const StartTexts texts = StartTexts::load(programDirectory() + languageFileName(english));
    instance.onRequest = [&kind, &texts](const std::string& otherKind, const std::string& file) {
        return takeRequest(kind, texts, otherKind, file);
    };
    Form1->show();
    // Boxes and the list come once the window is there to own them.
    QTimer::singleShot(0, Form1, [&folderError, &listFile] {
        if (!folderError.empty())
            Form1->session().prompts.error(folderError);
        if (!listFile.empty())
            Form1->openListFile(listFile);
    });
    QApplication::exec();
    instance.stop();

    // The main window writes the language setting while it is destroyed.
    delete Form1;
    Form1 = nullptr;
    delete Form2;
    Form2 = nullptr;
    delete Form3;
    Form3 = nullptr;
    return 0;
}
