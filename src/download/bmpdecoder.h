#pragma once

#include <QImage>

class QIODevice;

namespace pagemint {

/**
 * The gallery's BMP reader. It decodes only from the file's own bytes: the headers are checked
 * before any pixel is read, and a file whose pixels the headers do not fully describe is left
 * out instead of being shown with memory that is not its own.
 *
 * Accepted: the 12-byte core header, the 16- and 64-byte two-part headers, and the 40, 52, 56,
 * 108 and 124-byte information headers; 1, 4 and 8 bits per pixel through a colour table,
 * 16 and 32 bits (plain or with bit masks) and 24 bits; RLE8 and RLE4 compression; bottom-up
 * and top-down (negative height) rows. Alpha is not kept: the picture is opaque (RGB32).
 *
 * Refused (false): a bad signature or header size, a zero or negative width, a zero height,
 * more than maxPixels pixels, an unknown depth or compression, a pixel offset outside the file
 * or inside the headers, a declared colour table that does not end before the pixels (an
 * undeclared one is as long as the room before the pixels allows, at least one entry), masks that select no colour bit, uncompressed
 * rows that end before the picture does, and compressed data that ends before its
 * end-of-picture mark while rows are still missing.
 *
 * Defined fills: a colour-table index past the table's end is drawn black; pixels that
 * compressed data skips (delta moves, early line and picture ends) take the table's first
 * colour; compressed runs past the right edge or the top row are dropped.
 *
 * Reads the device from its current contents (seeks freely); pure otherwise; any thread.
 */
bool DecodeBmp(QIODevice& device, QImage& image, qint64 maxPixels);

/** The picture's width and height from the headers alone, as DecodeBmp reads them; false
 *  when they are not those of a bitmap it could draw at some size. */
bool BmpSize(QIODevice& device, QSize& size);

} // namespace pagemint
