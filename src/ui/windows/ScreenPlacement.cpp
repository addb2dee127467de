#include "ui/windows/ScreenPlacement.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
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

namespace {
// Qt's own file dialog gives its size, type and date columns a fixed width, too narrow for a
// date at a large scale or in a wide face ("9 Dec ...:48:58"); they fit their contents instead.
void fitFileDialogColumns(QFileDialog& dialog)
{
    for (QTreeView* view : dialog.findChildren<QTreeView*>()) {
        QHeaderView* header = view->header();
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}

class DialogCentring final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A show the window system reports (a restore from the task bar) keeps the place.
        if (event->type() != QEvent::Show || event->spontaneous() || !watched->isWidgetType())
            return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (!dialog || !dialog->isWindow() || !dialog->parentWidget())
            return false;
        if (auto* files = qobject_cast<QFileDialog*>(dialog))
            fitFileDialogColumns(*files);
        // A message box settles its size in its own show handling, so that runs first; the
        // window is not on the screen yet, so it appears where it is put here.
        watched->event(event);
        centreOnOpener(*dialog, dialog->parentWidget());
        return true;
    }
};
} // namespace

void centreDialogsOnTheirOwners()
{
    static QObject* centring = nullptr;
    if (centring || !qApp)
        return;
    centring = new DialogCentring(qApp);
    qApp->installEventFilter(centring);
}
