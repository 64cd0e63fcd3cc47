// The shared thumbnail cache: keys, entries, staleness, other programs' entries, the fail
// folder, unwritable folders, and tiles drawn from entries against tiles drawn from the file.
#include "download/imagedecoder.h"
#include "download/thumbnail.h"
#include "download/thumbnailcache.h"
#include "support/imagefiles.h"
#include "support/photolike.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pagemint;

namespace {

class ThumbnailCacheTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_pictures = m_dir.path() + QStringLiteral("/pictures");
        m_base = m_dir.path() + QStringLiteral("/cache/thumbnails");
        ASSERT_TRUE(QDir().mkpath(m_pictures));
    }

    QString Jpeg(const QString& name, int width, int height, quint32 seed = 1)
    {
        const QString path = m_pictures + u'/' + name;
        EXPECT_TRUE(WriteJpeg(path, PhotoLikeImage(width, height, seed), 90));
        return path;
    }

    static TDecodedPicture Decode(const QString& path)
    {
        TImageDecoder decoder;
        TDecodedPicture picture;
        EXPECT_TRUE(decoder.Decode(path, picture)) << path.toStdString();
        return picture;
    }

    /** Writes an entry the way another program would: only the keys it chooses. */
    static void WriteForeignEntry(const QString& entryPath, QImage image, const QList<QPair<QString, QString>>& keys)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(entryPath).absolutePath()));
        for (const auto& [key, value] : keys)
            image.setText(key, value);
        ASSERT_TRUE(image.save(entryPath, "png"));
    }

    static QString MTimeOf(const QString& path)
    {
        return QString::number(QFileInfo(path).lastModified().toSecsSinceEpoch());
    }

    static void SetMTime(const QString& path, qint64 seconds)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(seconds), QFileDevice::FileModificationTime));
    }

    QTemporaryDir m_dir;
    QString m_pictures;
    QString m_base;
};

TEST(ThumbnailCacheKeyTest, UriIsEscapedAndHashed)
{
    // The example the shared cache's conventions are usually explained with.
    EXPECT_EQ(TThumbnailCache::FileUri(QStringLiteral("/home/jens/photos/me.png")),
              QByteArray("file:///home/jens/photos/me.png"));
    EXPECT_EQ(TThumbnailCache::EntryName(QStringLiteral("/home/jens/photos/me.png")),
              QStringLiteral("c6ee772d9e49320e97ec29a7eb5b1697.png"));

    // Spaces, non-ASCII letters and the characters a URI path cannot hold are escaped; the
    // ones it can hold are kept as they are, as file managers write them.
    EXPECT_EQ(TThumbnailCache::FileUri(QString::fromUtf8("/p/a b/\xC3\xBC;#?%[x]{}\"<>^`|\\.jpg")),
              QByteArray("file:///p/a%20b/%C3%BC%3B%23%3F%25%5Bx%5D%7B%7D%22%3C%3E%5E%60%7C%5C.jpg"));
    EXPECT_EQ(TThumbnailCache::FileUri(QStringLiteral("/p/x-_.~!*'()$&+,:=@y.jpg")),
              QByteArray("file:///p/x-_.~!*'()$&+,:=@y.jpg"));
    // Ordinary names come out as QUrl writes them.
    for (const char* path : {"/tmp/Task/Images/IMG 0001.JPG", "/tmp/\xC3\xA9t\xC3\xA9/a+b(1).jpg"}) {
        const QString p = QString::fromUtf8(path);
        EXPECT_EQ(TThumbnailCache::FileUri(p), QUrl::fromLocalFile(p).toEncoded()) << path;
    }
    // A relative path is keyed as the absolute file it names.
    EXPECT_EQ(TThumbnailCache::FileUri(QStringLiteral("x.jpg")),
              TThumbnailCache::FileUri(QDir::currentPath() + QStringLiteral("/x.jpg")));
}

TEST(ThumbnailCacheKeyTest, DefaultFolderFollowsTheCacheVariable)
{
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", "/var/tmp/xdg");
    EXPECT_EQ(TThumbnailCache::DefaultBaseFolder(), QStringLiteral("/var/tmp/xdg/thumbnails"));
    qputenv("XDG_CACHE_HOME", "relative/ignored");
    EXPECT_EQ(TThumbnailCache::DefaultBaseFolder(), QDir::homePath() + QStringLiteral("/.cache/thumbnails"));
    qunsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(TThumbnailCache::DefaultBaseFolder(), QDir::homePath() + QStringLiteral("/.cache/thumbnails"));
    if (!saved.isNull())
        qputenv("XDG_CACHE_HOME", saved);
}

