#include "ui/look/ZandrelStyle.h"

#include <QApplication>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionTabWidgetFrame>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The icons the style hands out before they are read are the base style's own, once drawn.
TEST(ZandrelStyle, DeferredIconsAreTheBaseStylesIcons)
{
    const std::unique_ptr<QStyle> base(QStyleFactory::create(QStringLiteral("Fusion")));
    ZandrelStyle style; // its own base is the desktop style, Fusion here
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_MessageBoxWarning,
          QStyle::SP_DialogOkButton, QStyle::SP_ArrowUp}) {
        SCOPED_TRACE(which);
        const QIcon deferred = style.standardIcon(which);
        const QIcon direct = base->standardIcon(which);
        ASSERT_FALSE(direct.isNull());
        EXPECT_FALSE(deferred.isNull());
        EXPECT_EQ(deferred.availableSizes(), direct.availableSizes());
        EXPECT_EQ(deferred.pixmap(QSize(32, 32)).toImage(), direct.pixmap(QSize(32, 32)).toImage());
        // A copy made before the first use draws the same.
        const QIcon copy = style.standardIcon(which);
        EXPECT_EQ(QIcon(copy).pixmap(QSize(16, 16)).toImage(),
                  direct.pixmap(QSize(16, 16)).toImage());
    }
}

TEST(ZandrelStyle, OnlyListViewsGetSmallCheckBoxes)
{
    ZandrelStyle style;
    QListView list;
    QPushButton button;
    EXPECT_EQ(style.pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &list), 11);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_IndicatorHeight, nullptr, &list), 11);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &button),
              style.baseStyle()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &button));
}

// A page frame put together from a short copy has the base style's pixels, whatever its height,
// over a window's opaque background or at half opacity over nothing, and under a clip of the
// painter's own.
TEST(ZandrelStyle, PageFramesAreTheBaseStylesFrames)
{
    ZandrelStyle style;
    const auto draw = [](const QStyle& with, const QRect& frame, const QRegion& clip,
                         const QColor& background) {
        QImage image(220, 420, QImage::Format_ARGB32_Premultiplied);
        image.fill(background);
        QPainter painter(&image);
        if (!clip.isEmpty())
            painter.setClipRegion(clip);
        // Half opacity over nothing: each line is combined with what is under it.
        if (background.alpha() == 0)
            painter.setOpacity(0.5);
        QStyleOptionTabWidgetFrame option;
        option.rect = frame;
        option.palette = QApplication::palette();
        with.drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter);
        return image;
    };
    const QColor window = QApplication::palette().window().color();
    for (const QRect& frame : {QRect(3, 5, 200, 20), QRect(3, 5, 200, 24), QRect(0, 0, 210, 361),
                               QRect(7, 31, 150, 385)}) {
        for (const QRegion& clip : {QRegion(), QRegion(0, 100, 220, 50),
                                    QRegion(0, 0, 220, 420) - QRegion(40, 60, 30, 300)}) {
            for (const QColor& background : {QColor(Qt::transparent), window}) {
                SCOPED_TRACE(QStringLiteral("%1 %2 %3")
                                 .arg(frame.height())
                                 .arg(clip.rectCount())
                                 .arg(background.alpha())
                                 .toStdString());
                EXPECT_EQ(draw(style, frame, clip, background),
                          draw(*style.baseStyle(), frame, clip, background));
            }
        }
    }
}

// A button panel put together from a narrow one has the base style's pixels, in every state
// that changes its look, at the widths of the window's buttons and at the narrowest it is
// put together at.
TEST(ZandrelStyle, ButtonPanelsAreTheBaseStylesPanels)
{
    ZandrelStyle style;
    const auto draw = [](const QStyle& with, const QStyleOptionButton& option) {
        QImage image(140, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.translate(3, 2);
        with.drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter);
        return image;
    };
    const QStyle::State enabled = QStyle::State_Enabled | QStyle::State_Raised;
    const struct {
        QStyle::State state;
        QStyleOptionButton::ButtonFeatures features;
    } looks[] = {
        {enabled, QStyleOptionButton::None},
        {QStyle::State_Raised, QStyleOptionButton::None},
        {enabled | QStyle::State_Sunken, QStyleOptionButton::None},
        {enabled | QStyle::State_MouseOver | QStyle::State_HasFocus, QStyleOptionButton::None},
        {enabled, QStyleOptionButton::DefaultButton},
    };
    for (const auto& look : looks) {
        for (const QSize size : {QSize(129, 25), QSize(83, 25), QSize(24, 25), QSize(18, 31)}) {
            SCOPED_TRACE(QStringLiteral("%1x%2 state %3")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(int(look.state))
                             .toStdString());
            QStyleOptionButton option;
            option.rect = QRect(QPoint(1, 1), size);
            option.palette = QApplication::palette();
            option.state = look.state;
            option.features = look.features;
            EXPECT_EQ(draw(style, option), draw(*style.baseStyle(), option));
        }
    }
}

} // namespace
