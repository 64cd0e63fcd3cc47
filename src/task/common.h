#pragma once
/**
 * Unit common: the task definition and the small text, URL and file-name helpers that
 * link following, the extractors and the scheduler share. Everything here is plain
 * data or pure functions; nothing touches the user interface.
 */

#include <QHash>
#include <QString>
#include <QStringList>

/** One task's settings; field names are the keys of its settings.ini. */
/** Which links of a page count as inside the task (TTaskItem::PageLocation, stored as a number). */
enum TPageLocation : qint32 {
    PageLocationAnywhere = 0,        // every link
    PageLocationSameSite = 1,        // the host of a start URL
    PageLocationBelowDirectory = 2,  // a start URL's directory and its sub-directories
    PageLocationSameDirectory = 3,   // exactly a start URL's directory
    PageLocationCount = 4
};

struct TTaskItem
{
    QString TaskName;
    QString TaskDir;
    qint32 TaskThread = 0;
    bool check1 = false;   // Text
    bool check2 = false;   // Images
    bool check3 = false;   // Flash
    bool check4 = false;   // Downloads
    bool check5 = false;   // Links
    QString StartURL;      // one URL a line, lines separated by CR LF
    bool ManualBool = false;
    qint32 FollowedLink = 0;
    qint32 PageLocation = 0; // one of the TPageLocation values
    QString TextinSearch;
    QString TextInDownload;
    QString OutText[5][3]; // [rule 0..4][0 before, 1 include, 2 after] = OutText<r><c>
    bool ImageLinkBool = false;
    QString ImageFrom;
    QString ImageTo;
    bool ImageWidthBool = false;
    bool ImageHeightBool = false;
    qint32 ImageWidthMin = 0;
    qint32 ImageHeightMin = 0;
    QString DownloadExt;
    QString LinksText;
    bool SkipDownloaded = false;  // Output/SkipDownloaded

    bool operator==(const TTaskItem&) const = default;
};

// ---- Text matching: only the ASCII letters A to Z are folded. ----

namespace pagemint {

/** The lower form: A..Z become a..z, every other character stays. */
QString AsciiLower(const QString& text);
/** True when the lower form of text contains the lower form of part (plain substring; an empty
 *  part is contained in every text, so callers test for an empty filter first). */
bool TextContains(const QString& text, const QString& part);
/** True when the lower forms of a and b are equal. */
bool TextEquals(const QString& a, const QString& b);
/** Position of the first occurrence of the lower form of part in the lower form of text, or -1. */
qsizetype TextIndexOf(const QString& text, const QString& part, qsizetype from = 0);
/** Removes leading and trailing characters with codes 0 to 32. */
QString TrimControl(const QString& text);

// ---- URL and file-name functions ----

/** The site part of a URL (after "@", or the host cut down to its last two dot-separated parts). */
QString ExtractHost(const QString& url);
/** The URL without its scheme and "://", without a last segment that holds a dot, without one trailing "/". */
QString ExtractDirectory(const QString& url);
/** The file name a URL is saved under: text after the last "/" (or "\"), "Unknown" without either;
 *  "/", "\", ":", "*", "?", '"', "<", ">", "|" replaced by "-". */
QString ExtractURLFileName(const QString& url);
/** "(i)" + name for the lowest i in 1..999 for which folder + "/" + that name does not exist;
 *  empty when all 999 exist. folder has no trailing separator. */
QString UniqueFileName(const QString& folder, const QString& name);

/** Splits StartURL into lines at CR LF, CR or LF; a break at the very end adds no entry. */
QStringList SplitLines(const QString& text);

} // namespace pagemint

/**
 * An ordered string list that allows duplicates, with a count of each entry's folded form
 * beside it, so that "is an equal entry already here" costs O(1) instead of a scan.
 * The fold is chosen at construction: lower form, or lower form of the trimmed text.
 */
class TFoldedList
{
public:
    enum class Fold { Lower, TrimmedLower };
    explicit TFoldedList(Fold fold = Fold::Lower) : m_fold(fold) {}

    void Append(const QString& entry);
    void Clear();
    /** True when an entry whose folded form equals the folded form of text is in the list. */
    bool ContainsFolded(const QString& text) const;
    qsizetype Count() const { return m_entries.size(); }
    const QString& At(qsizetype i) const { return m_entries.at(i); }
    const QStringList& Entries() const { return m_entries; }
    QString FoldOf(const QString& text) const;

private:
    Fold m_fold;
    QStringList m_entries;
    QHash<QString, int> m_folded;
};

/** DownloadQueue: URLs to download in queueing order; entries are only appended during a run. */
class TDownloadQueue
{
public:
    /** The one admission step of the queue writers: appends url unchanged unless its trimmed form
     *  is empty or an entry equal after trimming and lower-casing is queued. True when appended. */
    bool QueueDownloadURL(const QString& url);
    /** Appends url with its own referring page (a failed download queued again). */
    bool QueueDownloadURL(const QString& url, const QString& referringPage);
    void Clear();
    qsizetype Count() const { return m_list.Count(); }
    const QString& At(qsizetype i) const { return m_list.At(i); }
    const QStringList& Entries() const { return m_list.Entries(); }

    /** The page whose links and pictures are being queued now; entries appended from now on
     *  record it as their referring page. */
    void SetReferringPage(const QString& page) { m_referringPage = page; }
    /** The page on which entry i was first found; empty when unknown. Kept beside the entries
     *  (same index), so an entry stays the bare URL. */
    const QString& ReferrerAt(qsizetype i) const { return m_referrers.at(i); }

private:
    TFoldedList m_list{TFoldedList::Fold::TrimmedLower};
    QStringList m_referrers;
    QString m_referringPage;
};
