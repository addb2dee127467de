#include "ui/BusyIndicator.h"

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
    if (depth_++ == 0 && !paused_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void BusyIndicator::end()
{
    if (depth_ == 0)
        return;
    if (--depth_ > 0)
        return;
    hideProgress();
    if (!paused_)
        QApplication::restoreOverrideCursor();
}

bool BusyIndicator::progressShown() const { return bar_ && bar_->isVisible(); }

void BusyIndicator::progress(std::size_t done, std::size_t total)
{
    if (done >= total) {
        hideProgress();
        return;
    }
    if (!host_)
        return;
    if (!bar_) {
        bar_ = new QProgressBar(host_);
        bar_->setObjectName(QStringLiteral("ProgressBar"));
        bar_->setRange(0, 1000);
        bar_->setGeometry(area_);
    }
    const int perMille = static_cast<int>(static_cast<double>(done) * 1000.0 / total);
    if (bar_->isVisible() && perMille == shownPerMille_)
        return;
    shownPerMille_ = perMille;
    bar_->setValue(perMille);
    bar_->show();
    bar_->raise();
    // repaint(), not update(): no event is processed until the handler returns.
    bar_->repaint();
}

void BusyIndicator::hideProgress()
{
    shownPerMille_ = -1;
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
    QApplication::restoreOverrideCursor();
}

BusyIndicator::ModalPause::~ModalPause()
{
    if (!paused_)
        return;
    busy_.paused_ = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
