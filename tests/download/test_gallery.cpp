// Decoders by extension, hostile files, and the gallery's aligned lists.
#include "download/gallery.h"
#include "download/galleryhost.h"
#include "download/imagedecoder.h"
#include "imagefiles.h"
#include "results/resultlists.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

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

/** Records what the gallery asks of its host; ProcessEvents can run a hook. */
class TRecordingHost : public TGalleryHost
{
public:
    void SetBusy(bool busy) override { Busy += busy ? 1 : -1; }
    void SetWindowEnabled(bool enabled) override { WindowEnabled = enabled; }
    void SetRebuildProgress(bool visible, int percent) override
    {
        ProgressVisible = visible;
        if (visible)
            Progress.push_back(percent);
    }
    void ProcessEvents() override
    {
        if (OnEvents)
            OnEvents();
    }
    int Busy = 0;
    bool WindowEnabled = true;
    bool ProgressVisible = false;
    std::vector<int> Progress;
    std::function<void()> OnEvents;
};

class GalleryTest : public testing::Test
{
protected:
    GalleryTest() : m_gallery(m_lists, m_host)
    {
        m_folder = m_dir.filePath("Images");
        QDir().mkpath(m_folder);
        m_gallery.SetShownTask("Shots");
    }
    QString Picture(const QString& name, QRgb colour = Red)
    {
        const QString path = m_folder + '/' + name;
        EXPECT_TRUE(WriteJpeg(path, SolidImage(50, 40, colour)));
        return path;
    }
    void ExpectAligned()
    {
        const TImagesList& images = m_lists.Images();
        ASSERT_EQ(images.Captions().size(), images.Files().Count());
        for (qsizetype i = 0; i < images.Count(); ++i) {
            EXPECT_EQ(images.Thumbnail(i).size(), QSize(80, 80));
            EXPECT_TRUE(images.Files().Paths().at(i).endsWith('/' + images.Caption(i)));
        }
    }
    QTemporaryDir m_dir;
    QString m_folder;
    TResultLists m_lists;
    TRecordingHost m_host;
    TGallery m_gallery;
};

TEST_F(GalleryTest, CorruptFileInTheMiddleIsDroppedFromAllThreeLists)
{
    Picture("a.jpg");
    WriteAll(m_folder + "/b.jpg", "corrupt");
    Picture("c.jpg");
    WriteAll(m_folder + "/notes.txt", "not a picture");
    m_gallery.LoadGalleryFolder(m_folder + '/');

    EXPECT_EQ(m_lists.Images().Captions(), QStringList({"a.jpg", "c.jpg"}));
    EXPECT_EQ(m_lists.Images().Files().Paths(), QStringList({m_folder + "/a.jpg", m_folder + "/c.jpg"}));
    ExpectAligned();
    // The second thumbnail opens the third file of the listing.
    m_lists.Images().Files().SetCurrent(1);
    EXPECT_EQ(m_lists.Images().Files().CurrentFileName(), QStringLiteral("c.jpg"));

    EXPECT_EQ(m_host.Progress, (std::vector<int>{0, 0, 33, 67}));
    EXPECT_FALSE(m_host.ProgressVisible);
    EXPECT_TRUE(m_host.WindowEnabled);
    EXPECT_EQ(m_host.Busy, 0);
}

TEST_F(GalleryTest, MissingFolderGivesAnEmptyGallery)
{
    m_lists.AddImage("old.jpg", QImage(80, 80, QImage::Format_RGB888), "/x/old.jpg");
    m_gallery.LoadGalleryFolder(m_dir.filePath("nowhere"));
    EXPECT_EQ(m_lists.Images().Count(), 0);
    EXPECT_EQ(m_lists.Images().Files().Count(), 0);
}

TEST_F(GalleryTest, FinishedDownloadsAreShownOnlyWithTheirOwnTask)
{
    const QString red = Picture("red.jpg");
    WriteAll(m_folder + "/archive.zip", "PK\x03\x04");
    EXPECT_TRUE(m_gallery.AddGalleryImage(red, "Shots"));
    EXPECT_FALSE(m_gallery.AddGalleryImage(m_folder + "/archive.zip", "Shots"));
    EXPECT_FALSE(m_gallery.AddGalleryImage(red, "Other task"));
    EXPECT_FALSE(m_gallery.AddGalleryImage(m_folder + "/missing.jpg", "Shots"));
    m_gallery.SetShownTask(QString());
    EXPECT_FALSE(m_gallery.AddGalleryImage(red, ""));
    EXPECT_EQ(m_lists.Images().Captions(), QStringList({"red.jpg"}));
    EXPECT_EQ(m_lists.Images().Files().Paths(), QStringList({red}));
    ExpectAligned();
    EXPECT_EQ(m_host.Busy, 0);
}

TEST_F(GalleryTest, DownloadFinishedDuringARebuildIsAddedAfterItOnce)
{
    Picture("a.jpg");
    Picture("b.jpg");
    const QString late = m_dir.filePath("late.jpg");
    ASSERT_TRUE(WriteJpeg(late, SolidImage(30, 30, Blue)));
    int events = 0;
    m_host.OnEvents = [&] {
        if (++events == 1) {
            EXPECT_FALSE(m_gallery.AddGalleryImage(late, "Shots"));
            EXPECT_FALSE(m_gallery.AddGalleryImage(m_folder + "/b.jpg", "Shots")); // already listed
            EXPECT_EQ(m_lists.Images().Count(), m_lists.Images().Files().Count());
        }
    };
    m_gallery.LoadGalleryFolder(m_folder);
    EXPECT_EQ(m_lists.Images().Captions(), QStringList({"a.jpg", "b.jpg", "late.jpg"}));
    ExpectAligned();
}

TEST_F(GalleryTest, FolderAskedForDuringARebuildReplacesIt)
{
    Picture("a.jpg");
    Picture("b.jpg");
    const QString other = m_dir.filePath("Other");
    QDir().mkpath(other);
    ASSERT_TRUE(WriteJpeg(other + "/z.jpg", SolidImage(20, 20, Blue)));
    bool asked = false;
    m_host.OnEvents = [&] {
        if (!asked) {
            asked = true;
            m_gallery.SetShownTask("Other");
            m_gallery.LoadGalleryFolder(other);
        }
    };
    m_gallery.LoadGalleryFolder(m_folder);
    EXPECT_EQ(m_lists.Images().Captions(), QStringList({"z.jpg"}));
    ExpectAligned();
    EXPECT_TRUE(m_host.WindowEnabled);
    EXPECT_EQ(m_host.Busy, 0);
}

TEST_F(GalleryTest, RebuildGalleryRedrawsTheListedFiles)
{
    const QString a = Picture("a.jpg");
    const QString b = Picture("b.jpg");
    m_gallery.AddGalleryImage(a, "Shots");
    m_gallery.AddGalleryImage(b, "Shots");
    QFile::remove(a);
    m_gallery.RebuildGallery();
    EXPECT_EQ(m_lists.Images().Files().Paths(), QStringList({b}));
    ExpectAligned();
}

} // namespace
