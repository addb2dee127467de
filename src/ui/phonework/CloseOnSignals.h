#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

// SIGTERM and SIGHUP (a desktop logging out, a `kill`) close the window as its close box does,
// so that the program ends the ordinary way and writes its setting: work under way finishes its
// step and stops, an open box is closed. The signal handler only
// writes one byte to a pipe; the window is closed from the event loop that reads it.
class CloseOnSignals final : public QObject {
    Q_OBJECT
public:
    // One at a time: the handlers write to this object's pipe until it goes.
    explicit CloseOnSignals(QWidget* window);
    ~CloseOnSignals() override;

private:
    void readSignal();

    QPointer<QWidget> window_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};
