#include "ui/windows/Unit3.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

class Form3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm3>();
        form->openLink = [this](const QUrl& url) { opened.push_back(url); };
    }

    QLabel* label(const char* name)
    {
        auto* found = form->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    std::unique_ptr<TForm3> form;
    std::vector<QUrl> opened;
};

TEST_F(Form3Test, LabelsStandWhereTheLayoutPutsThem)
{
    const struct {
        const char* name;
        QPoint at;
        QString text;
        bool bold;
    } rows[] = {
        {"Label2", {112, 16}, "Product name:", false},
        {"Label1", {184, 16}, "Zandrel", true},
        {"Label3", {112, 32}, "Version:", false},
        {"Label4", {152, 32}, "0.0.3 (1-JUNE-2005)", true},
        {"Label10", {112, 56}, "P2KAPI by the Zandrel team", false},
        {"Label13", {112, 72}, "License: GPL-3.0-or-later", false},
        {"Label5", {16, 104}, "Author:", false},
        {"Label6", {56, 104}, "Zandrel developers (zandrel)", true},
        {"Label7", {64, 120}, "Email: zandrel@example.org", false},
        {"Label8", {16, 144}, "Home:", false},
        {"Label9", {56, 144}, "www.example.org", true},
        {"Label11", {16, 160}, "Support: ", false},
        {"Label12", {64, 160}, "forum.example.org", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QLabel* l = label(row.name);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->pos(), row.at);
        EXPECT_EQ(l->text(), row.text);
        EXPECT_EQ(l->font().bold(), row.bold);
        EXPECT_EQ(l->font().pixelSize(), 11);
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(row.text.trimmed()))
            << "sized to its text";
        EXPECT_LE(l->x() + l->width(), form->width()) << "inside the window";
    }
    EXPECT_EQ(label("Label10")->palette().color(QPalette::WindowText), QColor(Qt::red));
}

// The stand-in font must leave each caption room before the value placed beside it.
TEST_F(Form3Test, CaptionsEndBeforeTheirValues)
{
    const std::pair<const char*, const char*> rows[] = {
        {"Label2", "Label1"}, {"Label3", "Label4"},   {"Label5", "Label6"},
        {"Label8", "Label9"}, {"Label11", "Label12"},
    };
    for (const auto& [caption, value] : rows) {
        SCOPED_TRACE(caption);
        QLabel* c = label(caption);
        QLabel* v = label(value);
        ASSERT_TRUE(c && v);
        const int captionEnd = c->x() + c->fontMetrics().horizontalAdvance(c->text().trimmed());
        EXPECT_LT(captionEnd, v->x());
    }
}

TEST_F(Form3Test, ShowsTheLogoAndAnOkButton)
{
    EXPECT_EQ(form->windowTitle(), "About...");
    ASSERT_EQ(label("Image1"), form->Image1);
    EXPECT_EQ(form->Image1->geometry(), QRect(16, 8, 89, 89));
    EXPECT_EQ(form->Image1->pixmap().size(), QSize(89, 89));
    auto* ok = form->findChild<QPushButton*>("Button1");
    ASSERT_EQ(ok, form->Button1);
    EXPECT_EQ(ok->text(), "Ok");
    EXPECT_EQ(ok->geometry(), QRect(120, 184, 75, 25));
}

TEST_F(Form3Test, LinkLabelsOpenTheirAddresses)
{
    const struct {
        const char* name;
        QUrl url;
    } rows[] = {
        {"Label7", QUrl("mailto:zandrel@example.org")},
        {"Label9", QUrl("https://www.example.org/")},
        {"Label12", QUrl("https://forum.example.org/")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        opened.clear();
        QLabel* l = label(row.name);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(l, Qt::LeftButton);
        EXPECT_EQ(opened, std::vector<QUrl>{row.url});
    }
}

TEST_F(Form3Test, OtherClicksOpenNothing)
{
    QTest::mouseClick(label("Label6"), Qt::LeftButton);
    QTest::mouseClick(label("Label8"), Qt::LeftButton);
    QTest::mouseClick(label("Label7"), Qt::RightButton);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(label("Label6")->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(Form3Test, OkAndTheCloseBoxHideTheWindow)
{
    QPointer<TForm3> alive(form.get());
    form->showWindow();
    ASSERT_TRUE(form->isVisible());
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());

    form->showWindow();
    EXPECT_TRUE(form->close());
    QApplication::processEvents();
    ASSERT_TRUE(alive);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->Label1->text(), "Zandrel");
}

TEST_F(Form3Test, ShowingTwiceKeepsOneNonModalWindow)
{
    int before = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        before += w->objectName() == "Form3";
    form->showWindow();
    form->showWindow();
    int after = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        after += w->objectName() == "Form3";
    EXPECT_EQ(after, before);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowModality(), Qt::NonModal);
}

TEST_F(Form3Test, ResizingKeepsTheControlsInPlace)
{
    EXPECT_NE(form->minimumSize(), form->maximumSize()) << "resizable";
    form->showWindow();
    form->resize(500, 400);
    QApplication::processEvents();
    EXPECT_EQ(form->size(), QSize(500, 400));
    EXPECT_EQ(form->Button1->geometry(), QRect(120, 184, 75, 25));
    EXPECT_EQ(form->Label12->pos(), QPoint(64, 160));
    EXPECT_EQ(form->Image1->pos(), QPoint(16, 8));
}

} // namespace
