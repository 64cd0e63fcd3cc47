#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

/** A decoded picture: its pixels, possibly reduced, and the picture's own width and height. */
struct TDecodedPicture
{
    QImage Image;     // the work bitmap; a JPEG is decoded reduced, near the thumbnail's size
    QSize FullSize;   // the picture's own dimensions, from which the thumbnail geometry follows
};

/**
 * The gallery's decoders, chosen by the file's extension alone (letter case ignored):
 * ".jpg"/".jpeg" with libjpeg-turbo, ".gif" with giflib (first frame), anything else as BMP.
 *
 * Every failure is reported as false and nothing else: a missing, empty, truncated or corrupt
 * file, a file that is not what its extension says, a picture of zero width or height, and a
 * picture over the memory bounds below. libjpeg's errors never end the process.
 *
 * Memory bounds of one decode:
 *  - the work bitmap holds at most MaxDecodedPixels (32 megapixels, 128 MB at 4 bytes a pixel),
 *    checked against the header before any pixel memory is allocated;
 *  - a JPEG is decoded at the smallest DCT scale (1/8 .. 8/8) whose result still covers
 *    ReducedSizeNeeded (the tile's picture area and the shared cache's "normal" entry), so
 *    that neither is drawn from fewer pixels than it shows; libjpeg's own working memory is
 *    capped at MaxJpegWorkingMemory (512 MB; progressive files keep all coefficients in memory);
 *  - a JPEG of more than MaxJpegScans scans is refused: every scan of a progressive file is
 *    another pass over the whole picture, and a hostile file can repeat scans without end.
 *
 * One instance is reused for every file (the JPEG decompressor and its 256 KB read buffer are
 * kept between files). Not thread-safe: one instance per thread.
 */
class TImageDecoder
{
public:
    static constexpr qint64 MaxDecodedPixels = 32LL * 1024 * 1024;
    static constexpr long MaxJpegWorkingMemory = 512L * 1024 * 1024;
    static constexpr int MaxJpegScans = 500;
    /** The longest side of the shared thumbnail cache's "normal" entries. */
    static constexpr int NormalEntrySize = 128;

    enum class Kind { Jpeg, Gif, Bmp };
    /** The decoder a path gets by its extension. */
    static Kind KindOf(const QString& path);

    TImageDecoder();
    ~TImageDecoder();
    TImageDecoder(const TImageDecoder&) = delete;
    TImageDecoder& operator=(const TImageDecoder&) = delete;

    /** Decodes with the decoder the extension selects. */
    bool Decode(const QString& path, TDecodedPicture& picture);
    bool DecodeJpeg(const QString& path, TDecodedPicture& picture);
    bool DecodeGif(const QString& path, TDecodedPicture& picture);
    bool DecodeBmp(const QString& path, TDecodedPicture& picture);

    /** The size a picture of the given dimensions is drawn at inside the thumbnail:
     *  63 x (H x 64 div W) for landscape, (W x 64 div H) x 63 otherwise. */
    static QSize PictureArea(QSize fullSize);
    /** The least size a reduced decode must have: PictureArea, and the picture scaled to fit
     *  NormalEntrySize x NormalEntrySize (never enlarged). Empty for an empty fullSize. */
    static QSize ReducedSizeNeeded(QSize fullSize);

private:
    struct TJpeg;
    std::unique_ptr<TJpeg> m_jpeg;
};
