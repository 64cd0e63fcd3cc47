#pragma once
/**
 * The download record of one task: the file "downloads.log" in the task's folder, one line per
 * finished download (success or failure, written after its last try).
 *
 * Format: UTF-8 text, each line ended by LF (a CR before the LF is accepted when read), seven
 * fields separated by TAB:
 *
 *   time  outcome  bytes  tries  URL  referring-page  file
 *
 *   time            when the download finished, ISO 8601 UTC: 2024-05-01T12:30:05Z
 *   outcome         the HTTP status of the answer ("200", "404"); when the transfer failed, the
 *                   error in words, after the status when an answer had come
 *                   ("200 Failure when receiving data from the peer", "Couldn't connect to
 *                   server"). Words that would begin with a digit get "Error: " in front.
 *   bytes           bytes written to the file
 *   tries           how many requests were made (1 without retries)
 *   URL             the queue entry as queued
 *   referring-page  the page on which the URL was found; empty when unknown
 *   file            the file written: relative to the task folder when it lies inside it
 *                   ("Images/a.jpg"), absolute otherwise
 *
 * Inside a field, "\" is written as "\\", TAB as "\t", LF as "\n" and CR as "\r", so a field
 * never breaks the line. A line is written with a single write() on a file opened with
 * O_APPEND, so a crash leaves either the whole line or a last line without its LF; readers skip
 * such a torn last line and any line that does not parse, and the next append starts on a fresh
 * line. Appends are thread-safe (workers append from their own threads).
 */

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

struct TDownloadEntry
{
    QDateTime Time;        // UTC, whole seconds
    long HttpStatus = 0;   // 0 when no answer came
    QString Error;         // the transfer error in words; empty when the transfer completed
    qint64 Bytes = 0;
    int Tries = 1;
    QString URL;
    QString Referrer;
    QString FileName;      // absolute path when read back

    /** An answer 2xx and a completed transfer into the file. */
    bool Succeeded() const { return Error.isEmpty() && HttpStatus >= 200 && HttpStatus <= 299; }
    /** The outcome field as written ("404", "Couldn't connect to server", ...). */
    QString Outcome() const;
};

class TDownloadRecord
{
public:
    static constexpr const char* FileName = "downloads.log";

    /** The record in `taskFolder` (TPaths::TaskFolder); nothing is touched until used. */
    explicit TDownloadRecord(const QString& taskFolder);

    const QString& Path() const { return m_path; }

    /** Appends one line. Any thread. Returns false when the line could not be written whole
     *  (the folder is missing, the disk is full, ...). */
    bool Append(const TDownloadEntry& entry) const;

    /** Every entry, oldest first. A missing file gives none. */
    QList<TDownloadEntry> Entries() const;
    /** The latest entry of each URL. */
    QHash<QString, TDownloadEntry> LastOutcomes() const;
    /** The latest entry of each URL whose latest outcome is a failure, in the order the URLs
     *  first appear in the record (which is the order they were queued in). */
    QList<TDownloadEntry> FailedEntries() const;

    /** Whether `entry` succeeded and its file still exists with the size recorded. */
    static bool FileStillMatches(const TDownloadEntry& entry);

    /** One record line with its LF, and its reverse (false for a line that does not parse;
     *  `entry` is then left alone). `taskFolder` (no trailing "/") turns the file name relative
     *  and back. */
    static QByteArray FormatLine(const TDownloadEntry& entry, const QString& taskFolder);
    static bool ParseLine(QByteArrayView line, const QString& taskFolder, TDownloadEntry& entry);

private:
    QString m_folder; // no trailing "/"
    QString m_path;
};
