#include "ui/look/Resources.h"

#include <QFontMetrics>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <set>

namespace {

struct Coverage {
    int transparent = 0;
    int opaque = 0;
    std::set<QRgb> colours;
};

Coverage coverageOf(const QImage& image)
{
    Coverage c;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            c.transparent += qAlpha(p) == 0;
            c.opaque += qAlpha(p) == 255;
            c.colours.insert(p);
        }
    }
    return c;
}

TEST(Resources, ProgramIconHasFourSizesWithTransparency)
{
    const QIcon icon = programIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (const int side : {16, 32, 48, 128}) {
        SCOPED_TRACE(side);
        EXPECT_TRUE(sizes.contains(QSize(side, side)));
        const QImage image = icon.pixmap(QSize(side, side)).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));
        EXPECT_TRUE(image.hasAlphaChannel());
        const Coverage c = coverageOf(image);
        EXPECT_GT(c.transparent, 0) << "corners should show the background";
        EXPECT_GT(c.opaque, side * side / 4);
    }
}

TEST(Resources, EveryPictureButtonHasItsOwnPicture)
{
    std::set<qint64> seen;
    for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5", "BitBtn6",
                             "BitBtn7", "BitBtn8", "BitBtn9", "BitBtn11"}) {
        SCOPED_TRACE(name);
        const QIcon picture = buttonPicture(QString::fromLatin1(name));
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.availableSizes(), (QList<QSize>{QSize(20, 20), QSize(40, 40)}));
        // At a scale of 2 the button shows a picture drawn at twice the size, not one stretched.
        for (const int scale : {1, 2}) {
            const QImage image = picture.pixmap(QSize(20, 20), scale).toImage();
            ASSERT_EQ(image.size(), QSize(20 * scale, 20 * scale)) << "scale " << scale;
            const Coverage c = coverageOf(image);
            EXPECT_GT(c.opaque, 80 * scale * scale) << "not blank";
            EXPECT_GT(c.colours.size(), 8u) << "more than a flat shape";
            seen.insert(static_cast<qint64>(qHashBits(image.constBits(), image.sizeInBytes())));
        }
    }
    EXPECT_EQ(seen.size(), 20u) << "no two buttons share a picture";
}

TEST(Resources, OnlyPictureButtonsHaveAPicture)
{
    for (const char* name : {"BitBtn10", "BitBtn12", "BitBtn0", "bitbtn1", ""})
        EXPECT_TRUE(buttonPicture(QString::fromLatin1(name)).isNull()) << name;
}

// The widest stretch that keeps "Product name:" within the 66 pixels the windows were laid out
// for, whichever face stands in here.
TEST(Resources, DesignFontIsElevenPixelsHighAndNarrowedJustEnough)
{
    const QFont font = designFont();
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_FALSE(font.bold());
    const auto width = [](QFont f, int stretch) {
        f.setStretch(stretch);
        return QFontMetrics(f).horizontalAdvance(QStringLiteral("Product name:"));
    };
    const int stretch = font.stretch();
    EXPECT_LE(width(font, stretch), 66);
    if (stretch < QFont::Unstretched && stretch > QFont::Condensed) {
        EXPECT_GT(width(font, stretch + 1), 66)
            << "stretch " << stretch << " of " << font.family().toStdString()
            << " (DejaVu Sans is narrowed to its condensed face: fonts-dejavu-extra)";
    }
}

} // namespace

TEST(Resources, ProgramIconIsDecodedOnceForEveryWindow)
{
    EXPECT_EQ(programIcon().cacheKey(), programIcon().cacheKey());
}
