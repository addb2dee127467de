#include "app/ZandrelApp.h"

#include "base/ProgramInfo.h"
#include "base/Settings.h"
#include "phonelink/LibraryPhoneLink.h"
#include "ui/phonework/CloseOnSignals.h"
#include "ui/text/QtTexts.h"
#include "ui/look/Resources.h"
#include "ui/mainwindow/Unit1.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/look/ZandrelStyle.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

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
} // namespace

int runZandrel(int argc, char** argv)
{
    // Without a display Qt would abort with a message about platform plugins; say it plainly.
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "zandrel: no display found (DISPLAY or WAYLAND_DISPLAY is not set); "
                     "%s is a desktop program and needs one.\n",
                     zandrel::kProgramName);
        return 1;
    }
    // Zandrel takes no arguments, and Qt would act on its own (-reverse, -style, -platform...):
    // it gets the program name alone.
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>(zandrel::kProgramName), nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QString::fromLatin1(zandrel::kProgramName));
    // The desktop entry's name: the Wayland app id, which gives the window its entry's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.zandrel"));
    // Qt's own dialogs and buttons (the file dialogs') speak the chosen language too.
    followLanguageInQtTexts(readLanguageIsEnglish(settingsFiles(programDirectory()).read));
    QApplication::setStyle(new ZandrelStyle);
    // Every window and box uses the face the windows were laid out for, so Qt's own text
    // layouts (an empty line edit's, say) load no second face at start-up.
    QApplication::setFont(designFont());
    // The main window alone decides when the program ends; the other windows only hide.
    QApplication::setQuitOnLastWindowClosed(false);

    LibraryPhoneLink phone;
    Form1 = new TForm1(phone, programDirectory());
    QObject::connect(Form1, &TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // The list viewer and the About window are built when first shown (Form1 does it).
    const CloseOnSignals closeOnSignals(Form1);
    const IconAfterFirstPaint icon(Form1);
    Form1->show();
    QApplication::exec();

    // The main window writes the language setting while it is destroyed.
    delete Form1;
    Form1 = nullptr;
    delete Form2;
    Form2 = nullptr;
    delete Form3;
    Form3 = nullptr;
    return 0;
}
