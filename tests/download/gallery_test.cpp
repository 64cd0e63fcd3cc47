// Decoders by extension, hostile files, and the gallery's aligned lists.
#include "download/gallery.h"
#include "download/imagedecoder.h"
#include "download/thumbnailcache.h"
#include "support/fakehosts.h"
#include "support/imagefiles.h"
#include "support/waituntil.h"
#include "results/resultlists.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QRgb Red = 0xFFFF0000;
constexpr QRgb Blue = 0xFF0000FF;

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
bool Near(QRgb a, QRgb b, int tolerance = 12)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

/** Overwrites the width and height of the first SOFn marker of a JPEG. */
QByteArray WithJpegSize(QByteArray jpeg, quint16 width, quint16 height)
{
    for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
        const auto marker = uchar(jpeg[i + 1]);
        if (uchar(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    return QByteArray();
}

class DecoderTest : public testing::Test
{
protected:
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    bool Decodes(const QString& name)
    {
        TDecodedPicture picture;
        return m_decoder.Decode(Path(name), picture);
    }
    QTemporaryDir m_dir;
    TImageDecoder m_decoder;
};

TEST_F(DecoderTest, ChoosesTheDecoderByExtensionAlone)
{
    EXPECT_EQ(TImageDecoder::KindOf("/a/b.JPEG"), TImageDecoder::Kind::Jpeg);
    EXPECT_EQ(TImageDecoder::KindOf("/a/b.jpg"), TImageDecoder::Kind::Jpeg);
    EXPECT_EQ(TImageDecoder::KindOf("/a/b.GiF"), TImageDecoder::Kind::Gif);
    EXPECT_EQ(TImageDecoder::KindOf("/a/b.png"), TImageDecoder::Kind::Bmp);
    EXPECT_EQ(TImageDecoder::KindOf("/a.jpg/b"), TImageDecoder::Kind::Bmp);

    const QImage red = SolidImage(40, 30, Red);
    ASSERT_TRUE(WriteJpeg(Path("upper.JPEG"), red));
    ASSERT_TRUE(red.save(Path("plain.bmp"), "BMP"));
    QFile::copy(Path("upper.JPEG"), Path("photo.dat"));
    QFile::copy(Path("plain.bmp"), Path("bitmap.png"));
    EXPECT_TRUE(Decodes("upper.JPEG"));
    EXPECT_TRUE(Decodes("plain.bmp"));
    EXPECT_TRUE(Decodes("bitmap.png"));   // a BMP under another name is read as BMP
    EXPECT_FALSE(Decodes("photo.dat"));   // a JPEG without a picture extension is tried as BMP
    EXPECT_FALSE(Decodes("missing.jpg"));
}

TEST_F(DecoderTest, LargeJpegIsDecodedReducedButKeepsItsFullSize)
{
    ASSERT_TRUE(WriteJpeg(Path("big.jpg"), SolidImage(4000, 3000, Red)));
    TDecodedPicture picture;
    ASSERT_TRUE(m_decoder.DecodeJpeg(Path("big.jpg"), picture));
    EXPECT_EQ(picture.FullSize, QSize(4000, 3000));
    EXPECT_EQ(picture.Image.size(), QSize(500, 375)); // 1/8 still covers 63 x 48
    EXPECT_TRUE(Near(picture.Image.pixel(250, 180), Red));

    ASSERT_TRUE(WriteJpeg(Path("small.jpg"), SolidImage(100, 50, Blue), 90, true));
    ASSERT_TRUE(m_decoder.DecodeJpeg(Path("small.jpg"), picture));
    EXPECT_EQ(picture.FullSize, QSize(100, 50));
    EXPECT_GE(picture.Image.width(), 63);
    EXPECT_GE(picture.Image.height(), 32);
    EXPECT_TRUE(Near(picture.Image.pixel(10, 10), Blue));
}

TEST_F(DecoderTest, ReducedDecodeCoversTheTileAndTheCacheEntry)
{
    // The least size: the tile's picture area, and the 128-pixel cache entry (never enlarged).
    EXPECT_EQ(TImageDecoder::ReducedSizeNeeded(QSize(4000, 3000)), QSize(128, 96));
    EXPECT_EQ(TImageDecoder::ReducedSizeNeeded(QSize(300, 200)), QSize(128, 85));
    EXPECT_EQ(TImageDecoder::ReducedSizeNeeded(QSize(100, 50)), QSize(100, 50));
    EXPECT_EQ(TImageDecoder::ReducedSizeNeeded(QSize(40, 2000)), QSize(2, 128));
    EXPECT_EQ(TImageDecoder::ReducedSizeNeeded(QSize(60, 20)), QSize(63, 21)); // the tile's area
    EXPECT_TRUE(TImageDecoder::ReducedSizeNeeded(QSize(0, 20)).isEmpty());

    // A 300 x 200 picture is decoded at 4/8, not at the 2/8 the tile alone would allow.
    ASSERT_TRUE(WriteJpeg(Path("medium.jpg"), SolidImage(300, 200, Blue)));
    TDecodedPicture picture;
    ASSERT_TRUE(m_decoder.DecodeJpeg(Path("medium.jpg"), picture));
    EXPECT_EQ(picture.FullSize, QSize(300, 200));
    EXPECT_EQ(picture.Image.size(), QSize(150, 100));
}

/** The JPEG with comment segments of filler inserted after its start marker, total bytes in all. */
QByteArray WithCommentFiller(const QByteArray& jpeg, int total)
{
    QByteArray out = jpeg.left(2);
    for (int left = total; left > 0;) {
        const int chunk = std::min(left, 60000);
        out += QByteArray("\xFF\xFE", 2);
        out += char((chunk + 2) >> 8);
        out += char((chunk + 2) & 0xFF);
        out += QByteArray(chunk, 'c');
        left -= chunk;
    }
    return out + jpeg.mid(2);
}

TEST_F(DecoderTest, JpegLongerThanTheReadBufferDecodesTheSameWhereverItsBlocksEnd)
{
    // Noise at high quality: the entropy-coded data alone spans several of the decoder's reads.
    QImage noise(1600, 1200, QImage::Format_RGB32);
    quint32 seed = 7;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            noise.setPixel(x, y, 0xFF000000 | (seed >> 8));
        }
    ASSERT_TRUE(WriteJpeg(Path("noise.jpg"), noise, 95));
    const QByteArray jpeg = ReadAll(Path("noise.jpg"));
    ASSERT_GT(jpeg.size(), 3 * 256 * 1024);

    TDecodedPicture plain;
    ASSERT_TRUE(m_decoder.Decode(Path("noise.jpg"), plain));
    // Filler in front (skipped, partly across reads) shifts where every read of the picture's
    // data ends; the pixels must not depend on it.
    for (const int filler : {1000, 262141, 300001}) {
        const QString name = QStringLiteral("filler%1.jpg").arg(filler);
        WriteAll(Path(name), WithCommentFiller(jpeg, filler));
        TDecodedPicture shifted;
        ASSERT_TRUE(m_decoder.Decode(Path(name), shifted)) << filler;
        EXPECT_EQ(shifted.FullSize, QSize(1600, 1200));
        EXPECT_EQ(shifted.Image, plain.Image) << filler;
    }
    // Cut short anywhere past the first read, it is refused, and the decoder stays usable.
    WriteAll(Path("cut.jpg"), jpeg.left(jpeg.size() - 1000));
    TDecodedPicture cut;
    EXPECT_FALSE(m_decoder.Decode(Path("cut.jpg"), cut));
    WriteAll(Path("filler-only.jpg"), WithCommentFiller(jpeg, 300000).left(290000));
    EXPECT_FALSE(m_decoder.Decode(Path("filler-only.jpg"), cut));
    TDecodedPicture again;
    ASSERT_TRUE(m_decoder.Decode(Path("noise.jpg"), again));
    EXPECT_EQ(again.Image, plain.Image);
}

TEST_F(DecoderTest, GifGivesItsFirstFrameWithTransparencyOnWhite)
{
    const int w = 16, h = 8;
    TGifFrame first(size_t(w * h), 1);
    first[0] = 2; // transparent
    const TGifFrame second(size_t(w * h), 0);
    ASSERT_TRUE(WriteGif(Path("anim.gif"), w, h, {Blue, Red, 0xFF00FF00}, {first, second}, 2));
    TDecodedPicture picture;
    ASSERT_TRUE(m_decoder.Decode(Path("anim.gif"), picture));
    EXPECT_EQ(picture.FullSize, QSize(w, h));
    EXPECT_EQ(picture.Image.pixel(5, 5), Red);
    EXPECT_EQ(picture.Image.pixel(0, 0), 0xFFFFFFFF);

    TGifFrame rows(size_t(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            rows[size_t(y * w + x)] = uint8_t(y % 2);
    ASSERT_TRUE(WriteGif(Path("interlaced.gif"), w, h, {Blue, Red}, {rows}, -1, true));
    ASSERT_TRUE(m_decoder.Decode(Path("interlaced.gif"), picture));
    for (int y = 0; y < h; ++y)
        EXPECT_EQ(picture.Image.pixel(3, y), y % 2 ? Red : Blue) << y;
}

TEST_F(DecoderTest, HostileFilesAreRefusedWithoutCrashing)
{
    ASSERT_TRUE(WriteJpeg(Path("good.jpg"), SolidImage(300, 200, Red)));
    ASSERT_TRUE(WriteJpeg(Path("prog.jpg"), SolidImage(300, 200, Red), 90, true));
    const QByteArray jpeg = ReadAll(Path("good.jpg"));
    const QByteArray progressive = ReadAll(Path("prog.jpg"));

    WriteAll(Path("empty.jpg"), QByteArray());
    WriteAll(Path("truncated.jpg"), jpeg.left(jpeg.size() / 2));
    WriteAll(Path("header-only.jpg"), jpeg.left(300));
    WriteAll(Path("garbage.jpg"), QByteArray("\xFF\xD8\xFF") + QByteArray(5000, '\x5A'));
    WriteAll(Path("text.jpg"), "<html>not found</html>");
    // Headers that claim enormous pictures: refused before any pixel memory is taken.
    WriteAll(Path("huge.jpg"), WithJpegSize(jpeg, 65500, 65500));
    WriteAll(Path("huge-progressive.jpg"), WithJpegSize(progressive, 40000, 40000));
    WriteAll(Path("zero.jpg"), WithJpegSize(jpeg, 0, 200));
    for (const char* name : {"empty.jpg", "truncated.jpg", "header-only.jpg", "garbage.jpg", "text.jpg",
                             "huge.jpg", "huge-progressive.jpg", "zero.jpg"})
        EXPECT_FALSE(Decodes(name)) << name;
    // The decoder is still usable after all those failures.
    EXPECT_TRUE(Decodes("good.jpg"));
}

/** A progressive JPEG whose last scan is repeated: each copy is one more pass over all blocks. */
QByteArray WithLastScanRepeated(const QByteArray& jpeg, int copies)
{
    const qsizetype lastScan = jpeg.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype end = jpeg.lastIndexOf(QByteArray("\xFF\xD9", 2));
    if (lastScan < 0 || end < lastScan)
        return QByteArray();
    const QByteArray scan = jpeg.mid(lastScan, end - lastScan);
    QByteArray out = jpeg.left(end);
    out.reserve(out.size() + scan.size() * copies + 2);
    for (int i = 0; i < copies; ++i)
        out += scan;
    out += QByteArray("\xFF\xD9", 2);
    return out;
}

TEST_F(DecoderTest, ProgressiveJpegWithEndlessScansIsRefused)
{
    QImage noise(256, 256, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < noise.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (seed >> 8);
        }
    }
    ASSERT_TRUE(WriteJpeg(Path("prog.jpg"), noise, 90, true));
    const QByteArray progressive = ReadAll(Path("prog.jpg"));
    WriteAll(Path("many-scans.jpg"), WithLastScanRepeated(progressive, TImageDecoder::MaxJpegScans));
    EXPECT_TRUE(Decodes("prog.jpg"));
    EXPECT_FALSE(Decodes("many-scans.jpg"));
    EXPECT_TRUE(Decodes("prog.jpg"));
}

TEST_F(DecoderTest, HostileGifsAndBitmapsAreRefused)
{
    const TGifFrame frame(64, 1);
    ASSERT_TRUE(WriteGif(Path("good.gif"), 8, 8, {Blue, Red}, {frame}));
    QByteArray gif = ReadAll(Path("good.gif"));
    WriteAll(Path("truncated.gif"), gif.left(gif.size() - 8));
    QByteArray huge = gif;
    huge[6] = huge[7] = huge[8] = huge[9] = char(0xFF); // screen 65535 x 65535
    WriteAll(Path("huge.gif"), huge);
    QByteArray zero = gif;
    zero[6] = zero[7] = 0;
    WriteAll(Path("zero.gif"), zero);
    WriteAll(Path("notagif.gif"), "GIF89a but not really");

    ASSERT_TRUE(SolidImage(10, 10, Red).save(Path("good.bmp"), "BMP"));
    QByteArray bmp = ReadAll(Path("good.bmp"));
    QByteArray hugeBmp = bmp;
    hugeBmp[18] = hugeBmp[19] = hugeBmp[22] = hugeBmp[23] = char(0xFF);
    hugeBmp[20] = hugeBmp[24] = char(0x7F);
    hugeBmp[21] = hugeBmp[25] = 0;
    WriteAll(Path("huge.bmp"), hugeBmp);
    WriteAll(Path("truncated.bmp"), bmp.left(30));

    EXPECT_TRUE(Decodes("good.gif"));
    for (const char* name : {"truncated.gif", "huge.gif", "notagif.gif", "huge.bmp", "truncated.bmp"})
        EXPECT_FALSE(Decodes(name)) << name;
    // A zero-width screen falls back to the frame; a picture must still have pixels.
    TDecodedPicture picture;
    if (m_decoder.Decode(Path("zero.gif"), picture)) {
        EXPECT_FALSE(picture.Image.isNull());
    }
}

/** Runs work on this thread with the file permissions of an unprivileged user: root opens any
 *  file whatever its mode, and the tests may run as root. */
template <typename TWork>
void WithoutRootAccess(TWork work)
{
    if (::geteuid() != 0) {
        work();
        return;
    }
    ::setfsuid(65534);
    work();
    ::setfsuid(0);
}

TEST_F(DecoderTest, ReadTellsAFileThatCannotBeReadFromContentThatDoesNotDecode)
{
    WriteAll(Path("corrupt.jpg"), "\xFF\xD8\xFF\xDB not a picture");
    TDecodedPicture picture;
    EXPECT_EQ(m_decoder.Read(Path("corrupt.jpg"), picture), TDecodeOutcome::Undecodable);
    EXPECT_EQ(picture.Stamp.Size, 18) << "the stamp is taken even when the content fails";
    EXPECT_EQ(picture.Stamp.MTime, QFileInfo(Path("corrupt.jpg")).lastModified().toSecsSinceEpoch());

    EXPECT_EQ(m_decoder.Read(Path("missing.jpg"), picture), TDecodeOutcome::Unreadable);
    EXPECT_FALSE(picture.Stamp.Valid());
    ASSERT_TRUE(QDir().mkdir(Path("folder.jpg")));
    EXPECT_EQ(m_decoder.Read(Path("folder.jpg"), picture), TDecodeOutcome::Unreadable);

    // A file without read permission is unreadable, and decodes again once it may be read.
    for (const char* name : {"locked.jpg", "locked.gif", "locked.bmp"}) {
        const QString path = Path(name);
        WriteAll(path, QString::fromLatin1(name).endsWith(".jpg")   ? MakeJpeg(40, 30)
                       : QString::fromLatin1(name).endsWith(".gif") ? MakeGif(40, 30)
                                                                   : MakeBmp(40, 30));
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
        TDecodeOutcome locked = TDecodeOutcome::Decoded;
        WithoutRootAccess([&] { locked = m_decoder.Read(path, picture); });
        EXPECT_EQ(locked, TDecodeOutcome::Unreadable) << name;
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
        EXPECT_EQ(m_decoder.Read(path, picture), TDecodeOutcome::Decoded) << name;
        EXPECT_EQ(picture.FullSize, QSize(40, 30)) << name;
    }
}

TEST_F(DecoderTest, FifoUnderAPictureNameIsRefusedWithoutWaitingForAWriter)
{
    // Opening a FIFO for reading waits for a writer: no decoder may open it that way.
    for (const char* name : {"pipe.jpg", "pipe.gif", "pipe.bmp"}) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(Path(name)).constData(), 0644), 0) << name;
        TDecodedPicture picture;
        EXPECT_EQ(m_decoder.Read(Path(name), picture), TDecodeOutcome::Unreadable) << name;
        QSize size;
        EXPECT_FALSE(TImageDecoder::HeaderSize(Path(name), size)) << name;
    }
}

