#include "ui/Resources.h"

#include <QFile>
#include <QPixmap>

#include <array>

// Q_INIT_RESOURCE declares the initialiser in the enclosing namespace, so this stays global.
static void initResourcesOnce()
{
    Q_INIT_RESOURCE(zandrel);
}

void initZandrelResources()
{
    static const bool done = (initResourcesOnce(), true);
    (void)done;
}

QIcon programIcon()
{
    initZandrelResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 128})
        icon.addFile(QStringLiteral(":/zandrel/icons/zandrel-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon buttonPicture(const QString& buttonName)
{
    static constexpr std::array<const char*, 10> kNames = {
        "BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5",
        "BitBtn6", "BitBtn7", "BitBtn8", "BitBtn9", "BitBtn11",
    };
    for (const char* name : kNames) {
        if (buttonName == QLatin1String(name)) {
            initZandrelResources();
            return QIcon(QStringLiteral(":/zandrel/buttons/%1.png").arg(buttonName));
        }
    }
    return {};
}

QFont designFont()
{
    QFont font;
    // Narrow faces first: the layouts leave just enough room for the original's glyph widths.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QByteArray logoJpeg()
{
    initZandrelResources();
    QFile file(QStringLiteral(":/zandrel/about/logo.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
