#include "ui/ZandrelStyle.h"

#include <QApplication>
#include <QImage>
#include <QListView>
#include <QPixmap>
#include <QPushButton>
#include <QStyleFactory>

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

} // namespace
