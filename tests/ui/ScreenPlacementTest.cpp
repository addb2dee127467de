// Windows and boxes open centred on the window that opened them.
#include "backup/BackupTexts.h"
#include "ui/windows/KeptFilesWindow.h"
#include "ui/windows/ScreenPlacement.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
// A window's frame is known only once it is shown, so its middle may move by the frame's width
// (the test platform draws one of 2 pixels).
void expectCentredOn(const QWidget& window, const QWidget& opener, const QString& what)
{
    const QPoint offset = window.frameGeometry().center() - opener.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 6) << what.toStdString();
}

TEST(Placement, WindowsAndBoxesOpenCentredOnTheirOpener)
{
    QWidget opener;
    opener.resize(488, 403);
    opener.show();
    centreDialogsOnTheirOwners();
    const zandrel::BackupTexts texts;
    // Openers whose middle leaves room for the largest window (the test screen is small).
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint middle = area.center() - QPoint(opener.width() / 2, opener.height() / 2);
    for (const QPoint at : {middle, middle - QPoint(60, 60)}) {
        opener.move(at);
        TForm2 viewer;
        viewer.showWindow(&opener);
        expectCentredOn(viewer, opener, "list viewer");
        TForm3 about;
        about.showWindow(&opener);
        expectCentredOn(about, opener, "About");
        KeptFilesWindow kept(KeptFilesWindow::Kind::Trash, texts, {});
        kept.showWindow(&opener);
        expectCentredOn(kept, opener, "Deleted files");
        // Shown again while open, a window stays where the user put it.
        about.move(about.pos() + QPoint(30, 20));
        const QPoint moved = about.pos();
        about.showWindow(&opener);
        EXPECT_EQ(about.pos(), moved);
        // A box is centred once its own text has sized it, a long wrapped one included.
        for (const QString& text :
             {QStringLiteral("Short."), QStringLiteral("A much longer text. ").repeated(12)}) {
            QMessageBox box(QMessageBox::Information, {}, text, QMessageBox::Ok, &opener);
            // Qt's own centring, which guesses a title bar where no window manager tells one,
            // leaves a box put elsewhere alone; ours does not.
            box.move(area.topLeft());
            QTimer::singleShot(0, &box, [&] {
                expectCentredOn(box, opener, text);
                box.accept();
            });
            box.exec();
        }
    }
}
} // namespace
