#include "ui/ZandrelStyle.h"

#include <QIconEngine>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <optional>

namespace {
constexpr int kListCheckSide = 11;
// A page frame's rows and a button panel's columns this far from the ends are all alike.
constexpr int kAlikeFromEnds = 8;

// Rectangles of an element drawn along one axis: positions and lengths along it and across it.
struct Axis {
    Qt::Orientation along;
    QRect rect(int alongFrom, int alongLength, int acrossFrom, int acrossLength) const
    {
        return along == Qt::Horizontal ? QRect(alongFrom, acrossFrom, alongLength, acrossLength)
                                       : QRect(acrossFrom, alongFrom, acrossLength, alongLength);
    }
};

// The one colour of an opaque run of pixels, or none.
std::optional<QRgb> oneOpaqueColour(const QImage& image, const QRect& run)
{
    const QRgb first = image.pixel(run.topLeft());
    if (qAlpha(first) != 255)
        return std::nullopt;
    for (int y = run.top(); y <= run.bottom(); ++y)
        for (int x = run.left(); x <= run.right(); ++x)
            if (image.pixel(x, y) != first)
                return std::nullopt;
    return first;
}

// Qt hands a fill of about a hundred rows or more to a pool of threads, which it starts on
// first use and then waits for, whenever the painter's clip is more than one rectangle (as a
// widget's paint region often is) or there is no clip at all. A band this high stays below that
// with up to two runs of pixels a row.
constexpr int kBandRows = 32;

// Calls draw(band, rowsDown) for each band of kBandRows rows of the target, top to bottom.
template <typename Draw> void inBands(const QRect& target, Draw draw)
{
    for (int top = target.top(); top <= target.bottom(); top += kBandRows)
        draw(QRect(target.left(), top, target.width(),
                   std::min(kBandRows, target.bottom() - top + 1)),
             top - target.top());
}

// Draws a primitive of the base style whose rows (along Qt::Vertical) or columns (along
// Qt::Horizontal) away from its ends are all alike, from a copy only 2 * kAlikeFromEnds + 1 long:
// its ends as they are, the one row or column between them stretched, and where that one is
// a single opaque colour between its own ends, a fill of that colour. Qt's own drawing of the
// whole would cost with its length. Stretching a row or column of pixels, or putting a copy
// down, changes no pixel; the base style draws its own elements through such copies too.
template <typename Option>
void drawFromShortCopy(const QStyle& base, QStyle::PrimitiveElement element, const Option& option,
                       Qt::Orientation along, QPainter* painter, const QWidget* widget)
{
    const Axis axis{along};
    const QRect whole = option.rect;
    const bool horizontal = along == Qt::Horizontal;
    const int from = horizontal ? whole.left() : whole.top();
    const int length = horizontal ? whole.width() : whole.height();
    const int acrossFrom = horizontal ? whole.top() : whole.left();
    const int across = horizontal ? whole.height() : whole.width();
    const int end = kAlikeFromEnds;

    Option shortCopy = option;
    shortCopy.rect = axis.rect(0, 2 * end + 1, 0, across);
    // A clip to the whole image counts as none: the image is one pixel larger than the copy.
    QImage copy(shortCopy.rect.size() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
    copy.fill(Qt::transparent);
    {
        QPainter copyPainter(&copy);
        copyPainter.setClipRect(shortCopy.rect);
        base.drawPrimitive(element, &shortCopy, &copyPainter, widget);
    }

    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Copies one piece of the copy: its run along, stretched to the length given, across as is.
    const auto put = [&](int at, int alongLength, int copyAt, int copyLength, int acrossAt,
                         int acrossLength) {
        const QRect source = axis.rect(copyAt, copyLength, acrossAt, acrossLength);
        inBands(axis.rect(at, alongLength, acrossFrom + acrossAt, acrossLength),
                [&](const QRect& band, int rowsDown) {
                    // A row stretched down is the same row in every band.
                    const int sourceTop =
                        source.height() == 1 ? source.top() : source.top() + rowsDown;
                    painter->drawImage(band, copy,
                                       QRect(source.left(), sourceTop, source.width(),
                                             std::min(source.height(), band.height())));
                });
    };
    put(from, end, 0, end, 0, across);
    put(from + length - end, end, end + 1, end, 0, across);
    const int middle = length - 2 * end;
    const int inner = across - 2 * end;
    const std::optional<QRgb> innerColour =
        inner > 0 ? oneOpaqueColour(copy, axis.rect(end, 1, end, inner)) : std::nullopt;
    if (innerColour) {
        put(from + end, middle, end, 1, 0, end);
        put(from + end, middle, end, 1, across - end, end);
        inBands(axis.rect(from + end, middle, acrossFrom + end, inner),
                [&](const QRect& band, int) {
                    painter->fillRect(band, QColor::fromRgb(*innerColour));
                });
    } else {
        put(from + end, middle, end, 1, 0, across);
    }
    painter->restore();
}

// Whether a painter puts a pixmap's pixels down one for one, where a copy may stand in.
bool drawsPixelForPixel(const QPainter* painter)
{
    return painter->deviceTransform().type() <= QTransform::TxTranslate &&
           painter->device()->devicePixelRatio() == 1;
}

// Stands for one of the base style's icons and asks the base style for it on first use.
class DeferredStyleIcon : public QIconEngine {
public:
    DeferredStyleIcon(const QStyle* style, QStyle::StandardPixmap which, const QWidget* widget)
        : style_(const_cast<QStyle*>(style)), which_(which), widget_(const_cast<QWidget*>(widget))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("DeferredStyleIcon"); }
    QIconEngine* clone() const override
    {
        auto* copy = new DeferredStyleIcon(style_, which_, widget_);
        copy->icon_ = icon_;
        copy->loaded_ = loaded_;
        return copy;
    }

private:
    const QIcon& icon()
    {
        if (!loaded_ && style_) {
            loaded_ = true;
            icon_ = style_->standardIcon(which_, nullptr, widget_);
        }
        return icon_;
    }

    QPointer<QStyle> style_; // null once that style is gone, and the icon stays empty
    QStyle::StandardPixmap which_;
    QPointer<QWidget> widget_;
    QIcon icon_;
    bool loaded_ = false;
};
} // namespace

int ZandrelStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const
{
    if ((metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) &&
        qobject_cast<const QListView*>(widget))
        return kListCheckSide;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QIcon ZandrelStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                 const QWidget* widget) const
{
    // An option describes the moment it was made for; such calls get their icon now.
    if (option)
        return QProxyStyle::standardIcon(icon, option, widget);
    return QIcon(new DeferredStyleIcon(baseStyle(), icon, widget));
}

void ZandrelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const
{
    const int longerThanCopy = 2 * kAlikeFromEnds + 1;
    if (element == PE_FrameTabWidget && option && option->rect.height() > longerThanCopy &&
        drawsPixelForPixel(painter)) {
        if (const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(option)) {
            drawFromShortCopy(*baseStyle(), element, *frame, Qt::Vertical, painter, widget);
            return;
        }
    }
    if (element == PE_PanelButtonCommand && option && option->rect.width() > longerThanCopy &&
        drawsPixelForPixel(painter)) {
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
            drawFromShortCopy(*baseStyle(), element, *button, Qt::Horizontal, painter, widget);
            return;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}
