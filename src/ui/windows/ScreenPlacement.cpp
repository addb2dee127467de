#include "ui/windows/ScreenPlacement.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {
// Room for the frame and title bar that the window system adds once the window is shown.
constexpr QSize kFrameAllowance{16, 40};

int nearestInside(int wanted, int first, int last, int extent)
{
    return std::max(first, std::min(wanted, last + 1 - extent));
}

// A window whose layout fixes its size has it only once the layout has run.
void settleSize(QWidget& window)
{
    if (QLayout* layout = window.layout())
        layout->activate();
}

void keepInside(QWidget& window, QPoint wanted, QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        window.move(wanted);
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize extent = window.size() + kFrameAllowance;
    window.move(nearestInside(wanted.x(), area.left(), area.right(), extent.width()),
                nearestInside(wanted.y(), area.top(), area.bottom(), extent.height()));
}
} // namespace

void placeOnScreen(QWidget& window, QPoint designed)
{
    settleSize(window);
    keepInside(window, designed, QGuiApplication::screenAt(designed));
}

void centreOnOpener(QWidget& window, const QWidget* opener)
{
    opener = opener ? opener->window() : nullptr;
    if (!opener || !opener->isVisible() || opener == &window)
        return;
    settleSize(window);
    // Both measured with their frames: none before the first show, or without a window manager.
    const QRect owner = opener->frameGeometry();
    const QSize extent = window.frameGeometry().size();
    const QPoint centred = owner.center() - QPoint(extent.width() / 2, extent.height() / 2);
    keepInside(window, centred, opener->screen());
}
