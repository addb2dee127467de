#include "ui/look/Resources.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImageReader>
#include <QPixmap>
#include <QRawFont>

#include <algorithm>
#include <array>

// Width of "Product name:" in the face the windows were laid out for.
constexpr int kDesignedWidth = 66;

// Q_INIT_RESOURCE declares the initialiser in the enclosing namespace, so this stays global.
static void initResourcesOnce() { Q_INIT_RESOURCE(zandrel); }

void initZandrelResources()
{
    static const bool done = (initResourcesOnce(), true);
    (void)done;
}

namespace {
// Our pictures are all PNG. A reader left to guess would load and ask every image plugin first
// (and with them libraries such as the JPEG one), which costs start-up several milliseconds.
QPixmap pngPicture(const QString& resourcePath)
{
    initZandrelResources();
    QImageReader reader(resourcePath, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

// A picture stored as plain RGBA bytes; one of another size than expected shows as empty.
QPixmap rgbaPicture(const QString& resourcePath, int width, int height)
{
    initZandrelResources();
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() != qsizetype{4} * width * height)
        return {};
    const QImage view(reinterpret_cast<const uchar*>(bytes.constData()), width, height,
                      QImage::Format_RGBA8888);
    return QPixmap::fromImage(view.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}
} // namespace

QIcon programIcon()
{
    // Decoded once: every window and the application share this one icon. It goes with the
    // application object, before the window system it was made for.
    static QIcon* icon = nullptr;
    if (!icon) {
        icon = new QIcon;
        for (const int size : {16, 32, 48, 128})
            icon->addPixmap(pngPicture(QStringLiteral(":/zandrel/icons/zandrel-%1.png").arg(size)));
        qAddPostRoutine([] {
            delete icon;
            icon = nullptr;
        });
    }
    return *icon;
}

QIcon buttonPicture(const QString& buttonName)
{
    // The pictures lie side by side in one sheet, in this order.
    static constexpr std::array<const char*, 10> kNames = {
        "BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5",
        "BitBtn6", "BitBtn7", "BitBtn8", "BitBtn9", "BitBtn11",
    };
    constexpr int kSide = 20;
    constexpr int kSheetWidth = kSide * static_cast<int>(kNames.size());
    const auto name = std::find_if(kNames.begin(), kNames.end(),
                                   [&](const char* n) { return buttonName == QLatin1String(n); });
    if (name == kNames.end())
        return {};
    // Decoded once, and let go with the application object, like the icon. The second sheet,
    // twice the size, is what a screen scaled by 2 shows.
    static std::array<QPixmap, 2>* sheets = nullptr;
    if (!sheets) {
        sheets = new std::array<QPixmap, 2>{
            rgbaPicture(QStringLiteral(":/zandrel/buttons.rgba"), kSheetWidth, kSide),
            rgbaPicture(QStringLiteral(":/zandrel/buttons@2x.rgba"), 2 * kSheetWidth, 2 * kSide)};
        qAddPostRoutine([] {
            delete sheets;
            sheets = nullptr;
        });
    }
    const int index = static_cast<int>(name - kNames.begin());
    QIcon icon;
    for (int scale = 1; scale <= 2; ++scale) {
        const int side = scale * kSide;
        icon.addPixmap((*sheets)[scale - 1].copy(index * side, 0, side, side));
    }
    return icon;
}

namespace {
// The faces that stand in for the one the windows were laid out for, nearest first, each with
// the widest stretch at which it keeps to the design's widths at 11 pixels, where that is known.
// DejaVu Sans is the sans-serif face every Debian system has. When the stretch is known, the
// font that is measured is the one the windows use, and start-up makes no font only to measure.
struct StandIn {
    const char* family;
    int stretch;
};
constexpr std::array<StandIn, 5> kStandIns = {{
    {"MS Sans Serif", QFont::Unstretched},
    {"Microsoft Sans Serif", QFont::Unstretched},
    {"Liberation Sans", QFont::Unstretched},
    {"Arial", QFont::Unstretched},
    {"DejaVu Sans", 80},
}};

// The first stand-in installed, or the face the system gives for a sans-serif font.
QFont standInFont()
{
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setStretch(QFont::Unstretched);
    // The list of families asks the system nothing more; asking about each name would look
    // up its aliases too, which costs start-up more than the measuring this saves.
    const QStringList installed = QFontDatabase::families();
    for (const StandIn& standIn : kStandIns) {
        if (installed.contains(QLatin1String(standIn.family), Qt::CaseInsensitive)) {
            font.setFamilies({QLatin1String(standIn.family)});
            font.setStretch(standIn.stretch);
            return font;
        }
    }
    // Naming the face found spares every later font made from this one (bold, narrowed) the
    // search through the families that are missing.
    font.setFamilies({QRawFont::fromFont(font, QFontDatabase::Latin).familyName()});
    return font;
}

int designedStringWidth(const QFont& font)
{
    return QFontMetrics(font).horizontalAdvance(QStringLiteral("Product name:"));
}

// The windows place labels side by side with a few pixels to spare for the original face's
// glyph widths. A wider stand-in (DejaVu Sans, say) is narrowed to those widths, so that
// "Product name:" still ends before the name beside it. Glyph widths are rounded to pixels, so
// narrowing is not quite proportional: the stretch that fits is found by measuring.
QFont measuredDesignFont()
{
    QFont font = standInFont();
    const int width = designedStringWidth(font);
    if (width <= kDesignedWidth)
        return font;
    int stretch = std::min(font.stretch() - 1, font.stretch() * kDesignedWidth / width);
    for (; stretch > QFont::Condensed; --stretch) {
        font.setStretch(stretch);
        if (designedStringWidth(font) <= kDesignedWidth)
            return font;
    }
    font.setStretch(QFont::Condensed);
    return font;
}
} // namespace

QFont designFont()
{
    // Measured once, and let go with the application object, like the icon.
    static QFont* font = nullptr;
    if (!font) {
        font = new QFont(measuredDesignFont());
        qAddPostRoutine([] {
            delete font;
            font = nullptr;
        });
    }
    return *font;
}

QByteArray logoJpeg()
{
    initZandrelResources();
    QFile file(QStringLiteral(":/zandrel/about/logo.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
