#include "ui/look/ZandrelStyle.h"

#include "ui/look/StretchedCopy.h"

#include <QIconEngine>
#include <QListView>
#include <QPainter>
#include <QPointer>

namespace {
constexpr int kListCheckSide = 11;

// Draws the base style's element from a short copy when its option is of the type given and it
// is longer than the copy along the axis given; says whether it did.
template <typename Option>
bool drawnFromCopy(const QStyle& base, QStyle::PrimitiveElement element, const QStyleOption& option,
                   Qt::Orientation along, QPainter* painter, const QWidget* widget)
{
    const auto* typed = qstyleoption_cast<const Option*>(&option);
    const int length = along == Qt::Vertical ? option.rect.height() : option.rect.width();
    if (!typed || length <= StretchedCopy::kLength)
        return false;
    StretchedCopy::draw(option.rect, along, painter,
                        [&base, element, typed, widget](const QRect& rect, QPainter* copyPainter) {
                            Option moved = *typed;
                            moved.rect = rect;
                            base.drawPrimitive(element, &moved, copyPainter, widget);
                        });
    return true;
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
    // Page frames are alike from row to row, button panels from column to column.
    if (option && StretchedCopy::canStandIn(painter) &&
        ((element == PE_FrameTabWidget &&
          drawnFromCopy<QStyleOptionTabWidgetFrame>(*baseStyle(), element, *option, Qt::Vertical,
                                                    painter, widget)) ||
         (element == PE_PanelButtonCommand &&
          drawnFromCopy<QStyleOptionButton>(*baseStyle(), element, *option, Qt::Horizontal, painter,
                                            widget))))
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}