TEST_F(ThumbnailCacheTest, StoredEntryIsAPrivateNormalSizePngThatReadsBack)
{
    const QString path = Jpeg(QStringLiteral("photo.jpg"), 1600, 900);
    TThumbnailCache cache(m_base);
    ASSERT_TRUE(cache.Store(path, Decode(path)));

    const QString entry = cache.NormalPath(path);
    QImageReader reader(entry, "png");
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(128, 72));
    EXPECT_EQ(image.text(QStringLiteral("Thumb::URI")), QString::fromLatin1(TThumbnailCache::FileUri(path)));
    EXPECT_EQ(image.text(QStringLiteral("Thumb::MTime")), MTimeOf(path));
    EXPECT_EQ(image.text(QStringLiteral("Thumb::Size")), QString::number(QFileInfo(path).size()));
    EXPECT_EQ(image.text(QStringLiteral("Thumb::Image::Width")), QStringLiteral("1600"));
    EXPECT_EQ(image.text(QStringLiteral("Thumb::Image::Height")), QStringLiteral("900"));

    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(entry).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    for (const QString& folder : {m_base, m_base + QStringLiteral("/normal")}) {
        ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder.toStdString();
    }
    // Nothing but the entry is left behind (no temporary files).
    EXPECT_EQ(QDir(m_base + QStringLiteral("/normal")).entryList(QDir::Files | QDir::Hidden).size(), 1);

    TCachedThumbnail cached;
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    EXPECT_EQ(cached.FullSize, QSize(1600, 900));
    EXPECT_EQ(cached.Image.size(), QSize(128, 72));
}

TEST_F(ThumbnailCacheTest, ChangedFileMakesTheEntryStale)
{
    const QString path = Jpeg(QStringLiteral("photo.jpg"), 640, 480);
    TThumbnailCache cache(m_base);
    ASSERT_TRUE(cache.Store(path, Decode(path)));
    TCachedThumbnail cached;
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);

    const qint64 mtime = QFileInfo(path).lastModified().toSecsSinceEpoch();
    SetMTime(path, mtime - 100);
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss) << "older time";

    // Same time, other content and size (a download that replaced the file within a second).
    Jpeg(QStringLiteral("photo.jpg"), 320, 240, 7);
    SetMTime(path, mtime);
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss) << "other size";

    // Stored again, the entry is replaced in place and is current.
    ASSERT_TRUE(cache.Store(path, Decode(path)));
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    EXPECT_EQ(cached.FullSize, QSize(320, 240));

    // A deleted file has no entry at all.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss);
}

TEST_F(ThumbnailCacheTest, PreparedEntryOfAFileChangedSinceIsNotWritten)
{
    const QString path = Jpeg(QStringLiteral("photo.jpg"), 640, 480);
    TThumbnailCache cache(m_base);
    TThumbnailCache::TEntry entry;
    ASSERT_TRUE(cache.PrepareEntry(path, Decode(path), entry));
    EXPECT_EQ(entry.Image.size(), QSize(128, 96));

    // Replaced before the entry was written: the entry would carry the new file's keys with
    // the old picture, so it is not written at all.
    Jpeg(QStringLiteral("photo.jpg"), 320, 240, 5);
    SetMTime(path, QFileInfo(path).lastModified().toSecsSinceEpoch() + 10);
    EXPECT_FALSE(cache.StoreEntry(entry));
    EXPECT_FALSE(QFileInfo::exists(cache.NormalPath(path)));

    ASSERT_TRUE(cache.PrepareEntry(path, Decode(path), entry));
    ASSERT_TRUE(cache.StoreEntry(entry));
    TCachedThumbnail cached;
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    EXPECT_EQ(cached.FullSize, QSize(320, 240));

    // Nothing is prepared with writing off, or for a file that is gone.
    TThumbnailCache off(m_base, false);
    EXPECT_FALSE(off.PrepareEntry(path, Decode(path), entry));
    const TDecodedPicture picture = Decode(path);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(cache.PrepareEntry(path, picture, entry));
}

TEST_F(ThumbnailCacheTest, SmallPictureStillGetsAFullSizeEntry)
{
    // 300 x 200 needs only a quarter-scale decode for its tile; its entry is still 128 wide.
    const QString path = Jpeg(QStringLiteral("small.jpg"), 300, 200);
    TThumbnailCache cache(m_base);
    ASSERT_TRUE(cache.Store(path, Decode(path)));
    TCachedThumbnail cached;
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    EXPECT_EQ(cached.Image.size(), QSize(128, 85));
    EXPECT_EQ(cached.FullSize, QSize(300, 200));
}

