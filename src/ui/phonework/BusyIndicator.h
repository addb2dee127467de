#pragma once
#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QString>

#include <cstddef>
#include <vector>

class QProgressBar;
class QPushButton;
class QWidget;

// What the user sees while a handler works: a wait cursor, and once the handler has taken longer
// than kShowAfter a progress bar over the status bar with a Stop button beside it: counting the
// files of a pass, or moving to and fro while a single long call runs. From then on the other
// controls show disabled until the handler ends; a handler that ends sooner changes nothing on
// screen. Also tells the connection monitor when a handler is at work, so a tick never runs in
// the middle of one.
class BusyIndicator {
public:
    BusyIndicator() = default;
    ~BusyIndicator();
    BusyIndicator(const BusyIndicator&) = delete;
    BusyIndicator& operator=(const BusyIndicator&) = delete;

    // The progress bar and the Stop button (hidden until needed) share `area` of `host`.
    void setProgressArea(QWidget* host, const QRect& area, QPushButton* stop);
    // Shown disabled while a handler runs, once its progress shows.
    void holdWhileWorking(std::vector<QWidget*> widgets);

    void begin(); // a handler starts
    void end();   // it ends, however it ended
    // True while a handler works outside a modal box or dialog.
    bool working() const { return depth_ > 0 && !paused_; }
    bool progressShown() const;

    // done == total ends the pass. Paints at once (a few times a second at most): a pass that
    // works in memory gives the event loop no turn.
    void progress(std::size_t done, std::size_t total);
    // The handler waits for the phone; called between repaints.
    void waiting();
    // What the bar of the pass under way says, and its Stop button's caption; empty: the usual.
    void setPassTexts(const QString& label, const QString& stop);
    // Work in memory lets the window take its turn: painting, the Stop button, Esc and the
    // window's frame answer (see WorkGate), every kAnswerEveryMs at most.
    void letWindowAnswer();

    static constexpr int kShowAfterMs = 500;
    static constexpr int kRepaintEveryMs = 100;
    static constexpr int kAnswerEveryMs = 25;

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
    void showProgress();
    void hideProgress();
    void holdControls();
    void releaseControls();
    void placeBar();

    int depth_ = 0;
    bool paused_ = false;
    QPointer<QWidget> host_;
    QRect area_;
    QPointer<QProgressBar> bar_;
    QPointer<QPushButton> stop_;
    QString stopCaption_; // the button's own caption while a pass gives it another
    QString passLabel_;
    std::vector<QPointer<QWidget>> toHold_;
    std::vector<QPointer<QWidget>> held_; // disabled by us, enabled again at the end
    QPointer<QWidget> focusBefore_;
    QElapsedTimer sinceAnswer_;
    QElapsedTimer handlerTime_;
    QElapsedTimer sincePaint_;
    std::size_t passDone_ = 0;
    std::size_t passTotal_ = 0; // 0: no pass counts, a single call is waited for
};
