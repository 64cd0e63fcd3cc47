#include "download/thumbnailcache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryFile>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#ifndef PAGEMINT_VERSION
#define PAGEMINT_VERSION "1.0"
#endif

namespace {

const QString UriKey = QStringLiteral("Thumb::URI");
const QString MTimeKey = QStringLiteral("Thumb::MTime");
const QString SizeKey = QStringLiteral("Thumb::Size");
const QString WidthKey = QStringLiteral("Thumb::Image::Width");
const QString HeightKey = QStringLiteral("Thumb::Image::Height");

// The largest entry read at all: the cache's biggest size class is 1024 x 1024, and anything
// beyond it is not a thumbnail.
constexpr int MaxEntrySide = 1024;

/** What the cache keys an entry on: the file as it is now. */
struct TFileIdentity
{
    QByteArray Uri;
    qint64 MTime = 0;
    qint64 Size = 0;
};

/** The file's identity now; false unless it is a regular file. The time is the one the decoder
 *  stamps a file with, so that the two compare. */
bool IdentityOf(const QString& path, TFileIdentity& identity)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    identity.Uri = TThumbnailCache::FileUri(path);
    identity.MTime = qint64(info.st_mtim.tv_sec);
    identity.Size = qint64(info.st_size);
    return true;
}

/** The identity of the file as stamp saw it, while the file is still the same now: what an
 *  entry made from that reading may be keyed on. */
bool StampedIdentityOf(const QString& path, const TFileStamp& stamp, TFileIdentity& identity)
{
    if (!IdentityOf(path, identity))
        return false;
    if (!stamp.Valid())
        return true;
    return identity.MTime == stamp.MTime && identity.Size == stamp.Size;
}

/** A text value read as a whole number; a fractional time some writers store is truncated. */
bool ReadNumber(const QString& text, qint64& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    if (ok)
        return true;
    const double real = text.trimmed().toDouble(&ok);
    if (!ok || !(real > -9.0e15 && real < 9.0e15))
        return false;
    value = qint64(real);
    return true;
}

/** Reads an entry and checks that it belongs to the file as it is now. */
bool ReadEntry(const QString& entryPath, const TFileIdentity& identity, QImage& image)
{
    if (!QFileInfo::exists(entryPath))
        return false;
    QImageReader reader(entryPath, "png");
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > MaxEntrySide || size.height() > MaxEntrySide)
        return false;
    if (!reader.read(&image) || image.isNull())
        return false;
    if (image.text(UriKey).toUtf8() != identity.Uri)
        return false;
    qint64 mtime = 0;
    if (!ReadNumber(image.text(MTimeKey), mtime) || mtime != identity.MTime)
        return false;
    const QString sizeText = image.text(SizeKey);
    qint64 fileSize = 0;
    if (!sizeText.isEmpty() && (!ReadNumber(sizeText, fileSize) || fileSize != identity.Size))
        return false;
    return true;
}

/** The picture's own size as the entry records it; without a record, the size the file's
 *  header gives (as the decoder would report it), else the entry's own size. False when that
 *  size contradicts the entry's proportions (for example an entry another program turned
 *  upright from the picture's orientation tag): such an entry would draw a distorted tile. */
bool FullSizeOf(const QImage& image, const QString& path, QSize& fullSize)
{
    qint64 width = 0;
    qint64 height = 0;
    if (!ReadNumber(image.text(WidthKey), width) || !ReadNumber(image.text(HeightKey), height) || width <= 0
        || height <= 0 || width > INT_MAX || height > INT_MAX) {
        // The entry's own proportions are rounded to its pixels, and the tile's geometry follows
        // the picture's: 1000 x 342 in a 128 x 44 entry would place the bevels a row apart.
        QSize header;
        if (!TImageDecoder::HeaderSize(path, header)) {
            fullSize = image.size();
            return true;
        }
        width = header.width();
        height = header.height();
    }
    // The entry is the picture scaled with its proportions kept and each side rounded: the
    // shorter side recomputed from the longer must come out within rounding of the entry's own.
    const double expected = width >= height ? double(height) * image.width() / double(width)
                                            : double(width) * image.height() / double(height);
    const int actual = width >= height ? image.height() : image.width();
    if (std::abs(expected - actual) > 1.5)
        return false;
    fullSize = QSize(int(width), int(height));
    return true;
}

