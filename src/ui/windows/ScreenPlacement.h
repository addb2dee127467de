#pragma once
#include <QPoint>

class QWidget;

// Moves a top-level window to `designed`, or as near to it as keeps the whole window, its frame
// allowed for, inside the free area of the screen that holds that point (else the primary
// screen): at a large scale the designed position can run off a small screen. A window larger
// than the screen shows its top left corner.
void placeOnScreen(QWidget& window, QPoint designed);

// Centres a top-level window on the window that opened it, as a desktop places a dialog over its
// owner, kept inside the screen as placeOnScreen keeps it. Without a visible opener the window
// stays where it is. A window manager may still place it otherwise; without one, this is where
// it opens.
void centreOnOpener(QWidget& window, const QWidget* opener);

// From now on every dialog and message box opens centred on the window that owns it: Qt centres
// them itself, but lifts them by the title bar it guesses when no window manager reports one.
// The columns of Qt's file dialog fit their contents. Called once; later calls do nothing.
void centreDialogsOnTheirOwners();
