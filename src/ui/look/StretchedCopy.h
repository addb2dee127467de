#pragma once
#include <QRect>

#include <functional>

class QPainter;

// An element whose rows (drawn along Qt::Vertical) or columns (along Qt::Horizontal) are all
// alike away from its two ends, drawn from a short copy of it: the copy's ends as they are, the
// one row or column between them stretched, and where that one is a single opaque colour
// between its own ends, a fill of that colour. Stretching a row or column of pixels, or putting
// a copy down, changes no pixel; Qt's styles put their own elements down through such copies.
// Drawing the whole afresh costs with its length: smoothed outlines for every new width of a
// button, and for a tall frame a pool of threads that Qt starts and waits for.
namespace StretchedCopy {
// Rows or columns this far from either end are taken as they are; the copy is kLength long.
constexpr int kEnds = 8;
constexpr int kLength = 2 * kEnds + 1;

// Draws the element at the rectangle given, with the painter given.
using DrawAt = std::function<void(const QRect& rect, QPainter* painter)>;

// Whether the painter puts an image's pixels down one for one, as they are, so that a copy may
// stand in.
bool canStandIn(const QPainter* painter);

// Draws the element at `whole` (longer than kLength along `along`) from a copy.
void draw(const QRect& whole, Qt::Orientation along, QPainter* painter, const DrawAt& drawAt);
} // namespace StretchedCopy
