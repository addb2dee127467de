#pragma once
#include <QProxyStyle>

// The desktop style with three changes:
// - The check boxes of list views are 11 pixels square, so that rows 13 pixels high keep a gap
//   between them.
// - The style's own icons are read from disk only when they are first drawn or measured. Qt
//   reads them through a reader that loads every image plugin to guess the format, which the
//   menu bar would otherwise pay at start-up for an overflow arrow it never shows.
// - Tall frames are drawn in bands. Qt hands a fill of more than about ninety rows to a pool of
//   threads, which it starts on first use and waits for; for the one-pixel lines of the page
//   frame that cost the first paint more than drawing the lines does.
// - A button's panel is put together from a narrow one of the same height: the base style
//   draws each new size with smoothed outlines, which costs the first paint of a window of
//   buttons of many widths.
class ZandrelStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

private:
    void drawFrameInBands(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                          const QWidget* widget) const;
    void drawPanelFromNarrowOne(const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const;
};
