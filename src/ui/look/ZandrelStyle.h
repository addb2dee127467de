#pragma once
#include <QProxyStyle>

// The desktop style with three changes:
// - The check boxes of list views are 11 pixels square, so that rows 13 pixels high keep a gap
//   between them.
// - The style's own icons are read from disk only when they are first drawn or measured. Qt
//   reads them through a reader that loads every image plugin to guess the format, which the
//   menu bar would otherwise pay at start-up for an overflow arrow it never shows.
// - The page frame and the buttons' panels are drawn from a short copy (StretchedCopy), pixel
//   for pixel the base style's: drawn afresh at every size, they cost the main window's first
//   paint more than the rest of its frames and panels.
class ZandrelStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
