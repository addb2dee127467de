#include "ui/Resources.h"

#include <QCoreApplication>
#include <QFile>
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
    static constexpr std::array<const char*, 10> kNames = {
        "BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5",
        "BitBtn6", "BitBtn7", "BitBtn8", "BitBtn9", "BitBtn11",
    };
    for (const char* name : kNames) {
        if (buttonName == QLatin1String(name))
            return QIcon(pngPicture(QStringLiteral(":/zandrel/buttons/%1.png").arg(buttonName)));
    }
    return {};
}

namespace {
QFont measuredDesignFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    // The windows place labels side by side with a few pixels to spare for the original face's
    // glyph widths. A wider stand-in (DejaVu Sans, say) is narrowed to those widths, so that
    // "Product name:" still ends before the name beside it.
    const int width = QFontMetrics(font).horizontalAdvance(QStringLiteral("Product name:"));
    // Naming the stand-in spares every later font made from this one (bold, narrowed) the
    // search through the families that are missing.
    font.setFamilies({QRawFont::fromFont(font, QFontDatabase::Latin).familyName()});
    if (width > kDesignedWidth) {
        font.setStretch(
            std::max<int>(QFont::Condensed, QFont::Unstretched * kDesignedWidth / width));
    }
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
