#pragma once

#include <QImage>
#include <QSize>
#include <QtGui/qrgb.h>

namespace pagemint {

/** The button-face colour the tile is filled with when the front end gives none. */
constexpr QRgb DefaultButtonFace = 0xFFF0F0F0; // RGB(240, 240, 240)

/**
 * Draws the 80 x 80 gallery tile (24 bits per pixel) of a picture: button-face fill, a raised
 * bevel round the tile (white top and left, 808080 bottom and right), and the picture stretched
 * into a 63-pixel-long rectangle inside a sunken bevel, centred across the other side.
 *
 * The geometry follows the picture's own size fullSize (W x H): for landscape (H < W)
 * s = H x 64 div W, o = (64 - s) div 2, the picture fills x 8..70, y o+8..o+7+s; otherwise
 * s = W x 64 div H and the picture fills x o+8..o+7+s, y 8..70. Lines exclude their end point.
 * picture may be a reduced decode of the picture; it is stretched (smoothly) into that rectangle.
 *
 * Returns a null image when fullSize or picture is empty. Pure function; any thread.
 */
QImage MakeThumbnail(const QImage& picture, QSize fullSize, QRgb buttonFace = DefaultButtonFace);
/** MakeThumbnail of a picture at its own size. */
QImage MakeThumbnail(const QImage& picture, QRgb buttonFace = DefaultButtonFace);

} // namespace pagemint