TEST_F(DecoderTest, HeaderSizeIsTheSizeTheDecodeReports)
{
    // A JPEG with a long segment before its frame header, and stray bytes between segments.
    QByteArray jpeg = MakeJpeg(123, 45);
    QByteArray comment("\xFF\xFE\x80\x02");
    comment.append(QByteArray(0x8000, 'c'));
    jpeg.insert(2, comment + QByteArray("\x00\x13 stray"));
    WriteAll(Path("long.jpg"), jpeg);
    WriteAll(Path("picture.gif"), MakeGif(77, 9));
    WriteAll(Path("picture.bmp"), MakeBmp(5, 66));
    ASSERT_TRUE(SolidImage(31, 17, Red).save(Path("topdown.bmp"), "BMP"));
    QByteArray topDown = ReadAll(Path("topdown.bmp"));
    topDown[22] = char(-17); // height -17: rows stored top to bottom
    topDown[23] = topDown[24] = topDown[25] = char(0xFF);
    WriteAll(Path("topdown.bmp"), topDown);
    for (const char* name : {"long.jpg", "picture.gif", "picture.bmp", "topdown.bmp"}) {
        TDecodedPicture picture;
        ASSERT_TRUE(m_decoder.Decode(Path(name), picture)) << name;
        QSize size;
        ASSERT_TRUE(TImageDecoder::HeaderSize(Path(name), size)) << name;
        EXPECT_EQ(size, picture.FullSize) << name;
    }
    WriteAll(Path("cut.jpg"), MakeJpeg(50, 50).left(20));
    WriteAll(Path("garbage.gif"), "not a picture");
    QSize size;
    EXPECT_FALSE(TImageDecoder::HeaderSize(Path("cut.jpg"), size));
    EXPECT_FALSE(TImageDecoder::HeaderSize(Path("garbage.gif"), size));
    EXPECT_FALSE(TImageDecoder::HeaderSize(Path("missing.bmp"), size));
}

