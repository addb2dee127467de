#pragma once
#include <QFont>
#include <QIcon>
#include <QString>

// The pictures and the logo are compiled into this static library; the linker keeps them only
// when this is called (the functions below call it themselves).
void initZandrelResources();

// Scissors over a stack of pictures, in 16, 32, 48 and 128 pixels with transparency.
QIcon programIcon();

// The 20 x 20 picture of a picture button ("BitBtn1".."BitBtn9", "BitBtn11"); null for others.
QIcon buttonPicture(const QString& buttonName);

// The windows were laid out for "MS Sans Serif" 8 pt, 11 pixels high; this is its stand-in.
QFont designFont();

// The About window's logo as stored (an 89 x 89 baseline JPEG).
QByteArray logoJpeg();