/** An entry with transparency painted onto white, where the gallery's own decodes put a
 *  picture's transparent parts; dropping the alpha channel instead would leave them black. */
QImage OnWhite(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image;
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage flat(source.size(), QImage::Format_RGB32);
    if (source.isNull() || flat.isNull())
        return QImage();
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(flat.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const int under = 255 - qAlpha(in[x]);
            out[x] = qRgb(qRed(in[x]) + under, qGreen(in[x]) + under, qBlue(in[x]) + under);
        }
    }
    return flat;
}

/** Creates a folder (and the folders above it) when missing; the folders of the cache itself
 *  get mode 0700, the ones above it (such as ~/.cache) the ordinary mode. */
bool EnsureFolder(const QString& folder, const QString& base)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return true;
    if (info.exists())
        return false;
    const QString parent = info.absolutePath();
    if (folder.size() > base.size()) {
        if (!EnsureFolder(parent, base))
            return false;
    } else if (!QDir().mkpath(parent)) {
        return false;
    }
    const bool made = QDir().mkdir(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return made || QFileInfo(folder).isDir(); // another thread may have made it meanwhile
}

} // namespace

QString TThumbnailCache::DefaultBaseFolder()
{
    // The variable counts only when it holds an absolute path.
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString root = (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) ? xdg : QDir::homePath() + QStringLiteral("/.cache");
    return QDir::cleanPath(root + QStringLiteral("/thumbnails"));
}

QByteArray TThumbnailCache::FileUri(const QString& path)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    const QByteArray bytes = QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    QByteArray uri("file://");
    uri.reserve(uri.size() + bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')
                           || std::strchr("-_.~!*'()/$&+,:=@", b) != nullptr;
        if (plain && b != 0) {
            uri.append(char(b));
        } else {
            uri.append('%');
            uri.append(Hex[b >> 4]);
            uri.append(Hex[b & 15]);
        }
    }
    return uri;
}

QString TThumbnailCache::EntryName(const QString& path)
{
    return QString::fromLatin1(QCryptographicHash::hash(FileUri(path), QCryptographicHash::Md5).toHex())
           + QStringLiteral(".png");
}

QString TThumbnailCache::FailFolderName()
{
    return QStringLiteral("pagemint-" PAGEMINT_VERSION);
}

TThumbnailCache::TThumbnailCache(const QString& baseFolder, bool writeEnabled)
    : m_base(QDir::cleanPath(baseFolder)), m_writeEnabled(writeEnabled)
{
}

QString TThumbnailCache::NormalPath(const QString& path) const
{
    return m_base + QStringLiteral("/normal/") + EntryName(path);
}

QString TThumbnailCache::LargePath(const QString& path) const
{
    return m_base + QStringLiteral("/large/") + EntryName(path);
}

QString TThumbnailCache::FailPath(const QString& path) const
{
    return m_base + QStringLiteral("/fail/") + FailFolderName() + u'/' + EntryName(path);
}

TThumbnailCache::TLookup TThumbnailCache::Lookup(const QString& path, TCachedThumbnail& thumbnail) const
{
    TFileIdentity identity;
    if (!IdentityOf(path, identity))
        return TLookup::Miss;
    // A larger entry scales down to the same tile, so one made for the "large" size serves too.
    for (const QString& entry : {NormalPath(path), LargePath(path)}) {
        QImage image;
        QSize fullSize;
        if (ReadEntry(entry, identity, image) && FullSizeOf(image, path, fullSize)) {
            image = OnWhite(image);
            if (image.isNull())
                continue;
            thumbnail.Image = std::move(image);
            thumbnail.FullSize = fullSize;
            return TLookup::Hit;
        }
    }
    QImage failure;
    if (ReadEntry(FailPath(path), identity, failure))
        return TLookup::Failed;
    return TLookup::Miss;
}

