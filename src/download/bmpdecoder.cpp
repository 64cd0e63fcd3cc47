#include "download/bmpdecoder.h"

#include <QIODevice>
#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <vector>

namespace {

constexpr QRgb OutOfTable = 0xFF000000; // black: what an index past the colour table shows

enum : uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiAlphaBitfields = 6 };

uint16_t U16(const char* p)
{
    return uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8);
}

uint32_t U32(const char* p)
{
    return uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 | uint32_t(uint8_t(p[2])) << 16
           | uint32_t(uint8_t(p[3])) << 24;
}

/** Reads exactly count bytes at offset, or nothing. */
bool ReadAt(QIODevice& device, qint64 offset, qint64 count, QByteArray& out)
{
    if (offset < 0 || count < 0 || !device.seek(offset))
        return false;
    out = device.read(count);
    return out.size() == count;
}

/** One colour channel given by a bit mask, scaled to 0..255. */
struct TChannel
{
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Max = 0;

    explicit TChannel(uint32_t mask = 0) : Mask(mask)
    {
        if (mask) {
            Shift = std::countr_zero(mask);
            Max = mask >> Shift;
        }
    }
    int Value(uint32_t pixel) const
    {
        if (!Max)
            return 0;
        return int(uint64_t((pixel & Mask) >> Shift) * 255 / Max);
    }
};

struct THeader
{
    qint64 Width = 0;
    qint64 Height = 0;   // positive: bottom-up rows
    bool TopDown = false;
    int Bits = 0;
    uint32_t Compression = BiRgb;
    uint32_t ColoursUsed = 0;
    uint32_t Masks[3] = {0, 0, 0};
    bool HasMasks = false;
};

