#include "ui/phonework/CloseOnSignals.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace {
class CountingWindow : public QWidget {
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ++closes;
        QWidget::closeEvent(event);
    }
};

// Runs the event loop until the window has been closed `closes` times, for at most 5 s.
bool waitForCloses(const CountingWindow& window, int closes)
{
    const QDeadlineTimer deadline(5000);
    while (window.closes < closes && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return window.closes == closes;
}

TEST(CloseOnSignals, TermAndHangUpCloseTheWindowLikeItsCloseBox)
{
    CountingWindow window;
    {
        const CloseOnSignals closer(&window);
        int closes = 0;
        for (const int signal : {SIGTERM, SIGHUP}) {
            window.show();
            ASSERT_EQ(::raise(signal), 0);
            EXPECT_EQ(window.closes, closes) << "closed only from the event loop";
            ASSERT_TRUE(waitForCloses(window, ++closes)) << signal;
            EXPECT_FALSE(window.isVisible());
        }
    }
    // Once it is gone the signals have their default action again.
    struct sigaction action {};
    ::sigaction(SIGTERM, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
}
} // namespace
