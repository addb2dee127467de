#pragma once
#include <QPoint>

class QWidget;

// Moves a top-level window to `designed`, or as near to it as keeps the whole window, its frame
// allowed for, inside the free area of the screen that holds that point (else the primary
// screen): at a large scale the designed position can run off a small screen. A window larger
// than the screen shows its top left corner.
void placeOnScreen(QWidget& window, QPoint designed);
