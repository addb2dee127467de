#include "ui/phonework/CloseOnSignals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kSignals[] = {SIGTERM, SIGHUP};
constexpr int kMostBoxesOpen = 8; // a box that will not close must not hold the loop

volatile sig_atomic_t writeEnd = -1;

// Async-signal-safe: one write, errno kept for the code the signal interrupted.
void onSignal(int signal)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signal);
    if (writeEnd >= 0) [[maybe_unused]]
        const ssize_t n = ::write(writeEnd, &byte, 1);
    errno = savedErrno;
}
} // namespace

CloseOnSignals::CloseOnSignals(QWidget* window) : window_(window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipe_) != 0)
        return; // the program still runs; the signals keep their default action
    notifier_ = new QSocketNotifier(pipe_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CloseOnSignals::readSignal);
    writeEnd = pipe_[0];
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

CloseOnSignals::~CloseOnSignals()
{
    if (notifier_) {
        for (const int signal : kSignals)
            std::signal(signal, SIG_DFL);
        writeEnd = -1;
    }
    for (const int fd : pipe_)
        if (fd >= 0)
            ::close(fd);
}

void CloseOnSignals::readSignal()
{
    char bytes[64];
    while (::read(pipe_[1], bytes, sizeof bytes) > 0) {
    }
    // A box or dialog open at a logout would hold the close until someone answers it; it is
    // answered as its close button would (the safe choice: Cancel, No, or just OK).
    for (int open = 0; open < kMostBoxesOpen && QApplication::activeModalWidget(); ++open)
        QApplication::activeModalWidget()->close();
    if (window_)
        window_->close();
}