bool TThumbnailCache::PrepareEntry(const QString& path, const TDecodedPicture& picture, TEntry& entry) const
{
    if (!WriteEnabled() || picture.Image.isNull() || picture.FullSize.isEmpty())
        return false;
    TFileIdentity identity;
    if (!StampedIdentityOf(path, picture.Stamp, identity))
        return false;
    QImage image = picture.Image;
    const int longSide = std::max(image.width(), image.height());
    if (longSide > NormalSize) {
        const int width = std::max(1, int(qint64(image.width()) * NormalSize / longSide));
        const int height = std::max(1, int(qint64(image.height()) * NormalSize / longSide));
        image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (image.isNull())
            return false;
    }
    entry.Path = path;
    entry.Image = std::move(image);
    entry.FullSize = picture.FullSize;
    entry.Uri = identity.Uri;
    entry.MTime = identity.MTime;
    entry.FileSize = identity.Size;
    return true;
}

bool TThumbnailCache::StoreEntry(const TEntry& entry) const
{
    if (!WriteEnabled() || entry.Image.isNull())
        return false;
    TFileIdentity now;
    if (!IdentityOf(entry.Path, now) || now.Uri != entry.Uri || now.MTime != entry.MTime || now.Size != entry.FileSize)
        return false;
    return Write(m_base + QStringLiteral("/normal"), entry, entry.Image, entry.FullSize);
}

bool TThumbnailCache::Store(const QString& path, const TDecodedPicture& picture) const
{
    TEntry entry;
    return PrepareEntry(path, picture, entry) && StoreEntry(entry);
}

bool TThumbnailCache::StoreFailure(const QString& path) const
{
    return StoreFailure(path, TFileStamp());
}

bool TThumbnailCache::StoreFailure(const QString& path, const TFileStamp& stamp) const
{
    if (!WriteEnabled())
        return false;
    TFileIdentity identity;
    if (!StampedIdentityOf(path, stamp, identity))
        return false;
    TEntry key;
    key.Path = path;
    key.Uri = identity.Uri;
    key.MTime = identity.MTime;
    key.FileSize = identity.Size;
    QImage mark(1, 1, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    return Write(m_base + QStringLiteral("/fail/") + FailFolderName(), key, std::move(mark), QSize());
}

bool TThumbnailCache::Write(const QString& folder, const TEntry& identity, QImage image, QSize fullSize) const
{
    if (!EnsureFolder(folder, m_base))
        return false;
    image.setText(UriKey, QString::fromLatin1(identity.Uri));
    image.setText(MTimeKey, QString::number(identity.MTime));
    image.setText(SizeKey, QString::number(identity.FileSize));
    if (!fullSize.isEmpty()) {
        image.setText(WidthKey, QString::number(fullSize.width()));
        image.setText(HeightKey, QString::number(fullSize.height()));
    }
    image.setText(QStringLiteral("Software"), QStringLiteral("Pagemint"));

    QByteArray png;
    {
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly))
            return false;
        QImageWriter writer(&buffer, "png");
        // Qt maps 0..100 onto zlib's levels 0..9: 20 is level 1. At Qt's default level an entry
        // took as long to compress as a 1920 x 1080 picture takes to decode reduced; level 1
        // takes a third of that, for entries about a fifth larger.
        writer.setCompression(20);
        if (!writer.write(image))
            return false;
    }

    // The entry appears complete or not at all: it is written under a temporary name in the
    // same folder (mode 0600) and renamed over the old entry, so readers in other programs never
    // see half a file. It is not forced to disk first: after a crash an entry may be empty or
    // cut short, which every reader takes as no entry and makes again.
    QTemporaryFile file(folder + QStringLiteral("/.pagemint-XXXXXX.tmp"));
    if (!file.open())
        return false;
    const QString temporary = file.fileName();
    if (file.write(png) != png.size() || !file.flush()) {
        file.close();
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return false;
    const QByteArray target = QFile::encodeName(folder + u'/' + EntryName(identity.Path));
    if (std::rename(QFile::encodeName(temporary).constData(), target.constData()) != 0)
        return false;
    file.setAutoRemove(false);
    return true;
}
