#pragma once
// Writers of test pictures: JPEG through libjpeg (baseline or progressive) and GIF through giflib.

#include <QImage>
#include <QString>
#include <QtGui/qrgb.h>
#include <cstdint>
#include <vector>

/** Writes image as a JPEG; false on failure. */
bool WriteJpeg(const QString& path, const QImage& image, int quality = 90, bool progressive = false);

/** One GIF frame: indexes into the palette, row by row, width x height of the screen. */
using TGifFrame = std::vector<uint8_t>;
/** Writes a GIF of the given frames (each covering the whole screen); false on failure. */
bool WriteGif(const QString& path, int width, int height, const std::vector<QRgb>& palette,
              const std::vector<TGifFrame>& frames, int transparentIndex = -1, bool interlaced = false);

/** A picture of one colour. */
QImage SolidImage(int width, int height, QRgb colour);
