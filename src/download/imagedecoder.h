#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

/** A file as it was when a decode opened it: what the shared cache keys an entry on. */
struct TFileStamp
{
    qint64 MTime = 0; // modification time, whole seconds since the epoch
    qint64 Size = -1; // bytes; -1 when no file was opened
    bool Valid() const { return Size >= 0; }
    friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

/** A decoded picture: its pixels, possibly reduced, and the picture's own width and height. */
struct TDecodedPicture
{
    QImage Image;     // the work bitmap; a JPEG is decoded reduced, near the thumbnail's size
    QSize FullSize;   // the picture's own dimensions, from which the thumbnail geometry follows
    TFileStamp Stamp; // the file before its first byte was read; set even when the decode fails
};

/** How a decode ended. */
enum class TDecodeOutcome {
    Decoded,
    Unreadable,  // the file could not be opened or read, or is no regular file (a folder, a FIFO)
    Undecodable, // the file was read, and its content is not a picture this program draws
};

/**
 * The gallery's decoders, chosen by the file's extension alone (letter case ignored):
 * ".jpg"/".jpeg" with libjpeg-turbo, ".gif" with giflib (first frame), anything else as BMP.
 *
 * Every failure is reported as false and nothing else: a missing, empty, truncated or corrupt
 * file, a file that is not what its extension says, a picture of zero width or height, and a
 * picture over the memory bounds below. libjpeg's errors never end the process. Read tells a
 * file that could not be read (Unreadable: missing, no permission, an I/O error) from one whose
 * content does not decode (Undecodable), as only the latter may be remembered as a failure.
 *
 * Only regular files are decoded. The file is opened without blocking, so that a FIFO or a
 * device under a picture's name is refused at once instead of holding the thread for good.
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

    /** Decodes with the decoder the extension selects; picture.Stamp is the file as it was
     *  opened (left invalid when it could not be). */
    TDecodeOutcome Read(const QString& path, TDecodedPicture& picture);
    /** Read, true when it decoded. */
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

    /** The picture's own size as its header gives it, read without decoding the pixels, by
     *  the library or reader the extension selects: the size a decode reports as FullSize.
     *  False when the header cannot be read or gives no size. Any thread. */
    static bool HeaderSize(const QString& path, QSize& size);

private:
    TDecodeOutcome ReadAs(Kind kind, const QString& path, TDecodedPicture& picture);
    TDecodeOutcome DecodeJpegFile(int fd, TDecodedPicture& picture);
    static TDecodeOutcome DecodeGifFile(int fd, TDecodedPicture& picture);
    static TDecodeOutcome DecodeBmpFile(int fd, TDecodedPicture& picture);
    bool JpegHeaderSize(int fd, QSize& size);
    static bool GifHeaderSize(int fd, QSize& size);

    struct TJpeg;
    std::unique_ptr<TJpeg> m_jpeg;
};