/** Holds the workers at pictures whose file name starts with "held" until the test opens it. */
class TGate
{
public:
    void Enter(const QString& path)
    {
        if (!FileNameOfPath(path).startsWith(QStringLiteral("held")))
            return;
        std::unique_lock lock(m_mutex);
        ++m_waiting;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open; });
        --m_waiting;
    }
    /** Waits until a worker is held; false after ten seconds. */
    bool WaitHeld()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_waiting > 0 || m_open; });
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    static QString FileNameOfPath(const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); }
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_waiting = 0;
    bool m_open = false;
};

class GalleryTest : public testing::Test
{
protected:
    GalleryTest() : m_gallery(m_lists, m_host, nullptr, 3)
    {
        m_folder = m_dir.filePath("Images");
        QDir().mkpath(m_folder);
        m_gallery.SetShownTask("Shots");
        m_gallery.Pool().SetWorkerHook([this](const QString& path) {
            m_gate.Enter(path);
            if (m_onWorker)
                m_onWorker(path);
        });
        // Every change of the Images list is checked the moment the views would see it.
        QObject::connect(&m_lists, &TResultLists::RowsAppended, [this](int, int, int) { CheckAligned(); });
        QObject::connect(&m_lists, &TResultLists::TabReset, [this](int) { CheckAligned(); });
    }
    ~GalleryTest() override
    {
        m_gate.Open(); // no worker may stay held while the gallery waits for them
        m_gallery.CancelAll();
        m_gallery.Pool().WaitForWorkers(10000);
    }
    QString Picture(const QString& name, QRgb colour = Red, const QString& folder = QString())
    {
        const QString path = (folder.isEmpty() ? m_folder : folder) + '/' + name;
        EXPECT_TRUE(WriteJpeg(path, SolidImage(50, 40, colour)));
        return path;
    }
    void CheckAligned()
    {
        const TImagesList& images = m_lists.Images();
        ASSERT_EQ(images.Count(), images.Files().Count());
        for (qsizetype i = 0; i < images.Count(); ++i) {
            ASSERT_EQ(images.Thumbnail(i).size(), QSize(80, 80));
            ASSERT_TRUE(images.Files().Paths().at(i).endsWith('/' + images.Caption(i)));
        }
    }
    bool WaitIdle()
    {
        return WaitUntil([&] { return !m_gallery.Busy(); }, 10000);
    }
    QStringList Captions() const { return m_lists.Images().Captions(); }

