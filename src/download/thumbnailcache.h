#pragma once

#include "download/imagedecoder.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>

/** A thumbnail read from the desktop's shared cache, ready for MakeThumbnail. */
struct TCachedThumbnail
{
    QImage Image;   // at most 128 x 128 ("normal"), or 256 x 256 when taken from "large"
    QSize FullSize; // the picture's own size: recorded in the entry, else the entry's own size
};

/**
 * The desktop's shared thumbnail cache (the folder file managers use):
 *   <base>/normal/<md5 of the file's URI>.png                 thumbnails of at most 128 x 128
 *   <base>/large/<md5>.png                                    256 x 256, read only
 *   <base>/fail/pagemint-<version>/<md5>.png                  files this program could not decode
 * <base> is $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails when the variable is unset.
 *
 * An entry is a PNG with the text keys "Thumb::URI" (the file's URI) and "Thumb::MTime" (the
 * file's modification time in whole seconds since the epoch); it belongs to the file only while
 * both match, and while "Thumb::Size" (the file's size in bytes) matches when the entry has it.
 * Entries this program writes also carry "Thumb::Image::Width" and "Thumb::Image::Height", the
 * picture's own size, from which the tile's geometry follows; for entries written by other
 * programs without them the file's header gives that size (the entry's own proportions when
 * the header cannot be read). An entry whose proportions disagree with that size beyond
 * rounding (a picture turned upright by its writer) is passed over. An entry with transparency
 * is painted onto white, as the gallery's own decodes paint transparent pixels.
 *
 * An entry made from a decode is keyed on the file as the decode found it (TDecodedPicture's
 * Stamp) and written only while the file is still the same: a file that is still being written
 * never gets an entry that would then describe the finished file.
 *
 * Writing is atomic (a temporary file in the same folder, then a rename; not synced to disk, as
 * a lost entry is only made again), files are created with mode 0600 and folders with 0700. Every write failure (an unwritable or missing folder, a full
 * disk) is reported as false and nothing else: the cache is a help, never a condition.
 * Writing can be switched off; lookups still happen.
 *
 * Reentrant and thread-safe: the object holds only its folder and the write switch, and is used
 * from the thumbnail pool's worker threads at the same time.
 */
class TThumbnailCache
{
public:
    /** The largest side of a "normal" thumbnail. */
    static constexpr int NormalSize = TImageDecoder::NormalEntrySize;

    enum class TLookup {
        Miss,   // no entry for the file as it is now (none, stale, unreadable, or the file is gone)
        Hit,    // a usable thumbnail
        Failed, // this program's fail entry: the file, unchanged since, did not decode
    };

    /** The default base folder, from $XDG_CACHE_HOME (when absolute) or the home folder. */
    static QString DefaultBaseFolder();
    /** The file's URI as the cache keys it: "file://" and the absolute path, UTF-8, with every
     *  byte outside A-Z a-z 0-9 - _ . ~ ! * ' ( ) / $ & + , : = @ written as %XX. */
    static QByteArray FileUri(const QString& path);
    /** The entry's file name: the MD5 of FileUri in lower-case hex, and ".png". */
    static QString EntryName(const QString& path);
    /** The name of this program's folder under "fail". */
    static QString FailFolderName();

    explicit TThumbnailCache(const QString& baseFolder = DefaultBaseFolder(), bool writeEnabled = true);

    const QString& BaseFolder() const { return m_base; }
    void SetWriteEnabled(bool enabled) { m_writeEnabled.store(enabled); }
    bool WriteEnabled() const { return m_writeEnabled.load(); }

    QString NormalPath(const QString& path) const;
    QString LargePath(const QString& path) const;
    QString FailPath(const QString& path) const;

    /** Looks the file up: "normal" first, then "large", then this program's fail entry. */
    TLookup Lookup(const QString& path, TCachedThumbnail& thumbnail) const;

    /** A "normal" entry made ready from a decoded file, to be written later: the picture scaled
     *  to fit 128 x 128 (unless it is smaller), and the file's key values when it was made. */
    struct TEntry
    {
        QString Path;
        QImage Image;
        QSize FullSize;
        QByteArray Uri;
        qint64 MTime = 0;
        qint64 FileSize = 0;
    };
    /** Makes the entry of a decoded file ready, keyed on picture.Stamp when it has one; false
     *  when writing is off, the picture is empty, or the file is gone or changed since. */
    bool PrepareEntry(const QString& path, const TDecodedPicture& picture, TEntry& entry) const;
    /** Writes a prepared entry; false when writing is off, the file has changed or gone since
     *  the entry was made (the entry would describe a picture the file no longer holds), or
     *  the write failed. */
    bool StoreEntry(const TEntry& entry) const;

    /** Writes the "normal" entry of a decoded file at once (PrepareEntry, then StoreEntry).
     *  False when writing is off, the file is gone or the write failed. */
    bool Store(const QString& path, const TDecodedPicture& picture) const;
    /** Writes this program's fail entry of a file whose content did not decode, keyed on the
     *  file as the decode found it (stamp); nothing when the file has changed since. A file
     *  that could not be read gets no fail entry: that is no property of its content. */
    bool StoreFailure(const QString& path, const TFileStamp& stamp) const;
    /** StoreFailure of the file as it is now. */
    bool StoreFailure(const QString& path) const;

private:
    bool Write(const QString& folder, const TEntry& identity, QImage image, QSize fullSize) const;

    QString m_base;
    std::atomic<bool> m_writeEnabled;
};
