#pragma once
#include <QByteArray>
#include <QImage>

// Decodes a JPEG with libjpeg into an RGB888 image. Damaged, truncated or unsupported data gives
// a null image; it never ends the program.
QImage decodeJpeg(const QByteArray& jpegBytes);
