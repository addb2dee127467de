// The close box clicked through the window system while a handler waits for the phone: what a
// window manager sends when its close box is clicked (WM_DELETE_WINDOW) goes from a connection of
// our own to the X server (Xvfb), and the program meets it as it would any close box.
#include "MainWindowFixture.h"

#include <X11/Xlib.h>

using namespace zandrel;

namespace {
// What a window manager sends, from a client of the X server of its own, when its close box is
// clicked.
void clickCloseBox(Display* display, unsigned long window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

class CloseBoxTest : public MainWindowTest {
public:
    WorkingDirectory inFolder{programDir.path()};
    ~CloseBoxTest() override { destroy(); }
};

// A slow call: the upload's step ends, then the window closes. A call that never returns: the
// program ends as it always has then, with its setting written.
TEST_F(CloseBoxTest, CloseBoxDuringASlowOrAStuckCall)
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)";
    struct Row {
        const char* name;
        const char* button;
        const char* call;
        bool stuck;
        Records calls;
    };
    // The fake stays inside a call that never returns, so that row comes last.
    const Row rows[] = {
        {"slow upload", "BitBtn16", "File_Delete", false, uploadCalls("/a/WebSession", 3)},
        {"slow restart", "BitBtn12", "P2K_Restart", false, {"P2K_Restart"}},
        {"restart that never returns", "BitBtn12", "P2K_Restart", true, {"P2K_Restart"}},
    };
    programDir.write("orfiles/WebSession", "web");
    const std::unique_ptr<Display, int (*)(Display*)> windowManager(XOpenDisplay(nullptr),
                                                                    XCloseDisplay);
    ASSERT_TRUE(windowManager);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        create(nullptr, false, false);
        countEnds();
        const auto window = static_cast<unsigned long>(form->winId());
        phone.calls.clear();
        phone.onCall = [&, call = std::string(row.call)](const std::string& made) {
            if (!made.starts_with(call))
                return;
            clickCloseBox(windowManager.get(), window);
            if (row.stuck)
                hangForever();
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
        };
        click(row.button);
        EXPECT_EQ(phone.calls, row.calls);
        EXPECT_EQ(closedCount, 1);
        EXPECT_EQ(endedWithCallStuck, row.stuck ? 1 : 0);
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(prompts.take().empty());
        destroy();
        EXPECT_NE(takeSettings().find("Language="), std::string::npos) << "the setting is written";
    }
}
} // namespace
