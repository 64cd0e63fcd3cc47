#include "download/thumbnail.h"

#include <cstring>

using namespace pagemint;

namespace {

constexpr int TileSize = 80;
constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb MidGrey = 0xFF808080;

/** A pen on the tile that draws the way the window system's LineTo does: from the current
 *  position to the target, the target itself excluded. Only straight lines are needed. */
class TPen
{
public:
    explicit TPen(QImage& tile) : m_tile(tile) {}
    void MoveTo(int x, int y) { m_x = x; m_y = y; }
    void LineTo(int x, int y, QRgb colour)
    {
        const int dx = (x > m_x) - (x < m_x);
        const int dy = (y > m_y) - (y < m_y);
        while (m_x != x || m_y != y) {
            if (m_x >= 0 && m_y >= 0 && m_x < TileSize && m_y < TileSize)
                m_tile.setPixel(m_x, m_y, colour);
            m_x += dx;
            m_y += dy;
        }
    }

private:
    QImage& m_tile;
    int m_x = 0;
    int m_y = 0;
};

} // namespace

QImage pagemint::MakeThumbnail(const QImage& picture, QSize fullSize, QRgb buttonFace)
{
    const qint64 w = fullSize.width();
    const qint64 h = fullSize.height();
    if (w <= 0 || h <= 0 || picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return QImage();

    QImage tile(TileSize, TileSize, QImage::Format_RGB888);
    if (tile.isNull())
        return QImage();
    tile.fill(buttonFace);

    TPen pen(tile);
    pen.MoveTo(79, 0);
    pen.LineTo(0, 0, White);
    pen.LineTo(0, 79, White);
    pen.LineTo(79, 79, MidGrey);
    pen.LineTo(79, 0, MidGrey);

    QRect target;
    if (h < w) {
        const int s = int(h * 64 / w);
        const int o = (64 - s) / 2;
        pen.MoveTo(71, o + 7);
        pen.LineTo(7, o + 7, MidGrey);
        pen.LineTo(7, o + 8 + s, MidGrey);
        pen.LineTo(71, o + 8 + s, White);
        pen.LineTo(71, o + 7, White);
        target = QRect(8, o + 8, 63, s);
    } else {
        const int s = int(w * 64 / h);
        const int o = (64 - s) / 2;
        pen.MoveTo(o + 8 + s, 7);
        pen.LineTo(o + 7, 7, MidGrey);
        pen.LineTo(o + 7, 71, MidGrey);
        pen.LineTo(o + 8 + s, 71, White);
        pen.LineTo(o + 8 + s, 7, White);
        target = QRect(o + 8, 8, s, 63);
    }

    // A very thin picture gets no rows (or columns) at all: only the bevels are drawn.
    if (target.width() > 0 && target.height() > 0) {
        const QImage scaled = picture
                                  .scaled(target.width(), target.height(), Qt::IgnoreAspectRatio,
                                          Qt::SmoothTransformation)
                                  .convertToFormat(QImage::Format_RGB888);
        if (scaled.size() != target.size())
            return QImage();
        const size_t rowBytes = size_t(target.width()) * 3;
        for (int y = 0; y < target.height(); ++y)
            std::memcpy(tile.scanLine(target.top() + y) + size_t(target.left()) * 3, scaled.constScanLine(y), rowBytes);
    }
    return tile;
}

QImage pagemint::MakeThumbnail(const QImage& picture, QRgb buttonFace)
{
    return MakeThumbnail(picture, picture.size(), buttonFace);
}
