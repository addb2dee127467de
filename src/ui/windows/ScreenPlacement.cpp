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
} // namespace

void placeOnScreen(QWidget& window, QPoint designed)
{
    // A window whose layout fixes its size has it only once the layout has run.
    if (QLayout* layout = window.layout())
        layout->activate();
    QScreen* screen = QGuiApplication::screenAt(designed);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        window.move(designed);
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize extent = window.size() + kFrameAllowance;
    window.move(nearestInside(designed.x(), area.left(), area.right(), extent.width()),
                nearestInside(designed.y(), area.top(), area.bottom(), extent.height()));
}