    QTemporaryDir m_dir;
    QString m_folder;
    TResultLists m_lists;
    TRecordingFrontEnd m_host;
    TGate m_gate;
    std::function<void(const QString&)> m_onWorker; // set only while no worker runs
    TGallery m_gallery;
};

TEST_F(GalleryTest, CorruptFileInTheMiddleIsDroppedFromAllThreeLists)
{
    Picture("a.jpg");
    WriteAll(m_folder + "/b.jpg", "corrupt");
    Picture("c.jpg");
    WriteAll(m_folder + "/notes.txt", "not a picture");
    QSignalSpy finished(&m_gallery, &TGallery::RebuildFinished);
    m_gallery.LoadGalleryFolder(m_folder + '/');
    EXPECT_TRUE(m_gallery.Rebuilding());
    ASSERT_TRUE(finished.wait(10000));

    EXPECT_EQ(Captions(), QStringList({"a.jpg", "c.jpg"}));
    EXPECT_EQ(m_lists.Images().Files().Paths(), QStringList({m_folder + "/a.jpg", m_folder + "/c.jpg"}));
    // The second thumbnail opens the third file of the listing.
    m_lists.Images().Files().SetCurrent(1);
    EXPECT_EQ(m_lists.Images().Files().CurrentFileName(), QStringLiteral("c.jpg"));

    EXPECT_EQ(m_host.ThumbnailProgress, (std::vector<int>{0, 0, 33, 67}));
    EXPECT_FALSE(m_host.ThumbnailProgressVisible);
    EXPECT_EQ(m_host.BusyDepth, 0);
    EXPECT_FALSE(m_gallery.Rebuilding());
}

