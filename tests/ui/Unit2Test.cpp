#include "ui/windows/Unit2.h"
#include "TestLists.h"
#include "ui/windows/ScreenPlacement.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace zandrel;

namespace {

// Every byte a clean-list line can hold: all but CR, LF and the end-of-file byte 0x1A.
std::string everyLineByte()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n' && b != 0x1A)
            bytes.push_back(static_cast<char>(b));
    return bytes;
}

int topLevelsNamed(const QString& name)
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += w->objectName() == name;
    return count;
}

class Form2Test : public ::testing::Test {
protected:
    void SetUp() override { form = std::make_unique<TForm2>(); }

    // What a user does: put the cursor at the end and type, Enter for a line break. Letters
    // outside ASCII arrive as key events carrying their text, as from a Cyrillic layout.
    void typeAtEnd(const QString& text)
    {
        form->Memo1->moveCursor(QTextCursor::End);
        for (const QChar c : text) {
            if (c == QLatin1Char('\n'))
                QTest::keyClick(form->Memo1, Qt::Key_Return);
            else if (c.unicode() < 0x80)
                QTest::keyClick(form->Memo1, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, form->Memo1, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
    }

    std::unique_ptr<TForm2> form;
};

TEST_F(Form2Test, IsAFixedNonModalWindowWithOneTextBox)
{
    EXPECT_EQ(form->windowTitle(), "View list");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->size(), QSize(458, 379));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(form->windowModality(), Qt::NonModal);
    ASSERT_EQ(form->findChild<QPlainTextEdit*>("Memo1"), form->Memo1);
    EXPECT_EQ(form->Memo1->geometry(), QRect(0, 0, 457, 377));
    EXPECT_EQ(form->Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(form->Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_NE(form->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(form->Memo1->isReadOnly());
    EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
}

TEST_F(Form2Test, ShowsLinesAsTextAndGivesNoEditsUntilTyping)
{
    form->setLines(pathList({"/a/\xC0\xE1\xE2.mp3", "/a/x\x98y", ""}));
    EXPECT_EQ(form->Memo1->toPlainText(),
              QStringLiteral("/a/\u0410\u0431\u0432.mp3\n/a/x\u0098y\n\n"));
    PathList lines = pathList({"untouched"});
    EXPECT_FALSE(form->takeEdits(lines));
    EXPECT_EQ(linesOf(lines), std::vector<std::string>{"untouched"});
}

TEST_F(Form2Test, EditedTextKeepsEveryByte)
{
    const std::vector<std::string> original = {
        everyLineByte(), "/a/mobile/picture/\xCF\xF0\xE8\xE2\xE5\xF2.jpg", "", "/a/\x98\xA0\xAD"};
    form->setLines(pathList(original));
    typeAtEnd("/a/new"); // the text ends with a line break: this starts a line of its own

    PathList lines;
    ASSERT_TRUE(form->takeEdits(lines));
    std::vector<std::string> expected = original;
    expected.push_back("/a/new");
    EXPECT_EQ(linesOf(lines), expected);
}

TEST_F(Form2Test, TypedLinesBecomeCleanListLines)
{
    typeAtEnd(QStringLiteral("/a/one\n/a/\u0444\u0430\u0439\u043B\n/a/\u00FC"));
    PathList lines;
    ASSERT_TRUE(form->takeEdits(lines));
    EXPECT_EQ(linesOf(lines), (std::vector<std::string>{"/a/one", "/a/\xF4\xE0\xE9\xEB", "/a/?"}));
    EXPECT_FALSE(form->takeEdits(lines)) << "the edits were already taken";

    typeAtEnd("x");
    ASSERT_TRUE(form->takeEdits(lines));
    EXPECT_EQ(linesOf(lines).back(), "/a/?x");
}

TEST_F(Form2Test, EveryLineBreakInTheBoxIsALineBreakOfTheList)
{
    // Shift+Enter, and text pasted with any of the line ends the box takes.
    typeAtEnd("/a/one");
    QTest::keyClick(form->Memo1, Qt::Key_Return, Qt::ShiftModifier);
    typeAtEnd("/a/two");
    form->Memo1->insertPlainText(QStringLiteral("\n/a/3\r\n/a/4\r/a/5\u2028/a/6\u2029/a/7"));
    PathList lines;
    ASSERT_TRUE(form->takeEdits(lines));
    EXPECT_EQ(linesOf(lines), (std::vector<std::string>{"/a/one", "/a/two", "/a/3", "/a/4", "/a/5",
                                                        "/a/6", "/a/7"}));
}

TEST_F(Form2Test, ClearingTheTextGivesAnEmptyList)
{
    form->setLines(pathList({"/a/x", "/a/y"}));
    form->Memo1->selectAll();
    QTest::keyClick(form->Memo1, Qt::Key_Delete);
    PathList lines = pathList({"old"});
    ASSERT_TRUE(form->takeEdits(lines));
    EXPECT_TRUE(lines.empty());
}

TEST_F(Form2Test, SetLinesReplacesEditsAndMarksUnedited)
{
    typeAtEnd("typed");
    form->setLines(pathList({"/a/loaded"}));
    EXPECT_EQ(form->Memo1->toPlainText(), "/a/loaded\n");
    PathList lines;
    EXPECT_FALSE(form->takeEdits(lines));
}

TEST_F(Form2Test, ShowingTwiceKeepsOneWindowAndItsText)
{
    const int before = topLevelsNamed("Form2");
    form->setLines(pathList({"/a/x"}));
    form->showWindow();
    typeAtEnd("/a/typed");
    form->showWindow();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(topLevelsNamed("Form2"), before);
    EXPECT_EQ(form->Memo1->toPlainText(), "/a/x\n/a/typed");
}

TEST_F(Form2Test, ClosingHidesAndKeepsTheText)
{
    form->showWindow();
    typeAtEnd("/a/kept");
    QPointer<TForm2> alive(form.get());
    EXPECT_TRUE(form->close());
    QApplication::processEvents();
    ASSERT_TRUE(alive);
    EXPECT_FALSE(form->isVisible());
    form->showWindow();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Memo1->toPlainText(), "/a/kept");
    PathList lines;
    ASSERT_TRUE(form->takeEdits(lines));
    EXPECT_EQ(linesOf(lines), std::vector<std::string>{"/a/kept"});
}

TEST_F(Form2Test, LongLinesWrapWithoutAHorizontalScrollBar)
{
    form->setLines(pathList({std::string(2000, 'x')}));
    form->showWindow();
    QApplication::processEvents();
    EXPECT_FALSE(form->Memo1->horizontalScrollBar()->isVisible());
    EXPECT_GT(form->Memo1->document()
                  ->documentLayout()
                  ->blockBoundingRect(form->Memo1->document()->firstBlock())
                  .height(),
              3 * form->Memo1->fontMetrics().height());
}

// A list the box cannot show quickly is not shown: the box says why, read-only, and gives no
// edits; the next list that fits is shown and edited as usual.
TEST_F(Form2Test, ListTooLargeToShowIsRefusedWithANote)
{
    const std::pair<Lines, const char*> cases[] = {
        {Lines(100001, "/a/x"), "The list has 100001 lines"},
        {Lines(600, std::string(15000, 'x')), "The list holds 9000000 bytes"},
        {Lines{std::string(1 << 20, 'x')}, "A line of the list has 1048576"},
    };
    form->showWindow();
    for (const auto& [tooLarge, note] : cases) {
        form->setLines(pathList(tooLarge));
        QApplication::processEvents();
        const QString shown = form->Memo1->toPlainText();
        EXPECT_TRUE(shown.startsWith(QLatin1String(note))) << shown.left(80).toStdString();
        EXPECT_TRUE(form->Memo1->isReadOnly()) << note;
        PathList lines = pathList({"untouched"});
        EXPECT_FALSE(form->takeEdits(lines)) << note;
        form->setLines(pathList({"/a/small"}));
        EXPECT_FALSE(form->Memo1->isReadOnly()) << note;
        typeAtEnd("/a/typed");
        ASSERT_TRUE(form->takeEdits(lines)) << note;
        EXPECT_EQ(linesOf(lines), (Lines{"/a/small", "/a/typed"})) << note;
    }
}

// The viewer, like every window, opens where it was designed to where that fits the screen, and
// as near to it as keeps it whole on the screen where it does not (a large scale, a small screen).
TEST_F(Form2Test, OpensInsideTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint designed{312, 123};
    EXPECT_EQ(form->pos(), designed);
    for (const QPoint wanted : {designed, area.bottomRight(), QPoint(-5000, -5000),
                                QPoint(area.right() - 100, area.top() + 10)}) {
        placeOnScreen(*form, wanted);
        const QRect placed(form->pos(), form->size());
        EXPECT_TRUE(area.contains(placed)) << wanted.x() << "," << wanted.y();
        if (area.contains(QRect(wanted, form->size() + QSize(16, 40)))) {
            EXPECT_EQ(form->pos(), wanted);
        }
    }
}

} // namespace
