// CheckListBox1: the SweepList shown, ticked and selected.
#include "MainWindowFixture.h"

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>

using namespace zandrel;

namespace {
class ListTest : public MainWindowTest {
public:
    QListView* view = nullptr;

    void SetUp() override
    {
        create();
        view = find<QListView>("CheckListBox1");
    }

    Qt::CheckState shownTick(int row)
    {
        return listModel()->index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
    }

    QRect checkBoxOf(int row)
    {
        QStyleOptionViewItem option;
        option.initFrom(view);
        option.rect = view->visualRect(listModel()->index(row, 0));
        option.features =
            QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
    }

    bool rowIsVisible(int row)
    {
        return view->viewport()->rect().contains(view->visualRect(listModel()->index(row, 0)));
    }
};

TEST_F(ListTest, ReadFromPhoneShowsTheRows)
{
    phone.files = {"/a/mobile/audio/ring.mp3", "/a/mobile/kjava/game.jar", "/a/\xCA\xEE\xF2.gif",
                   "/a/mobile/audio/ring.mp3"};
    click("BitBtn11");
    EXPECT_EQ(shownRows(), (Records{"/a/mobile/audio/ring.mp3", "/a/\xD0\x9A\xD0\xBE\xD1\x82.gif",
                                    "/a/mobile/audio/ring.mp3"}));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(shownTick(row), Qt::Unchecked);
    EXPECT_EQ(prompts.captions,
              (Records{"Zandrel - Receiving file list. Please wait...", "Zandrel"}));
    EXPECT_EQ(view->visualRect(listModel()->index(0, 0)).height(), SweepListModel::kRowHeight);

    // A second read replaces the rows; a read while unplugged empties the list.
    phone.files = {"/b/one"};
    click("BitBtn11");
    EXPECT_EQ(shownRows(), Records{"/b/one"});
    phone.status = 0;
    click("BitBtn11");
    EXPECT_TRUE(shownRows().empty());
}

TEST_F(ListTest, TickingARowByHandSetsItsTick)
{
    fillSweep({"/a/0", "/a/1", "/a/2"});
    click("BitBtn2"); // no rule matches; the rows come up to date
    ASSERT_EQ(listModel()->rowCount(), 3);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, checkBoxOf(1).center());
    EXPECT_TRUE(form->session().sweep.ticked(1));
    EXPECT_FALSE(form->session().sweep.ticked(0));
    EXPECT_EQ(shownTick(1), Qt::Checked);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, checkBoxOf(1).center());
    EXPECT_FALSE(form->session().sweep.ticked(1));

    // The keyboard ticks the current row too.
    view->setFocus();
    view->setCurrentIndex(listModel()->index(2, 0));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_TRUE(form->session().sweep.ticked(2));
}

TEST_F(ListTest, ClickingARowSelectsItWithoutTicking)
{
    fillSweep({"/a/0", "/a/1", "/a/2"});
    click("BitBtn2");
    const QRect row2 = view->visualRect(listModel()->index(2, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(row2.right() - 5, row2.center().y()));
    EXPECT_EQ(form->session().sweep.selected(), std::optional<std::size_t>(2));
    EXPECT_FALSE(form->session().sweep.ticked(2));
}

TEST_F(ListTest, SelectionClearedByHandStaysClearedThroughRulesAndFailedSearches)
{
    fillSweep({"/a/mobile/audio/x.mp3", "/a/1", "/a/2"});
    click("BitBtn2");
    const QPoint row1 = view->visualRect(listModel()->index(1, 0)).center() + QPoint(40, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row1);
    ASSERT_EQ(form->session().sweep.selected(), std::optional<std::size_t>(1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, row1);
    EXPECT_EQ(form->session().sweep.selected(), std::nullopt);

    // A rule that ticks nothing, one that ticks, and a search without a match.
    find<QLineEdit>("Edit1")->setText(QStringLiteral("nothing ends so"));
    for (const char* button : {"BitBtn8", "BitBtn2", "BitBtn10"}) {
        click(button);
        EXPECT_TRUE(view->selectionModel()->selectedRows().isEmpty()) << button;
        EXPECT_EQ(form->session().sweep.selected(), std::nullopt) << button;
    }

    // A selection by hand stays as it is too.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row1);
    click("BitBtn8");
    EXPECT_EQ(view->selectionModel()->selectedRows().value(0).row(), 1);
    EXPECT_EQ(form->session().sweep.selected(), std::optional<std::size_t>(1));
}

TEST_F(ListTest, RuleTicksShowInTheRows)
{
    fillSweep({"/a/mobile/audio/x.mp3", "/a/mobile/video/y.3gp", "/a/mobile/audio/funlight.pat"});
    click("BitBtn2");
    ASSERT_EQ(listModel()->rowCount(), 3);
    click("BitBtn8");
    EXPECT_EQ(shownTick(0), Qt::Checked);
    EXPECT_EQ(shownTick(1), Qt::Checked);
    EXPECT_EQ(shownTick(2), Qt::Unchecked);
}

TEST_F(ListTest, SearchSelectsAndScrollsToTheLastMatch)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 2000; ++i)
        paths.push_back("/a/file" + std::to_string(i) + (i == 1500 || i == 1700 ? ".jar" : ".txt"));
    fillSweep(paths);
    click("BitBtn2");
    find<QLineEdit>("Edit1")->setText("jar");
    click("BitBtn10");
    EXPECT_EQ(form->session().sweep.selected(), std::optional<std::size_t>(1700));
    EXPECT_EQ(view->currentIndex().row(), 1700);
    EXPECT_TRUE(rowIsVisible(1700));

    // No match: the selection stays.
    find<QLineEdit>("Edit1")->setText(".MP3");
    click("BitBtn10");
    EXPECT_EQ(form->session().sweep.selected(), std::optional<std::size_t>(1700));
    EXPECT_EQ(view->selectionModel()->selectedIndexes().value(0).row(), 1700);
}

TEST_F(ListTest, AMillionRows)
{
    constexpr std::size_t kRows = 1'000'000;
    SweepList& list = form->session().sweep;
    list.reserve(kRows, kRows * 24);
    for (std::size_t i = 0; i < kRows; ++i)
        list.append("/a/mobile/picture/" + std::to_string(i) + ".jpg");
    click("BitBtn9"); // ticks every row and shows them
    find<QLineEdit>("Edit1")->setText("/999999.jpg");
    click("BitBtn10");
    QApplication::processEvents();
    ASSERT_EQ(listModel()->rowCount(), static_cast<int>(kRows));
    EXPECT_EQ(shownTick(kRows - 1), Qt::Checked);
    EXPECT_TRUE(rowIsVisible(kRows - 1));
    EXPECT_EQ(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
}
} // namespace
