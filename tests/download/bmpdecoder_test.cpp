// The BMP reader on hand-built files: what it accepts decodes pixel for pixel, and hostile
// headers, palettes and compressed streams give defined pixels or no picture at all.
#include "download/bmpdecoder.h"
#include "download/imagedecoder.h"
#include "download/thumbnail.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>
#include <vector>

using namespace pagemint;

namespace {

constexpr qint64 MaxPixels = 1 << 20;
constexpr QRgb Black = 0xFF000000;
constexpr QRgb Red = 0xFFFF0000;
constexpr QRgb Green = 0xFF00FF00;
constexpr QRgb Blue = 0xFF0000FF;

void Put16(QByteArray& b, quint16 v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void Put32(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

/** A BMP with a 40-byte header; pixelOffset < 0 puts the pixels right after the table. */
QByteArray Bmp(qint32 width, qint32 height, quint16 bits, quint32 compression, const std::vector<QRgb>& table,
               const QByteArray& pixels, qint64 pixelOffset = -1, quint32 coloursUsed = 0,
               const QByteArray& afterHeader = QByteArray())
{
    QByteArray info;
    Put32(info, 40);
    Put32(info, quint32(width));
    Put32(info, quint32(height));
    Put16(info, 1);
    Put16(info, bits);
    Put32(info, compression);
    Put32(info, quint32(pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, coloursUsed);
    Put32(info, 0);
    info += afterHeader;
    for (QRgb c : table) {
        info.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append(char(0));
    }
    const qint64 offset = pixelOffset < 0 ? 14 + info.size() : pixelOffset;
    QByteArray file("BM");
    Put32(file, quint32(offset + pixels.size()));
    Put32(file, 0);
    Put32(file, quint32(offset));
    file += info;
    return file + pixels;
}

bool Decode(QByteArray bytes, QImage& image)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return DecodeBmp(buffer, image, MaxPixels);
}

/** An 8-bit row of indexes padded to four bytes. */
QByteArray Row8(std::initializer_list<int> indexes)
{
    QByteArray row;
    for (int i : indexes)
        row.append(char(i));
    while (row.size() % 4)
        row.append(char(0));
    return row;
}

} // namespace

TEST(BmpDecoderTest, IndexPastTheTableIsBlackNotForeignMemory)
{
    // Two table entries, yet a pixel names index 255 (and 2, just past the end).
    const QByteArray file = Bmp(4, 1, 8, 0, {Red, Green}, Row8({0, 1, 255, 2}), -1, 2);
    QImage image;
    ASSERT_TRUE(Decode(file, image));
    ASSERT_EQ(image.size(), QSize(4, 1));
    EXPECT_EQ(image.pixel(0, 0), Red);
    EXPECT_EQ(image.pixel(1, 0), Green);
    EXPECT_EQ(image.pixel(2, 0), Black);
    EXPECT_EQ(image.pixel(3, 0), Black);
    // The same through the decoder and the tile: deterministic, so two tiles are identical.
    const QImage first = MakeThumbnail(image);
    ASSERT_TRUE(Decode(file, image));
    EXPECT_EQ(MakeThumbnail(image), first);
}

TEST(BmpDecoderTest, HeaderThatPointsOutsideTheFileIsRefused)
{
    QImage image;
    const QByteArray pixels = Row8({1, 1});
    // The pixel offset past the end of the file, and at its very end.
    EXPECT_FALSE(Decode(Bmp(2, 1, 8, 0, {Red, Green}, pixels, 4096), image));
    const QByteArray exact = Bmp(2, 1, 8, 0, {Red, Green}, QByteArray(), 14 + 40 + 8);
    EXPECT_FALSE(Decode(exact, image));
    // A pixel offset inside the headers, or inside the colour table it declares.
    EXPECT_FALSE(Decode(Bmp(2, 1, 8, 0, {Red, Green}, pixels, 20), image));
    EXPECT_FALSE(Decode(Bmp(2, 1, 8, 0, {Red, Green}, pixels, -1, 3), image));
    // Bad sizes: zero width, zero height, a header size no format has, too many pixels.
    EXPECT_FALSE(Decode(Bmp(0, 1, 8, 0, {Red}, pixels), image));
    EXPECT_FALSE(Decode(Bmp(2, 0, 8, 0, {Red}, pixels), image));
    QByteArray badHeader = Bmp(2, 1, 8, 0, {Red, Green}, pixels, -1, 2);
    badHeader[14] = char(41);
    EXPECT_FALSE(Decode(badHeader, image));
    EXPECT_FALSE(Decode(Bmp(2048, 1024, 8, 0, {Red}, QByteArray(2048 * 1024, 0)), image));
    // Unknown depth or compression, and compression that does not fit the depth.
    EXPECT_FALSE(Decode(Bmp(2, 1, 2, 0, {Red}, pixels), image));
    EXPECT_FALSE(Decode(Bmp(2, 1, 8, 4, {Red}, pixels), image));
    EXPECT_FALSE(Decode(Bmp(2, 1, 24, 1, {}, pixels), image));
    // Not a BMP at all, and a file that ends inside its headers.
    EXPECT_FALSE(Decode(QByteArray("GIF89a") + QByteArray(60, 0), image));
    EXPECT_FALSE(Decode(Bmp(2, 1, 8, 0, {Red, Green}, pixels, -1, 2).left(40), image));
}

TEST(BmpDecoderTest, MissingRowsAreNeverShown)
{
    QImage image;
    // Uncompressed: the last of three rows is cut off, so the file is left out.
    const QByteArray rows = Row8({1, 1}) + Row8({1, 1}) + Row8({1, 1});
    ASSERT_TRUE(Decode(Bmp(2, 3, 8, 0, {Red, Green}, rows), image));
    EXPECT_FALSE(Decode(Bmp(2, 3, 8, 0, {Red, Green}, rows).chopped(1), image));

    // RLE8 that ends without its end mark while rows are missing is left out too.
    QByteArray cut;
    cut.append(char(2)).append(char(1)).append(char(0)).append(char(0)); // row 0: two greens, EOL
    EXPECT_FALSE(Decode(Bmp(2, 3, 8, 1, {Red, Green}, cut), image));

    // RLE8 that ends early with its end mark: the skipped pixels take the table's first colour.
    QByteArray early = cut;
    early.append(char(0)).append(char(1));
    ASSERT_TRUE(Decode(Bmp(2, 3, 8, 1, {Red, Green}, early), image));
    EXPECT_EQ(image.pixel(0, 2), Green); // the bottom row comes first
    EXPECT_EQ(image.pixel(1, 2), Green);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(image.pixel(x, y), Red) << x << "," << y;
}

TEST(BmpDecoderTest, RleOverrunIsDroppedAtTheEdges)
{
    QImage image;
    QByteArray rle;
    rle.append(char(200)).append(char(1));            // 200 greens into a 3-pixel row
    rle.append(char(0)).append(char(0));              // EOL
    rle.append(char(0)).append(char(3)).append(char(2)).append(char(1)).append(char(9)).append(char(0));
    // ^ absolute run of three: index 2 (past the table), green, index 9 (past it), padding
    rle.append(char(0)).append(char(2)).append(char(0)).append(char(50)); // delta far above the top
    rle.append(char(5)).append(char(1));              // drawn nowhere
    rle.append(char(0)).append(char(1));
    ASSERT_TRUE(Decode(Bmp(3, 2, 8, 1, {Red, Green}, rle), image));
    EXPECT_EQ(image.pixel(0, 1), Green);
    EXPECT_EQ(image.pixel(1, 1), Green);
    EXPECT_EQ(image.pixel(2, 1), Green);
    EXPECT_EQ(image.pixel(0, 0), Black);
    EXPECT_EQ(image.pixel(1, 0), Green);
    EXPECT_EQ(image.pixel(2, 0), Black);

    // RLE4: a run alternates its two nibbles.
    QByteArray rle4;
    rle4.append(char(3)).append(char(0x10)).append(char(0)).append(char(1));
    ASSERT_TRUE(Decode(Bmp(3, 1, 4, 2, {Red, Green}, rle4), image));
    EXPECT_EQ(image.pixel(0, 0), Green);
    EXPECT_EQ(image.pixel(1, 0), Red);
    EXPECT_EQ(image.pixel(2, 0), Green);
}

TEST(BmpDecoderTest, ValidLayoutsDecodeUpright)
{
    QImage image;
    // Top-down (negative height): the first stored row is the top one.
    const QByteArray rows = Row8({0, 0}) + Row8({1, 1});
    ASSERT_TRUE(Decode(Bmp(2, -2, 8, 0, {Red, Green}, rows), image));
    EXPECT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), Red);
    EXPECT_EQ(image.pixel(1, 1), Green);
    // Bottom-up, the same bytes: the first stored row is the bottom one.
    ASSERT_TRUE(Decode(Bmp(2, 2, 8, 0, {Red, Green}, rows), image));
    EXPECT_EQ(image.pixel(0, 1), Red);
    EXPECT_EQ(image.pixel(1, 0), Green);

