// MakeThumbnail pixel for pixel: raised bevel, sunken bevel, picture rectangle, fill.
#include "download/thumbnail.h"
#include "support/imagefiles.h"

#include <QRect>
#include <gtest/gtest.h>

using namespace pagemint;

namespace {

constexpr QRgb Face = DefaultButtonFace;
constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Grey = 0xFF808080;
constexpr QRgb Red = 0xFFFF0000;

/** The bounding box of the pixels of one colour, and how many there are. */
QRect BoxOf(const QImage& tile, QRgb colour, int* count)
{
    QRect box;
    *count = 0;
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            if (tile.pixel(x, y) == colour) {
                box |= QRect(x, y, 1, 1);
                ++*count;
            }
    return box;
}

void ExpectRaisedBevel(const QImage& tile)
{
    for (int i = 0; i < 80; ++i) {
        EXPECT_EQ(tile.pixel(i, 0), White) << "top " << i;
        EXPECT_EQ(tile.pixel(i, 79), Grey) << "bottom " << i;
    }
    for (int i = 1; i < 79; ++i) {
        EXPECT_EQ(tile.pixel(0, i), White) << "left " << i;
        EXPECT_EQ(tile.pixel(79, i), Grey) << "right " << i;
    }
    EXPECT_EQ(tile.pixel(0, 79), Grey);  // the white left edge stops short of its end point
    EXPECT_EQ(tile.pixel(79, 0), White); // the grey right edge stops short of its end point
}

/** Expects a horizontal run of one colour from x0 to x1 inclusive. */
void ExpectRow(const QImage& tile, int y, int x0, int x1, QRgb colour, const char* what)
{
    for (int x = x0; x <= x1; ++x)
        EXPECT_EQ(tile.pixel(x, y), colour) << what << " at " << x << "," << y;
}
void ExpectColumn(const QImage& tile, int x, int y0, int y1, QRgb colour, const char* what)
{
    for (int y = y0; y <= y1; ++y)
        EXPECT_EQ(tile.pixel(x, y), colour) << what << " at " << x << "," << y;
}

TEST(MakeThumbnailTest, LandscapeIsCentredVertically)
{
    // 200 x 100: s = 32, o = 16, picture 63 x 32 from (8, 24).
    const QImage tile = MakeThumbnail(SolidImage(200, 100, Red));
    ASSERT_EQ(tile.size(), QSize(80, 80));
    EXPECT_EQ(tile.format(), QImage::Format_RGB888);
    ExpectRaisedBevel(tile);
    int count = 0;
    EXPECT_EQ(BoxOf(tile, Red, &count), QRect(8, 24, 63, 32));
    EXPECT_EQ(count, 63 * 32);
    ExpectRow(tile, 23, 8, 71, Grey, "sunken top");
    ExpectColumn(tile, 7, 23, 55, Grey, "sunken left");
    ExpectRow(tile, 56, 7, 71, White, "sunken bottom");
    ExpectColumn(tile, 71, 24, 56, White, "sunken right");
    EXPECT_EQ(tile.pixel(7, 56), White);
    EXPECT_EQ(tile.pixel(72, 40), Face);
    EXPECT_EQ(tile.pixel(40, 22), Face);
    EXPECT_EQ(tile.pixel(40, 57), Face);
    EXPECT_EQ(tile.pixel(6, 40), Face);
}

TEST(MakeThumbnailTest, PortraitIsCentredHorizontally)
{
    // 100 x 200: s = 32, o = 16, picture from (24, 8) to (56, 71) exclusive.
    const QImage tile = MakeThumbnail(SolidImage(100, 200, Red));
    ExpectRaisedBevel(tile);
    int count = 0;
    EXPECT_EQ(BoxOf(tile, Red, &count), QRect(24, 8, 32, 63));
    EXPECT_EQ(count, 32 * 63);
    ExpectRow(tile, 7, 24, 56, Grey, "sunken top");
    ExpectColumn(tile, 23, 7, 70, Grey, "sunken left");
    ExpectRow(tile, 71, 23, 55, White, "sunken bottom");
    ExpectColumn(tile, 56, 8, 71, White, "sunken right");
    EXPECT_EQ(tile.pixel(23, 71), White);
    EXPECT_EQ(tile.pixel(57, 40), Face);
    EXPECT_EQ(tile.pixel(22, 40), Face);
    EXPECT_EQ(tile.pixel(40, 72), Face);
}

TEST(MakeThumbnailTest, SquareFillsSixtyFourBySixtyThree)
{
    const QImage tile = MakeThumbnail(SolidImage(64, 64, Red));
    ExpectRaisedBevel(tile);
    int count = 0;
    EXPECT_EQ(BoxOf(tile, Red, &count), QRect(8, 8, 64, 63));
    EXPECT_EQ(count, 64 * 63);
    ExpectRow(tile, 7, 8, 72, Grey, "sunken top");
    ExpectColumn(tile, 7, 7, 70, Grey, "sunken left");
    ExpectRow(tile, 71, 7, 71, White, "sunken bottom");
    ExpectColumn(tile, 72, 8, 71, White, "sunken right");
}

TEST(MakeThumbnailTest, GeometryComesFromTheFullSizeNotTheReducedDecode)
{
    // A 1001 x 500 picture decoded at 1/8 is 126 x 63, whose own ratio would give s = 32.
    const QImage tile = MakeThumbnail(SolidImage(126, 63, Red), QSize(1001, 500));
    int count = 0;
    EXPECT_EQ(BoxOf(tile, Red, &count), QRect(8, 24, 63, 31)); // 500 * 64 / 1001 = 31, o = 16
    EXPECT_EQ(count, 63 * 31);
}

TEST(MakeThumbnailTest, ThinPictureKeepsOnlyTheBevelsAndEmptyPictureFails)
{
    const QImage thin = MakeThumbnail(SolidImage(1000, 10, Red));
    ASSERT_FALSE(thin.isNull());
    int count = 0;
    BoxOf(thin, Red, &count);
    EXPECT_EQ(count, 0);
    ExpectRaisedBevel(thin);

    EXPECT_TRUE(MakeThumbnail(QImage()).isNull());
    EXPECT_TRUE(MakeThumbnail(SolidImage(10, 10, Red), QSize(0, 10)).isNull());
}

TEST(MakeThumbnailTest, TakesTheFrontEndsButtonFace)
{
    const QImage tile = MakeThumbnail(SolidImage(64, 64, Red), qRgb(1, 2, 3));
    EXPECT_EQ(tile.pixel(3, 3), qRgb(1, 2, 3));
}

} // namespace
