#pragma once
#include <QObject>
#include <QPointer>

class BusyIndicator;
class QAbstractButton;

// What the user asked of the handler at work. Work asks it between its steps.
struct WorkStop {
    bool requested = false; // Stop, Esc, or the window closing
    bool closing = false;   // the window closed (its close box, Exit, a logout): no more boxes
};

// While a handler works, the window keeps answering but runs nothing else: its Stop button and
// Esc ask the work to stop, the window's frame and close box work, the pointer moves and the
// window repaints; every other key, click, wheel turn and shortcut of the program's windows is
// refused, so no handler, tick answer or menu action starts inside another. Boxes and dialogs the
// handler opens take their input as usual (the busy indicator is paused meanwhile).
class WorkGate final : public QObject {
    Q_OBJECT
public:
    // Watches the input of the whole application while it lives.
    WorkGate(BusyIndicator& busy, WorkStop& stop);
    ~WorkGate() override;

    // The button that stops the work; its clicks pass the gate.
    void setStopButton(QAbstractButton* button);
    // Stop, Esc: the button shows disabled until the next handler starts.
    void requestStop();
    void handlerStarts();

    // Whether an event is input the gate weighs: keys, clicks, wheel, shortcuts, touch, drops.
    static bool isInput(const QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool reachesStopButton(QObject* target) const;

    BusyIndicator& busy_;
    WorkStop& stop_;
    QPointer<QAbstractButton> stopButton_;
};
