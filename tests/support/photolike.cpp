#include "photolike.h"

#include <algorithm>

QImage PhotoLikeImage(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return image;
    quint32 state = seed * 2654435761u + 12345u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    // Corner colours of a bilinear gradient, and a bright disc somewhere in the frame.
    int corner[4][3];
    for (auto& c : corner)
        for (int& v : c)
            v = int(next() % 200) + 28;
    const int cx = int(next() % quint32(width));
    const int cy = int(next() % quint32(height));
    const qint64 radius = std::max(width, height) / 5 + 1;
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        const int fy = int(qint64(y) * 256 / height);
        for (int x = 0; x < width; ++x) {
            const int fx = int(qint64(x) * 256 / width);
            const quint32 noise = next();
            const qint64 dx = x - cx;
            const qint64 dy = y - cy;
            const int disc = dx * dx + dy * dy < radius * radius ? 40 : 0;
            for (int c = 0; c < 3; ++c) {
                const int top = corner[0][c] * (256 - fx) + corner[1][c] * fx;
                const int bottom = corner[2][c] * (256 - fx) + corner[3][c] * fx;
                const int base = (top * (256 - fy) + bottom * fy) >> 16;
                const int n = int((noise >> (c * 8)) & 0x1F) - 16; // -16..15
                row[x * 3 + c] = uchar(std::clamp(base + disc + n, 0, 255));
            }
        }
    }
    return image;
}
