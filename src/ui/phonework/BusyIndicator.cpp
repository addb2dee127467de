#include "ui/phonework/BusyIndicator.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

BusyIndicator::~BusyIndicator()
{
    while (depth_ > 0)
        end();
}

void BusyIndicator::setProgressArea(QWidget* host, const QRect& area, QPushButton* stop)
{
    host_ = host;
    area_ = area;
    stop_ = stop;
    stop_->hide();
}

void BusyIndicator::holdWhileWorking(std::vector<QWidget*> widgets)
{
    toHold_.assign(widgets.begin(), widgets.end());
}

void BusyIndicator::begin()
{
    if (depth_++ > 0)
        return;
    handlerTime_.start();
    passTotal_ = 0;
    if (!paused_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void BusyIndicator::end()
{
    if (depth_ == 0)
        return;
    if (--depth_ > 0)
        return;
    passTotal_ = 0;
    hideProgress();
    releaseControls();
    setPassTexts({}, {});
    if (!paused_)
        QApplication::restoreOverrideCursor();
}

bool BusyIndicator::progressShown() const { return bar_ && bar_->isVisible(); }

void BusyIndicator::progress(std::size_t done, std::size_t total)
{
    if (done >= total) {
        passTotal_ = 0;
        hideProgress();
        return;
    }
    passDone_ = done;
    passTotal_ = total;
    showProgress();
}

void BusyIndicator::waiting() { showProgress(); }

void BusyIndicator::setPassTexts(const QString& label, const QString& stop)
{
    passLabel_ = label;
    if (!stop_)
        return;
    if (!stop.isEmpty()) {
        if (stopCaption_.isEmpty())
            stopCaption_ = stop_->text();
        stop_->setText(stop);
    } else if (!stopCaption_.isEmpty()) {
        stop_->setText(stopCaption_);
        stopCaption_.clear();
    }
}

void BusyIndicator::letWindowAnswer()
{
    // A pass that has ended takes its turn at once: what follows it may take a while too.
    const bool passEnded = passTotal_ == 0;
    if (depth_ == 0 ||
        (!passEnded && sinceAnswer_.isValid() && sinceAnswer_.elapsed() < kAnswerEveryMs))
        return;
    sinceAnswer_.start();
    QCoreApplication::processEvents();
}

void BusyIndicator::placeBar()
{
    QRect barArea = area_;
    if (stop_) {
        const int width = std::max(stop_->sizeHint().width(), area_.height() * 3);
        barArea.setRight(area_.right() - width);
        stop_->setGeometry(barArea.right() + 1, area_.top(), width, area_.height());
    }
    bar_->setGeometry(barArea);
}

void BusyIndicator::holdControls()
{
    if (!held_.empty())
        return;
    focusBefore_ = QApplication::focusWidget();
    for (const QPointer<QWidget>& widget : toHold_) {
        if (widget && widget->isEnabled()) {
            widget->setEnabled(false);
            held_.push_back(widget);
        }
    }
}

void BusyIndicator::releaseControls()
{
    for (const QPointer<QWidget>& widget : held_)
        if (widget)
            widget->setEnabled(true);
    held_.clear();
    // Disabling took the focus away from where the user left it.
    if (focusBefore_ && focusBefore_->isEnabled() && focusBefore_->isVisible())
        focusBefore_->setFocus(Qt::OtherFocusReason);
    focusBefore_ = nullptr;
}

void BusyIndicator::showProgress()
{
    // A handler that ends soon shows no bar at all; one that goes on shows it a few times a
    // second, which costs nothing beside a library call.
    if (!host_ || depth_ == 0 || paused_ || handlerTime_.elapsed() < kShowAfterMs)
        return;
    if (progressShown() && sincePaint_.isValid() && sincePaint_.elapsed() < kRepaintEveryMs)
        return;
    if (!bar_) {
        bar_ = new QProgressBar(host_);
        bar_->setObjectName(QStringLiteral("ProgressBar"));
    }
    if (passTotal_ == 0) {
        bar_->setRange(0, 0); // moves to and fro by itself
    } else {
        bar_->setRange(0, 1000);
        bar_->setValue(static_cast<int>(static_cast<double>(passDone_) * 1000.0 / passTotal_));
        const QString counts = QStringLiteral("%1 / %2").arg(passDone_).arg(passTotal_);
        bar_->setFormat(passLabel_.isEmpty() ? counts : passLabel_ + QLatin1Char(' ') + counts);
    }
    const bool first = !progressShown();
    if (first) {
        placeBar();
        holdControls();
    }
    bar_->show();
    bar_->raise();
    if (stop_ && first) {
        stop_->show();
        stop_->raise();
    }
    bar_->repaint();
    if (stop_ && first)
        stop_->repaint();
    sincePaint_.start();
}

void BusyIndicator::hideProgress()
{
    if (bar_ && bar_->isVisible()) {
        bar_->hide();
        if (stop_)
            stop_->hide();
        if (host_)
            host_->repaint();
    }
}

BusyIndicator::ModalPause::ModalPause(BusyIndicator& busy) : busy_(busy)
{
    if (busy_.depth_ == 0 || busy_.paused_)
        return;
    paused_ = true;
    busy_.paused_ = true;
    busy_.hideProgress(); // the box has the user's attention now
    QApplication::restoreOverrideCursor();
}

BusyIndicator::ModalPause::~ModalPause()
{
    if (!paused_)
        return;
    busy_.paused_ = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