TEST_F(GalleryTest, MissingFolderGivesAnEmptyGallery)
{
    m_lists.AddImage("old.jpg", QImage(80, 80, QImage::Format_RGB888), "/x/old.jpg");
    m_gallery.LoadGalleryFolder(m_dir.filePath("nowhere"));
    EXPECT_EQ(m_lists.Images().Count(), 0);
    EXPECT_EQ(m_lists.Images().Files().Count(), 0);
    EXPECT_FALSE(m_gallery.Rebuilding());
    EXPECT_EQ(m_host.BusyDepth, 0);
}

TEST_F(GalleryTest, FinishedDownloadsAreShownOnlyWithTheirOwnTask)
{
    const QString red = Picture("red.jpg");
    WriteAll(m_folder + "/archive.zip", "PK\x03\x04");
    EXPECT_TRUE(m_gallery.AddGalleryImage(red, "Shots"));
    EXPECT_TRUE(m_gallery.AddGalleryImage(m_folder + "/archive.zip", "Shots"));
    EXPECT_FALSE(m_gallery.AddGalleryImage(red, "Other task"));
    EXPECT_TRUE(m_gallery.AddGalleryImage(m_folder + "/missing.jpg", "Shots"));
    ASSERT_TRUE(WaitIdle());
    m_gallery.SetShownTask(QString());
    EXPECT_FALSE(m_gallery.AddGalleryImage(red, ""));
    EXPECT_EQ(Captions(), QStringList({"red.jpg"}));
    EXPECT_EQ(m_lists.Images().Files().Paths(), QStringList({red}));
    EXPECT_EQ(m_host.BusyDepth, 0);
}