TEST_F(ThumbnailCacheTest, EntriesOfOtherProgramsAreUsedWhenTheyMatch)
{
    const QString path = Jpeg(QStringLiteral("photo.jpg"), 128, 64);
    const QString uri = QString::fromLatin1(TThumbnailCache::FileUri(path));
    TThumbnailCache cache(m_base);
    TCachedThumbnail cached;

    // Only the two keys every writer sets; the picture's size comes from the file's header.
    WriteForeignEntry(cache.NormalPath(path), SolidImage(128, 64, 0xFF00FF00),
                      {{QStringLiteral("Thumb::URI"), uri}, {QStringLiteral("Thumb::MTime"), MTimeOf(path)}});
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    EXPECT_EQ(cached.FullSize, QSize(128, 64));
    EXPECT_EQ(cached.Image.pixel(5, 5), 0xFF00FF00);

    // Another URI under the same name (a collision, or a hand-made file) is not this file's.
    WriteForeignEntry(cache.NormalPath(path), SolidImage(128, 64, 0xFF00FF00),
                      {{QStringLiteral("Thumb::URI"), QStringLiteral("file:///elsewhere.jpg")},
                       {QStringLiteral("Thumb::MTime"), MTimeOf(path)}});
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss);

    // An entry turned upright by its writer while recording the stored size would draw a
    // distorted tile: it is passed over.
    WriteForeignEntry(cache.NormalPath(path), SolidImage(64, 128, 0xFF00FF00),
                      {{QStringLiteral("Thumb::URI"), uri},
                       {QStringLiteral("Thumb::MTime"), MTimeOf(path)},
                       {QStringLiteral("Thumb::Image::Width"), QStringLiteral("1000")},
                       {QStringLiteral("Thumb::Image::Height"), QStringLiteral("500")}});
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss);

    // A "large" entry serves when there is no usable "normal" one.
    WriteForeignEntry(cache.LargePath(path), SolidImage(256, 128, 0xFF0000FF),
                      {{QStringLiteral("Thumb::URI"), uri}, {QStringLiteral("Thumb::MTime"), MTimeOf(path) + ".0"}});
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    EXPECT_EQ(cached.Image.size(), QSize(256, 128));

    // Garbage under the entry's name is a miss, not a failure.
    QFile garbage(cache.NormalPath(path));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
    garbage.write("\x89PNG not really");
    garbage.close();
    ASSERT_TRUE(QFile::remove(cache.LargePath(path)));
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss);
}

TEST_F(ThumbnailCacheTest, FailEntryHoldsUntilTheFileChanges)
{
    const QString path = m_pictures + QStringLiteral("/broken.jpg");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\xFF\xD8\xFF\xE0 not a picture");
    }
    TThumbnailCache cache(m_base);
    ASSERT_TRUE(cache.StoreFailure(path));
    EXPECT_TRUE(cache.FailPath(path).startsWith(m_base + QStringLiteral("/fail/pagemint-")));
    EXPECT_TRUE(QFileInfo::exists(cache.FailPath(path)));
    EXPECT_FALSE(QFileInfo::exists(cache.NormalPath(path)));
    TCachedThumbnail cached;
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Failed);

    SetMTime(path, QFileInfo(path).lastModified().toSecsSinceEpoch() + 5);
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss);
}

int MaxChannelDifference(const QImage& a, const QImage& b, const QRect& rect, bool* outsideEqual);
QRect PictureRect(QSize full);

TEST_F(ThumbnailCacheTest, FileStillBeingWrittenGetsNoEntryForItsFinishedState)
{
    // A download is written under its final name: decoded half-written, it fails, and is
    // complete before the failure is recorded. The record would describe the finished file.
    const QString path = m_pictures + QStringLiteral("/download.jpg");
    const QByteArray complete = MakeJpeg(200, 150);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(complete.left(complete.size() / 2));
    }
    TImageDecoder decoder;
    TDecodedPicture half;
    ASSERT_EQ(decoder.Read(path, half), TDecodeOutcome::Undecodable);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(complete.mid(complete.size() / 2));
    }
    TThumbnailCache cache(m_base);
    EXPECT_FALSE(cache.StoreFailure(path, half.Stamp));
    TCachedThumbnail cached;
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss);

    // The same for a picture that decoded and was replaced before its entry was made.
    TDecodedPicture before;
    ASSERT_EQ(decoder.Read(path, before), TDecodeOutcome::Decoded);
    ASSERT_TRUE(WriteJpeg(path, PhotoLikeImage(640, 480, 3)));
    EXPECT_FALSE(cache.Store(path, before));
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss);

    // Unchanged since the decode, the file gets its entries.
    TDecodedPicture now;
    ASSERT_EQ(decoder.Read(path, now), TDecodeOutcome::Decoded);
    ASSERT_TRUE(cache.Store(path, now));
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    EXPECT_EQ(cached.FullSize, QSize(640, 480));
}

