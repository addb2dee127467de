#include "ui/ZandrelStyle.h"

#include <QIconEngine>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace {
constexpr int kListCheckSide = 11;
// The raster engine shares a fill out among threads from 96 rows of spans; a band this high keeps
// a rectangle's two sides together below that.
constexpr int kBandRows = 47;
// A page frame's rows this far from its top and bottom are alike all the way down.
constexpr int kFrameEdgeRows = 8;
// A button panel's columns this far from its sides are alike all the way across.
constexpr int kPanelEdgeColumns = 8;

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
    if (element == PE_FrameTabWidget && option && option->rect.height() > kBandRows)
        drawFrameInBands(element, option, painter, widget);
    else if (element == PE_PanelButtonCommand && option &&
             option->rect.width() > 2 * kPanelEdgeColumns + 1 &&
             painter->deviceTransform().type() <= QTransform::TxTranslate &&
             painter->device()->devicePixelRatio() == 1 &&
             qstyleoption_cast<const QStyleOptionButton*>(option))
        drawPanelFromNarrowOne(option, painter, widget);
    else
        QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ZandrelStyle::drawFrameInBands(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const
{
    // Each band is clipped from the same drawing, so together they draw exactly its pixels. A band
    // away from the top and bottom is cut from a frame no taller than needed: drawing costs
    // with the frame's height, once for every band.
    const QRect frame = option->rect;
    const auto* pageFrame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(option);
    QStyleOptionTabWidgetFrame middle = pageFrame ? *pageFrame : QStyleOptionTabWidgetFrame();
    for (int top = frame.top(); top <= frame.bottom(); top += kBandRows) {
        const QRect band(frame.left(), top, frame.width(), kBandRows);
        const QRect around = band.adjusted(0, -kFrameEdgeRows, 0, kFrameEdgeRows);
        const bool inMiddle = pageFrame && around.top() > frame.top() &&
                              around.bottom() < frame.bottom();
        middle.rect = around;
        painter->save();
        painter->setClipRect(band, Qt::IntersectClip);
        QProxyStyle::drawPrimitive(element, inMiddle ? &middle : option, painter, widget);
        painter->restore();
    }
}

void ZandrelStyle::drawPanelFromNarrowOne(const QStyleOption* option, QPainter* painter,
                                          const QWidget* widget) const
{
    // The base style draws a panel of every new size afresh, with rounded, smoothed outlines.
    // A narrow panel of the same height has the same sides and the same middle column, which
    // is stretched to the width; the base style keeps the narrow one for every button alike.
    QStyleOptionButton narrow = *qstyleoption_cast<const QStyleOptionButton*>(option);
    const QRect panel = option->rect;
    const int side = kPanelEdgeColumns;
    narrow.rect = QRect(0, 0, 2 * side + 1, panel.height());
    QPixmap pieces(narrow.rect.size());
    pieces.fill(Qt::transparent);
    {
        QPainter piecesPainter(&pieces);
        QProxyStyle::drawPrimitive(PE_PanelButtonCommand, &narrow, &piecesPainter, widget);
    }
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    const int height = panel.height();
    painter->drawPixmap(QRect(panel.left(), panel.top(), side, height), pieces,
                        QRect(0, 0, side, height));
    painter->drawPixmap(QRect(panel.left() + side, panel.top(), panel.width() - 2 * side, height),
                        pieces, QRect(side, 0, 1, height));
    painter->drawPixmap(QRect(panel.right() - side + 1, panel.top(), side, height), pieces,
                        QRect(side + 1, 0, side, height));
    painter->restore();
}