/** The RLE8/RLE4 stream into the picture; false when it ends before the picture does. */
bool DecodeRle(const QByteArray& data, const THeader& header, const std::vector<QRgb>& table, QImage& image)
{
    const bool four = header.Compression == BiRle4;
    const qint64 width = header.Width;
    const qint64 height = header.Height;
    const auto colour = [&table](unsigned index) { return index < table.size() ? table[index] : OutOfTable; };
    image.fill(table.empty() ? OutOfTable : table[0]);

    qint64 x = 0;
    qint64 y = 0; // counted from the bottom row
    const auto put = [&](unsigned index) {
        if (x < width && y < height)
            reinterpret_cast<QRgb*>(image.scanLine(int(height - 1 - y)))[x] = colour(index);
        ++x;
    };
    const qsizetype size = data.size();
    const char* p = data.constData();
    qsizetype i = 0;
    while (y < height) {
        if (i + 2 > size)
            return false;
        const unsigned count = uint8_t(p[i]);
        const unsigned value = uint8_t(p[i + 1]);
        i += 2;
        if (count > 0) {
            // A run; pixels past the right edge are dropped, not wrapped.
            for (unsigned k = 0; k < count && x < width; ++k)
                put(four ? ((k & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of picture
            return true;
        case 2: // delta
            if (i + 2 > size)
                return false;
            x += uint8_t(p[i]);
            y += uint8_t(p[i + 1]);
            i += 2;
            break;
        default: { // absolute mode: value indexes follow, padded to a 16-bit boundary
            const qsizetype bytes = four ? (qsizetype(value) + 1) / 2 : qsizetype(value);
            const qsizetype padded = bytes + (bytes & 1);
            if (i + padded > size)
                return false;
            for (unsigned k = 0; k < value && x < width; ++k) {
                const unsigned byte = uint8_t(p[i + (four ? k / 2 : k)]);
                put(four ? ((k & 1) ? byte & 0x0F : byte >> 4) : byte);
            }
            i += padded;
            break;
        }
        }
    }
    return true;
}

/** One uncompressed row of the file into one row of the picture. */
void DecodeRow(const uchar* in, const THeader& header, const std::vector<QRgb>& table, const TChannel* channels,
               QRgb* out)
{
    const qint64 width = header.Width;
    switch (header.Bits) {
    case 1:
    case 4:
    case 8: {
        const int bits = header.Bits;
        const unsigned mask = (1u << bits) - 1;
        const int perByte = 8 / bits;
        for (qint64 x = 0; x < width; ++x) {
            const unsigned byte = in[x / perByte];
            const int shift = 8 - bits * int(x % perByte + 1);
            const unsigned index = (byte >> shift) & mask;
            out[x] = index < table.size() ? table[index] : OutOfTable;
        }
        break;
    }
    case 16:
        for (qint64 x = 0; x < width; ++x) {
            const uint32_t pixel = uint32_t(in[2 * x]) | uint32_t(in[2 * x + 1]) << 8;
            out[x] = qRgb(channels[0].Value(pixel), channels[1].Value(pixel), channels[2].Value(pixel));
        }
        break;
    case 24:
        for (qint64 x = 0; x < width; ++x)
            out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
        break;
    case 32:
        for (qint64 x = 0; x < width; ++x) {
            const uchar* q = in + 4 * x;
            const uint32_t pixel = uint32_t(q[0]) | uint32_t(q[1]) << 8 | uint32_t(q[2]) << 16 | uint32_t(q[3]) << 24;
            out[x] = qRgb(channels[0].Value(pixel), channels[1].Value(pixel), channels[2].Value(pixel));
        }
        break;
    default:
        break;
    }
}

} // namespace

namespace {

/** What the file and information headers say. */
struct THeaders
{
    THeader Header;
    qint64 FileSize = 0;
    qint64 PixelOffset = 0;
    qint64 InfoSize = 0;   // bytes of the information header
    bool Core = false;     // the 12-byte header of the oldest bitmaps
    bool TwoPart = false;  // the 16- or 64-byte header of the two-part bitmaps
    uint16_t Planes = 0;
};

/** Reads the two headers; false for a file that is no bitmap with a header of a known size. */
bool ReadHeaders(QIODevice& device, THeaders& out)
{
    const qint64 fileSize = device.size();
    QByteArray fileHeader;
    if (fileSize < 14 + 12 || !ReadAt(device, 0, 18, fileHeader) || !fileHeader.startsWith("BM"))
        return false;
    out.FileSize = fileSize;
    out.PixelOffset = U32(fileHeader.constData() + 10);
    const qint64 headerSize = U32(fileHeader.constData() + 14);
    out.InfoSize = headerSize;
    const bool core = headerSize == 12;
    const bool twoPart = headerSize == 16 || headerSize == 64;
    out.Core = core;
    out.TwoPart = twoPart;
    if (!core && !twoPart && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108
        && headerSize != 124)
        return false;
    QByteArray info;
    if (!ReadAt(device, 14, headerSize, info))
        return false;
    const char* h = info.constData();

    THeader& header = out.Header;
    if (core) {
        header.Width = U16(h + 4);
        header.Height = U16(h + 6);
        out.Planes = U16(h + 8);
        header.Bits = U16(h + 10);
    } else {
        header.Width = int32_t(U32(h + 4));
        const int32_t height = int32_t(U32(h + 8));
        if (height == INT32_MIN)
            return false;
        header.TopDown = height < 0;
        header.Height = height < 0 ? -qint64(height) : qint64(height);
        out.Planes = U16(h + 12);
        header.Bits = U16(h + 14);
        if (headerSize >= 20)
            header.Compression = U32(h + 16);
        if (headerSize >= 36)
            header.ColoursUsed = U32(h + 32);
        if (headerSize >= 52 && !twoPart) {
            header.Masks[0] = U32(h + 40);
            header.Masks[1] = U32(h + 44);
            header.Masks[2] = U32(h + 48);
            header.HasMasks = true;
        }
    }
    return out.Planes == 1 && header.Width > 0 && header.Height > 0;
}

} // namespace

bool pagemint::BmpSize(QIODevice& device, QSize& size)
{
    THeaders headers;
    if (!ReadHeaders(device, headers) || headers.Header.Width > INT_MAX || headers.Header.Height > INT_MAX)
        return false;
    size = QSize(int(headers.Header.Width), int(headers.Header.Height));
    return true;
}

bool pagemint::DecodeBmp(QIODevice& device, QImage& image, qint64 maxPixels)
{
    THeaders headers;
    if (!ReadHeaders(device, headers))
        return false;
    THeader& header = headers.Header;
    const qint64 fileSize = headers.FileSize;
    const qint64 pixelOffset = headers.PixelOffset;
    const qint64 headerSize = headers.InfoSize;
    const bool core = headers.Core;
    const bool twoPart = headers.TwoPart;
    if (header.Width * header.Height > maxPixels)
        return false;

    // Depth and compression must agree; the two-part header numbers its own schemes past RLE4.
    const int bits = header.Bits;
    const uint32_t compression = header.Compression;
    const bool rle = compression == BiRle8 || compression == BiRle4;
    const bool bitfields = compression == BiBitfields || compression == BiAlphaBitfields;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (compression == BiRle8 && bits != 8)
        return false;
    if (compression == BiRle4 && bits != 4)
        return false;
    if (bitfields && (twoPart || (bits != 16 && bits != 32)))
        return false;
    if (compression != BiRgb && !rle && !bitfields)
        return false;
    if (rle && header.TopDown)   // compressed pictures are stored bottom-up only
        return false;

    qint64 tableStart = 14 + headerSize;
    if (bitfields && !header.HasMasks) {
        // The masks follow a 40-byte header: red, green, blue (and alpha, not used).
        const qint64 count = compression == BiAlphaBitfields ? 4 : 3;
        QByteArray masks;
        if (!ReadAt(device, tableStart, 4 * count, masks))
            return false;
        for (int c = 0; c < 3; ++c)
            header.Masks[c] = U32(masks.constData() + 4 * c);
        tableStart += 4 * count;
    }
    TChannel channels[3];
    if (bitfields) {
        for (int c = 0; c < 3; ++c)
            channels[c] = TChannel(bits == 16 ? header.Masks[c] & 0xFFFF : header.Masks[c]);
        if (!channels[0].Max && !channels[1].Max && !channels[2].Max)
            return false;
    } else if (bits == 16) {
        channels[0] = TChannel(0x7C00);
        channels[1] = TChannel(0x03E0);
        channels[2] = TChannel(0x001F);
    } else if (bits == 32) {
        channels[0] = TChannel(0x00FF0000);
        channels[1] = TChannel(0x0000FF00);
        channels[2] = TChannel(0x000000FF);
    }

    // The colour table lies between the headers and the pixels, inside the file.
    if (pixelOffset < tableStart || pixelOffset >= fileSize)
        return false;
    std::vector<QRgb> table;
    if (bits <= 8) {
        const qint64 entrySize = core ? 3 : 4;
        const qint64 room = (pixelOffset - tableStart) / entrySize;
        qint64 entries;
        if (header.ColoursUsed) {
            // A declared table must lie wholly before the pixels; indexes cannot name more
            // than 2^bits entries.
            entries = std::min(qint64(header.ColoursUsed), qint64(1) << bits);
            if (entries > room)
                return false;
        } else {
            // A full table by default, or as much of it as the file holds before the pixels.
            entries = std::min(qint64(1) << bits, room);
            if (entries < 1)
                return false;
        }
        QByteArray raw;
        if (!ReadAt(device, tableStart, entries * entrySize, raw))
            return false;
        table.reserve(size_t(entries));
        for (qint64 e = 0; e < entries; ++e) {
            const uchar* q = reinterpret_cast<const uchar*>(raw.constData()) + e * entrySize;
            table.push_back(qRgb(q[2], q[1], q[0]));
        }
    }

    QImage picture(int(header.Width), int(header.Height), QImage::Format_RGB32);
    if (picture.isNull())
        return false;

    if (rle) {
        // A valid stream needs at most a few bytes a pixel; what lies beyond is never read.
        const qint64 limit = 4 * header.Width * header.Height + 4 * header.Height + 16;
        QByteArray data;
        if (!ReadAt(device, pixelOffset, std::min(fileSize - pixelOffset, limit), data))
            return false;
        if (!DecodeRle(data, header, table, picture))
            return false;
    } else {
        const qint64 stride = (header.Width * bits + 31) / 32 * 4;
        if (stride * header.Height > fileSize - pixelOffset)
            return false;
        QByteArray row;
        for (qint64 r = 0; r < header.Height; ++r) {
            if (!ReadAt(device, pixelOffset + r * stride, stride, row))
                return false;
            const int target = int(header.TopDown ? r : header.Height - 1 - r);
            DecodeRow(reinterpret_cast<const uchar*>(row.constData()), header, table, channels,
                      reinterpret_cast<QRgb*>(picture.scanLine(target)));
        }
    }
    image = std::move(picture);
    return true;
}
