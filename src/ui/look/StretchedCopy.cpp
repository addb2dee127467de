#include "ui/look/StretchedCopy.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <optional>

namespace StretchedCopy {
namespace {
// Qt hands a fill of about a hundred rows or more to a pool of threads, which it starts on
// first use and then waits for, whenever the painter's clip is more than one rectangle (as a
// widget's paint region often is) or there is no clip at all. A band this high stays below that
// with up to two runs of pixels a row.
constexpr int kBandRows = 32;

// A start and a length on one axis.
struct Span {
    int from;
    int length;
};

// Rectangles of an element drawn along one axis: positions and lengths along it and across it.
struct Axis {
    Qt::Orientation along;
    QRect rect(int alongFrom, int alongLength, int acrossFrom, int acrossLength) const
    {
        return along == Qt::Horizontal ? QRect(alongFrom, acrossFrom, alongLength, acrossLength)
                                       : QRect(acrossFrom, alongFrom, acrossLength, alongLength);
    }
    Span alongOf(const QRect& r) const
    {
        return along == Qt::Horizontal ? Span{r.left(), r.width()} : Span{r.top(), r.height()};
    }
    Span acrossOf(const QRect& r) const
    {
        return along == Qt::Horizontal ? Span{r.top(), r.height()} : Span{r.left(), r.width()};
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

// Calls draw(band, rowsDown) for each band of kBandRows rows of the target, top to bottom.
template <typename Draw> void inBands(const QRect& target, Draw draw)
{
    for (int top = target.top(); top <= target.bottom(); top += kBandRows)
        draw(QRect(target.left(), top, target.width(),
                   std::min(kBandRows, target.bottom() - top + 1)),
             top - target.top());
}

QImage shortCopy(const QRect& rect, const DrawAt& drawAt)
{
    // A clip to the whole image counts as none: the image is one pixel larger than the copy.
    QImage copy(rect.size() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
    copy.fill(Qt::transparent);
    QPainter copyPainter(&copy);
    copyPainter.setClipRect(rect);
    drawAt(rect, &copyPainter);
    return copy;
}
} // namespace

bool canStandIn(const QPainter* painter)
{
    // Under a partial opacity or another way of combining, each line drawn over the fill would
    // be combined on its own, and the copy's pixels would differ.
    return painter->deviceTransform().type() <= QTransform::TxTranslate &&
           painter->device()->devicePixelRatio() == 1 && painter->opacity() == 1.0 &&
           painter->compositionMode() == QPainter::CompositionMode_SourceOver;
}

void draw(const QRect& whole, Qt::Orientation along, QPainter* painter, const DrawAt& drawAt)
{
    const Axis axis{along};
    const auto [from, length] = axis.alongOf(whole);
    const auto [acrossFrom, across] = axis.acrossOf(whole);
    const QImage copy = shortCopy(axis.rect(0, kLength, 0, across), drawAt);

    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Puts down one piece of the copy: its run along stretched to the length given, across as is.
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
    put(from, kEnds, 0, kEnds, 0, across);
    put(from + length - kEnds, kEnds, kEnds + 1, kEnds, 0, across);
    const int middle = length - 2 * kEnds;
    const int inner = across - 2 * kEnds;
    const std::optional<QRgb> innerColour =
        inner > 0 ? oneOpaqueColour(copy, axis.rect(kEnds, 1, kEnds, inner)) : std::nullopt;
    if (innerColour) {
        put(from + kEnds, middle, kEnds, 1, 0, kEnds);
        put(from + kEnds, middle, kEnds, 1, across - kEnds, kEnds);
        inBands(axis.rect(from + kEnds, middle, acrossFrom + kEnds, inner),
                [&](const QRect& band, int) {
                    painter->fillRect(band, QColor::fromRgb(*innerColour));
                });
    } else {
        put(from + kEnds, middle, kEnds, 1, 0, across);
    }
    painter->restore();
}
} // namespace StretchedCopy
