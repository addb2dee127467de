// Windows and boxes open centred on the window that opened them, kept on the screen.
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

#include <functional>
#include <memory>

namespace {

QPoint centreOf(const QWidget& window) { return window.frameGeometry().center(); }

// A window's frame is known only once it is shown, so its centre may move by the frame's width
// (the test platform draws one of 2 pixels); an odd size has no whole middle either.
constexpr int kSlack = 3;

void expectCentredOn(const QWidget& window, const QWidget& opener, const char* what)
{
    const QPoint offset = centreOf(window) - centreOf(opener);
    EXPECT_LE(std::abs(offset.x()), kSlack) << what;
    EXPECT_LE(std::abs(offset.y()), kSlack) << what;
}

class PlacementTest : public testing::Test {
protected:
    QWidget opener;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();

    void SetUp() override
    {
        opener.resize(488, 403);
        opener.move(279, 135);
        opener.show();
    }
};

TEST_F(PlacementTest, WindowsOpenCentredOnTheirOpener)
{
    const zandrel::BackupTexts texts;
    const struct {
        const char* name;
        std::function<std::unique_ptr<QWidget>()> open;
    } rows[] = {
        {"list viewer",
         [&] {
             auto form = std::make_unique<TForm2>();
             form->showWindow(&opener);
             return std::unique_ptr<QWidget>(std::move(form));
         }},
        {"About",
         [&] {
             auto form = std::make_unique<TForm3>();
             form->showWindow(&opener);
             return std::unique_ptr<QWidget>(std::move(form));
         }},
        {"Deleted files",
         [&] {
             auto window = std::make_unique<KeptFilesWindow>(KeptFilesWindow::Kind::Trash, texts,
                                                              KeptFilesWindow::Action{});
             window->showWindow(&opener);
             return std::unique_ptr<QWidget>(std::move(window));
         }},
    };
    // Openers whose middle leaves room for the largest window (the test screen is small).
    const QPoint middle = area.center() - QPoint(opener.width() / 2, opener.height() / 2);
    for (const QPoint at : {middle, middle - QPoint(60, 60)}) {
        opener.move(at);
        for (const auto& row : rows) {
            const std::unique_ptr<QWidget> window = row.open();
            expectCentredOn(*window, opener, row.name);
        }
    }
}

// Shown again while open, a window stays where the user put it.
TEST_F(PlacementTest, AnOpenWindowIsNotMovedAgain)
{
    TForm3 about;
    about.showWindow(&opener);
    about.move(about.pos() + QPoint(30, 20));
    const QPoint moved = about.pos();
    about.showWindow(&opener);
    EXPECT_EQ(about.pos(), moved);
}

// Near the screen's edge the window stays whole on the screen rather than centred off it.
TEST_F(PlacementTest, CentringKeepsTheWindowOnTheScreen)
{
    QWidget window(nullptr, Qt::Window);
    window.resize(300, 200);
    for (const QPoint at : {area.topLeft() - QPoint(400, 300), area.bottomRight()}) {
        opener.move(at);
        centreOnOpener(window, &opener);
        EXPECT_TRUE(area.contains(QRect(window.pos(), window.size()))) << at.x() << "," << at.y();
    }
    // With no opener in sight the window stays where it is.
    window.move(10, 20);
    opener.hide();
    centreOnOpener(window, &opener);
    centreOnOpener(window, nullptr);
    EXPECT_EQ(window.pos(), QPoint(10, 20));
}

// A message box sits centred on its owner once its own text has given it its size: a long,
// wrapped text included.
TEST_F(PlacementTest, BoxesOpenCentredOnTheirOwner)
{
    centreDialogsOnTheirOwners();
    for (const QString& text :
         {QStringLiteral("Short."), QString(QStringLiteral("A much longer text. ")).repeated(12)}) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text,
                        QMessageBox::Ok, &opener);
        QPoint offset(1000, 1000);
        QTimer::singleShot(0, &box, [&] {
            offset = centreOf(box) - centreOf(opener);
            box.accept();
        });
        box.exec();
        EXPECT_LE(std::abs(offset.x()), kSlack) << text.size();
        EXPECT_LE(std::abs(offset.y()), kSlack) << text.size();
    }
}

} // namespace
