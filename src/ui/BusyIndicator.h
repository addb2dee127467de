#pragma once
#include <QPointer>
#include <QRect>

#include <cstddef>

class QProgressBar;
class QWidget;

// What the user sees while a handler works: a wait cursor, and for long passes a progress bar
// painted over the status bar. Also tells the connection monitor when a handler is at work, so
// a tick never runs in the middle of one.
class BusyIndicator {
public:
    BusyIndicator() = default;
    ~BusyIndicator();
    BusyIndicator(const BusyIndicator&) = delete;
    BusyIndicator& operator=(const BusyIndicator&) = delete;

    // The progress bar covers `area` of `host`.
    void setProgressArea(QWidget* host, const QRect& area);

    void begin(); // a handler starts
    void end();   // it ends, however it ended
    // True while a handler works outside a modal box or dialog.
    bool working() const { return depth_ > 0 && !paused_; }
    bool progressShown() const;

    // done == total ends the pass. Paints at once: the handler keeps the event loop waiting.
    void progress(std::size_t done, std::size_t total);

    // Around a modal box or dialog: the normal cursor comes back, and the event loop the box
    // runs may handle ticks.
    class ModalPause {
    public:
        explicit ModalPause(BusyIndicator& busy);
        ~ModalPause();
        ModalPause(const ModalPause&) = delete;
        ModalPause& operator=(const ModalPause&) = delete;

    private:
        BusyIndicator& busy_;
        bool paused_ = false;
    };

private:
    void hideProgress();

    int depth_ = 0;
    bool paused_ = false;
    QPointer<QWidget> host_;
    QRect area_;
    QPointer<QProgressBar> bar_;
    int shownPerMille_ = -1;
};