    // 1 bit, 9 pixels: the bits run from the high end of each byte.
    QByteArray mono;
    mono.append(char(0xA5)).append(char(0x80)).append(char(0)).append(char(0));
    ASSERT_TRUE(Decode(Bmp(9, 1, 1, 0, {Blue, Red}, mono), image));
    const QRgb expected[9] = {Red, Blue, Red, Blue, Blue, Red, Blue, Red, Red};
    for (int x = 0; x < 9; ++x)
        EXPECT_EQ(image.pixel(x, 0), expected[x]) << x;

    // 16 bits with 5-6-5 masks after the header, 24 bits, and plain 32 bits.
    QByteArray masks;
    Put32(masks, 0xF800);
    Put32(masks, 0x07E0);
    Put32(masks, 0x001F);
    QByteArray p16;
    Put16(p16, 0xF800);
    Put16(p16, 0x07E0);
    ASSERT_TRUE(Decode(Bmp(2, 1, 16, 3, {}, p16, -1, 0, masks), image));
    EXPECT_EQ(image.pixel(0, 0), Red);
    EXPECT_EQ(image.pixel(1, 0), Green);
    QByteArray p24("\xFF\x00\x00\x00\x00\xFF\x00\x00", 8);   // blue, red, padding
    ASSERT_TRUE(Decode(Bmp(2, 1, 24, 0, {}, p24), image));
    EXPECT_EQ(image.pixel(0, 0), Blue);
    EXPECT_EQ(image.pixel(1, 0), Red);
    QByteArray p32("\x00\xFF\x00\x00", 4);
    ASSERT_TRUE(Decode(Bmp(1, 1, 32, 0, {}, p32), image));
    EXPECT_EQ(image.pixel(0, 0), Green);

    // A picture the platform writes reads back pixel for pixel.
    QImage drawn(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            drawn.setPixel(x, y, qRgb(x * 50, y * 100, 7));
    QByteArray saved;
    QBuffer out(&saved);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(drawn.save(&out, "BMP"));
    ASSERT_TRUE(Decode(saved, image));
    EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32), drawn);
}
