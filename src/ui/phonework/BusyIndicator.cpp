#include "ui/phonework/BusyIndicator.h"

#include <QApplication>
#include <QProgressBar>

BusyIndicator::~BusyIndicator()
{
    while (depth_ > 0)
        end();
}

void BusyIndicator::setProgressArea(QWidget* host, const QRect& area)
{
    host_ = host;
    area_ = area;
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
        bar_->setGeometry(area_);
    }
    if (passTotal_ == 0) {
        bar_->setRange(0, 0); // moves to and fro by itself
    } else {
        bar_->setRange(0, 1000);
        bar_->setValue(static_cast<int>(static_cast<double>(passDone_) * 1000.0 / passTotal_));
        bar_->setFormat(QStringLiteral("%1 / %2").arg(passDone_).arg(passTotal_));
    }
    bar_->show();
    bar_->raise();
    bar_->repaint();
    sincePaint_.start();
}

void BusyIndicator::hideProgress()
{
    if (bar_ && bar_->isVisible()) {
        bar_->hide();
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