TEST_F(GalleryTest, DownloadOfAnotherTaskShownMeanwhileIsDropped)
{
    const QString red = Picture("held-red.jpg");
    EXPECT_TRUE(m_gallery.AddGalleryImage(red, "Shots"));
    ASSERT_TRUE(m_gate.WaitHeld());
    m_gallery.SetShownTask("Other");
    m_gate.Open();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_lists.Images().Count(), 0);
}

TEST_F(GalleryTest, DownloadsFinishedDuringARebuildLandOnceAfterIt)
{
    Picture("a.jpg");
    Picture("held-b.jpg");
    Picture("c.jpg");
    const QString late = m_dir.filePath("late.jpg");
    ASSERT_TRUE(WriteJpeg(late, SolidImage(30, 30, Blue)));
    QSignalSpy finished(&m_gallery, &TGallery::RebuildFinished);
    m_gallery.LoadGalleryFolder(m_folder);
    ASSERT_TRUE(m_gate.WaitHeld());
    // Offered while the rebuild waits for b: one outside the folder, one the listing holds.
    EXPECT_TRUE(m_gallery.AddGalleryImage(late, "Shots"));
    EXPECT_TRUE(m_gallery.AddGalleryImage(m_folder + "/c.jpg", "Shots"));
    ASSERT_TRUE(WaitUntil([&] { return m_gallery.Pool().PendingSingles() == 0; }, 10000));
    EXPECT_TRUE(m_gallery.Rebuilding());
    EXPECT_FALSE(Captions().contains("late.jpg")); // never interleaved with the rebuild
    m_gate.Open();
    ASSERT_TRUE(finished.wait(10000));
    TImageFileList listing; // folder order is the platform's listing order
    listing.LoadFromFolder(m_folder);
    QStringList expected = listing.Paths();
    expected.append(late);
    EXPECT_EQ(m_lists.Images().Files().Paths(), expected);
}