TEST_F(ThumbnailCacheTest, TransparentForeignEntryIsDrawnOnWhite)
{
    // The gallery's own decodes put transparent pixels on white; an entry another program
    // wrote with an alpha channel must not turn them black.
    const QString path = Jpeg(QStringLiteral("logo.jpg"), 128, 64);
    QImage entry(128, 64, QImage::Format_ARGB32);
    entry.fill(Qt::transparent);
    for (int y = 0; y < 64; ++y)
        for (int x = 64; x < 128; ++x)
            entry.setPixel(x, y, 0xFF0000FF);
    for (int x = 0; x < 64; ++x)
        entry.setPixel(x, 0, 0x80000000); // half-transparent black: mid grey on white
    TThumbnailCache cache(m_base);
    WriteForeignEntry(cache.NormalPath(path), entry,
                      {{QStringLiteral("Thumb::URI"), QString::fromLatin1(TThumbnailCache::FileUri(path))},
                       {QStringLiteral("Thumb::MTime"), MTimeOf(path)}});
    TCachedThumbnail cached;
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    EXPECT_FALSE(cached.Image.hasAlphaChannel());
    EXPECT_EQ(cached.Image.pixel(10, 30), 0xFFFFFFFF);
    EXPECT_EQ(cached.Image.pixel(100, 30), 0xFF0000FF);
    EXPECT_NEAR(qRed(cached.Image.pixel(10, 0)), 127, 1);

    // In the tile: the picture fills x 8..70, y 24..55.
    const QImage tile = MakeThumbnail(cached.Image, cached.FullSize);
    EXPECT_EQ(tile.pixel(12, 40), 0xFFFFFFFF);
    EXPECT_EQ(tile.pixel(66, 40), 0xFF0000FF);
}

TEST_F(ThumbnailCacheTest, ForeignEntryWithoutSizeTakesTheFilesHeader)
{
    // 1000 x 342 in a 128 x 44 entry: the entry's own proportions give a picture 22 rows
    // high, the file's 21; the bevels must sit where the file puts them.
    const QString path = Jpeg(QStringLiteral("wide.jpg"), 1000, 342);
    const TDecodedPicture picture = Decode(path);
    const QImage fromFile = MakeThumbnail(picture.Image, picture.FullSize);
    const auto keys = [&] {
        return QList<QPair<QString, QString>>{
            {QStringLiteral("Thumb::URI"), QString::fromLatin1(TThumbnailCache::FileUri(path))},
            {QStringLiteral("Thumb::MTime"), MTimeOf(path)}};
    };
    TThumbnailCache cache(m_base);
    WriteForeignEntry(cache.NormalPath(path),
                      picture.Image.scaled(128, 44, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), keys());
    TCachedThumbnail cached;
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    EXPECT_EQ(cached.FullSize, QSize(1000, 342));
    const QImage fromCache = MakeThumbnail(cached.Image, cached.FullSize);
    bool outsideEqual = false;
    EXPECT_LE(MaxChannelDifference(fromFile, fromCache, PictureRect(picture.FullSize), &outsideEqual), 6);
    EXPECT_TRUE(outsideEqual);

    // An entry its writer turned upright (from the picture's orientation tag) would give a
    // portrait tile for a landscape file: it is passed over.
    WriteForeignEntry(cache.NormalPath(path), SolidImage(44, 128, 0xFF00FF00), keys());
    EXPECT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Miss);
}

