#include "ui/phonework/WorkGate.h"

#include "ui/phonework/BusyIndicator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

WorkGate::WorkGate(BusyIndicator& busy, WorkStop& stop) : busy_(busy), stop_(stop)
{
    qApp->installEventFilter(this);
}

WorkGate::~WorkGate()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void WorkGate::setStopButton(QAbstractButton* button)
{
    stopButton_ = button;
    connect(button, &QAbstractButton::clicked, this, &WorkGate::requestStop);
}

void WorkGate::requestStop()
{
    stop_.requested = true;
    // Seen at once, though the work ends only after the call it waits for.
    if (stopButton_)
        stopButton_->setEnabled(false);
}

void WorkGate::handlerStarts()
{
    stop_.requested = false;
    if (stopButton_)
        stopButton_->setEnabled(true);
}

bool WorkGate::isInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::DragEnter:
    case QEvent::DragMove:
        return true;
    default:
        return false; // pointer moves, painting, the frame's events and closing go on
    }
}

bool WorkGate::reachesStopButton(QObject* target) const
{
    auto* widget = qobject_cast<QWidget*>(target);
    return stopButton_ && widget && (widget == stopButton_ || stopButton_->isAncestorOf(widget));
}

bool WorkGate::eventFilter(QObject* watched, QEvent* event)
{
    if (!busy_.working() || !isInput(event))
        return false;
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            if (event->type() == QEvent::KeyPress)
                requestStop();
            return true;
        }
    }
    if (event->type() == QEvent::Shortcut)
        return true;
    // Input reaches a window first and is then sent on to its widget, where it is weighed.
    if (!watched->isWidgetType())
        return false;
    // The Stop button takes its clicks and, with the focus, its Space.
    return !reachesStopButton(watched);
}
