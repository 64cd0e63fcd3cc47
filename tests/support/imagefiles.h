#pragma once
// Test pictures: files written through libjpeg (baseline or progressive) and giflib, and the
// bytes of small pictures of the three kinds the gallery decodes, for sites to serve.

#include <QByteArray>
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

/** A w x h JPEG (quality 90) with a colour gradient, drawn with QImage. */
QByteArray MakeJpeg(int width, int height);
/** A w x h 24-bit BMP, drawn with QImage. */
QByteArray MakeBmp(int width, int height);
/** A w x h GIF with a 4-colour palette (QImage draws, giflib encodes: Qt writes no GIF). */
QByteArray MakeGif(int width, int height);
/** size bytes of a fixed pseudo-random sequence; the same seed gives the same bytes. */
QByteArray MakeBytes(int size, unsigned seed);