TEST_F(GalleryTest, DownloadFinishedAfterARebuildIsAppendedUnlessAlreadyShown)
{
    const QString a = Picture("a.jpg");
    QSignalSpy finished(&m_gallery, &TGallery::RebuildFinished);
    m_gallery.LoadGalleryFolder(m_folder);
    ASSERT_TRUE(finished.wait(10000));
    const QString b = Picture("b.jpg");
    m_gallery.AddGalleryImage(a, "Shots"); // its finish was handled after the listing
    m_gallery.AddGalleryImage(b, "Shots");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Captions(), QStringList({"a.jpg", "b.jpg"}));
}

TEST_F(GalleryTest, AnotherTaskShownDuringARebuildCancelsItAtOnce)
{
    for (int i = 0; i < 6; ++i)
        Picture(QStringLiteral("p%1.jpg").arg(i));
    Picture("held-last.jpg");
    const QString other = m_dir.filePath("Other");
    QDir().mkpath(other);
    Picture("z.jpg", Blue, other);
    Picture("y.jpg", Blue, other);

    m_gallery.LoadGalleryFolder(m_folder);
    ASSERT_TRUE(m_gate.WaitHeld());
    m_gallery.SetShownTask("Other");
    EXPECT_FALSE(m_gallery.Rebuilding());
    EXPECT_EQ(m_host.BusyDepth, 0);
    EXPECT_FALSE(m_host.ThumbnailProgressVisible);
    // The list is the harvester's to empty; nothing of the old rebuild is added from now on.
    const qsizetype shownBefore = m_lists.Images().Count();
    QSignalSpy finished(&m_gallery, &TGallery::RebuildFinished);
    m_gallery.LoadGalleryFolder(other);
    m_gate.Open();
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(finished.count(), 1);
    QStringList captions = Captions();
    captions.sort();
    EXPECT_EQ(captions, QStringList({"y.jpg", "z.jpg"}));
    EXPECT_LE(shownBefore, 6);
    EXPECT_EQ(m_host.BusyDepth, 0);
}

TEST_F(GalleryTest, ListEmptiedFromOutsideDropsTheRebuildAndWaitingDownloads)
{
    Picture("a.jpg");
    Picture("held-b.jpg");
    const QString late = m_dir.filePath("late.jpg");
    ASSERT_TRUE(WriteJpeg(late, SolidImage(30, 30, Blue)));
    m_gallery.LoadGalleryFolder(m_folder);
    ASSERT_TRUE(m_gate.WaitHeld());
    m_gallery.AddGalleryImage(late, "Shots");
    ASSERT_TRUE(WaitUntil([&] { return m_gallery.Pool().PendingSingles() == 0; }, 10000));
    m_lists.ClearTab(TabImages); // a run of the shown task starts
    EXPECT_FALSE(m_gallery.Rebuilding());
    EXPECT_EQ(m_host.BusyDepth, 0);
    m_gate.Open();
    ASSERT_TRUE(WaitIdle());
    m_gallery.Pool().WaitForWorkers(10000);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_lists.Images().Count(), 0);

    // The first picture of the run is then the first item.
    const QString first = Picture("first.jpg");
    m_gallery.AddGalleryImage(first, "Shots");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_lists.Images().Files().Paths(), QStringList({first}));
}

TEST_F(GalleryTest, BusyCursorOnlyUntilTheFirstTileIsShown)
{
    Picture("a.jpg");
    Picture("held-b.jpg");
    int busyAtFirstTile = -1;
    QObject::connect(&m_lists, &TResultLists::RowsAppended, [&](int, int, int) {
        if (busyAtFirstTile < 0)
            busyAtFirstTile = m_host.BusyDepth;
    });
    QSignalSpy finished(&m_gallery, &TGallery::RebuildFinished);
    m_gallery.LoadGalleryFolder(m_folder);
    EXPECT_EQ(m_host.BusyDepth, 1);
    ASSERT_TRUE(WaitUntil([&] { return m_lists.Images().Count() == 1; }, 10000));
    EXPECT_EQ(m_host.BusyDepth, 0);
    EXPECT_TRUE(m_gallery.Rebuilding());
    EXPECT_TRUE(m_host.ThumbnailProgressVisible);
    m_gate.Open();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(busyAtFirstTile, 0);
    EXPECT_EQ(m_host.BusyDepth, 0);
}