TEST_F(ThumbnailCacheTest, WritingOffOrImpossibleLeavesNothingAndStillReads)
{
    const QString path = Jpeg(QStringLiteral("photo.jpg"), 400, 300);
    const TDecodedPicture picture = Decode(path);

    TThumbnailCache off(m_base, false);
    EXPECT_FALSE(off.Store(path, picture));
    EXPECT_FALSE(off.StoreFailure(path));
    EXPECT_FALSE(QFileInfo::exists(m_base));

    // Reading still happens with writing off.
    TThumbnailCache writer(m_base);
    ASSERT_TRUE(writer.Store(path, picture));
    TCachedThumbnail cached;
    EXPECT_EQ(off.Lookup(path, cached), TThumbnailCache::TLookup::Hit);

    // A cache folder that cannot exist (a file is in the way) fails quietly.
    QFile blocker(m_dir.path() + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TThumbnailCache blocked(m_dir.path() + QStringLiteral("/blocker/thumbnails"));
    EXPECT_FALSE(blocked.Store(path, picture));
    EXPECT_FALSE(blocked.StoreFailure(path));
    EXPECT_EQ(blocked.Lookup(path, cached), TThumbnailCache::TLookup::Miss);

    // A picture whose file is gone gets no entry.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(writer.Store(path, picture));
}

/** The largest difference of one colour channel between two tiles inside rect, and whether
 *  every pixel outside it is the same. */
int MaxChannelDifference(const QImage& a, const QImage& b, const QRect& rect, bool* outsideEqual)
{
    int worst = 0;
    *outsideEqual = true;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (!rect.contains(x, y)) {
                *outsideEqual = *outsideEqual && p == q;
                continue;
            }
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

/** The rectangle MakeThumbnail fills with the picture. */
QRect PictureRect(QSize full)
{
    const QSize area = TImageDecoder::PictureArea(full);
    return full.height() < full.width() ? QRect(8, (64 - area.height()) / 2 + 8, area.width(), area.height())
                                        : QRect((64 - area.width()) / 2 + 8, 8, area.width(), area.height());
}

class ThumbnailCacheTileTest : public ThumbnailCacheTest, public testing::WithParamInterface<QSize>
{
};

TEST_P(ThumbnailCacheTileTest, TileFromEntryMatchesTileFromFile)
{
    const QSize size = GetParam();
    const QString path = Jpeg(QStringLiteral("photo.jpg"), size.width(), size.height(), quint32(size.width()));
    const TDecodedPicture picture = Decode(path);
    const QImage fromFile = MakeThumbnail(picture.Image, picture.FullSize);

    TThumbnailCache cache(m_base);
    ASSERT_TRUE(cache.Store(path, picture));
    TCachedThumbnail cached;
    ASSERT_EQ(cache.Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    const QImage fromCache = MakeThumbnail(cached.Image, cached.FullSize);
    ASSERT_EQ(fromCache.size(), fromFile.size());

    // Geometry and bevels are the same pixel for pixel; inside the picture the two scalings
    // (file to tile, and file to entry to tile) may round differently by a few levels: at
    // most 6 of 255 in any channel (2 or 3 is what these pictures show).
    bool outsideEqual = false;
    const int worst = MaxChannelDifference(fromFile, fromCache, PictureRect(picture.FullSize), &outsideEqual);
    EXPECT_TRUE(outsideEqual);
    EXPECT_LE(worst, 6);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ThumbnailCacheTileTest,
                         testing::Values(QSize(1920, 1080), QSize(2000, 1500), QSize(900, 1600), QSize(300, 200),
                                         QSize(100, 60), QSize(2000, 40), QSize(128, 128)));

TEST_F(ThumbnailCacheTest, TileFromForeignEntryKeepsTheGeometry)
{
    // Another program's entry without the picture's size: the tile's frame comes out as the
    // file's whenever its proportions survive the scaling to the entry.
    const QString path = Jpeg(QStringLiteral("photo.jpg"), 1600, 1200);
    const TDecodedPicture picture = Decode(path);
    const QImage fromFile = MakeThumbnail(picture.Image, picture.FullSize);
    WriteForeignEntry(TThumbnailCache(m_base).NormalPath(path),
                      picture.Image.scaled(128, 96, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                      {{QStringLiteral("Thumb::URI"), QString::fromLatin1(TThumbnailCache::FileUri(path))},
                       {QStringLiteral("Thumb::MTime"), MTimeOf(path)}});
    TCachedThumbnail cached;
    ASSERT_EQ(TThumbnailCache(m_base).Lookup(path, cached), TThumbnailCache::TLookup::Hit);
    const QImage fromCache = MakeThumbnail(cached.Image, cached.FullSize);
    bool outsideEqual = false;
    EXPECT_LE(MaxChannelDifference(fromFile, fromCache, PictureRect(picture.FullSize), &outsideEqual), 6);
    EXPECT_TRUE(outsideEqual);
}

} // namespace