TEST_F(GalleryTest, InvariantHoldsWithFailuresDeletionsAndDownloadsDuringTheRebuild)
{
    // 40 pictures: every seventh corrupt, one deleted by the time its worker reaches it,
    // and finished downloads offered while tiles arrive.
    QStringList expected;
    QString doomed;
    for (int i = 0; i < 40; ++i) {
        const QString name = QStringLiteral("p%1.jpg").arg(i, 2, 10, QChar(u'0'));
        if (i % 7 == 3) {
            WriteAll(m_folder + '/' + name, QByteArray("\xFF\xD8\xFF", 3) + QByteArray(100, 'x'));
            continue;
        }
        Picture(name, i % 2 ? Red : Blue);
        if (i == 20)
            doomed = m_folder + '/' + name;
        else
            expected.append(name);
    }
    m_onWorker = [doomed](const QString& path) {
        if (path == doomed)
            QFile::remove(path);
    };
    const QString extra = m_dir.filePath("extra.jpg");
    ASSERT_TRUE(WriteJpeg(extra, SolidImage(20, 60, Blue)));
    int offered = 0;
    QObject::connect(&m_lists, &TResultLists::RowsAppended, [&](int, int, int) {
        if (++offered == 5) {
            m_gallery.AddGalleryImage(extra, "Shots");
            m_gallery.AddGalleryImage(m_folder + "/p01.jpg", "Shots");
        }
    });
    QSignalSpy finished(&m_gallery, &TGallery::RebuildFinished);
    m_gallery.LoadGalleryFolder(m_folder);
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_TRUE(WaitIdle());

    QStringList shown = Captions();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.takeLast(), QStringLiteral("extra.jpg"));
    // Folder order is the platform's listing order: compare with the listing itself.
    TImageFileList listing;
    listing.LoadFromFolder(m_folder);
    QStringList listed;
    for (const QString& path : listing.Paths())
        if (expected.contains(path.mid(path.lastIndexOf('/') + 1)))
            listed.append(path.mid(path.lastIndexOf('/') + 1));
    EXPECT_EQ(shown, listed);
    EXPECT_EQ(m_lists.Images().Count(), expected.size() + 1);
    EXPECT_EQ(m_host.ThumbnailProgress.size(), size_t(40 + 1));
    EXPECT_TRUE(std::is_sorted(m_host.ThumbnailProgress.begin(), m_host.ThumbnailProgress.end()));
    EXPECT_LT(m_host.ThumbnailProgress.back(), 100);
}

TEST_F(GalleryTest, RebuildGalleryRedrawsTheListedFiles)
{
    const QString a = Picture("a.jpg");
    const QString b = Picture("b.jpg");
    m_gallery.AddGalleryImage(a, "Shots");
    m_gallery.AddGalleryImage(b, "Shots");
    ASSERT_TRUE(WaitIdle());
    QFile::remove(a);
    QSignalSpy finished(&m_gallery, &TGallery::RebuildFinished);
    m_gallery.RebuildGallery();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(m_lists.Images().Files().Paths(), QStringList({b}));
}

TEST_F(GalleryTest, TilesAreWrittenToTheCacheOnlyWhenItsWritingIsOn)
{
    QTemporaryDir cacheDir;
    TThumbnailCache cache(cacheDir.path(), false);
    TRecordingFrontEnd host;
    TResultLists lists;
    TGallery gallery(lists, host, &cache, 2);
    gallery.SetShownTask("Shots");
    const QString a = Picture("a.jpg");
    QSignalSpy finished(&gallery, &TGallery::RebuildFinished);
    gallery.LoadGalleryFolder(m_folder);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(lists.Images().Count(), 1);
    EXPECT_FALSE(QFileInfo::exists(cache.NormalPath(a)));

    cache.SetWriteEnabled(true);
    gallery.LoadGalleryFolder(m_folder);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(QFileInfo::exists(cache.NormalPath(a)));
    // The cached entry gives the same tile as the file.
    QImage fromFile;
    ASSERT_TRUE(gallery.MakeTile(a, fromFile));
    gallery.LoadGalleryFolder(m_folder);
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_EQ(lists.Images().Count(), 1);
    const QImage fromCache = lists.Images().Thumbnail(0).convertToFormat(QImage::Format_RGB32);
    const QImage expectedTile = fromFile.convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(Near(fromCache.pixel(40, 40), expectedTile.pixel(40, 40)));
    EXPECT_EQ(fromCache.pixel(0, 0), expectedTile.pixel(0, 0));
}

} // namespace
