#include "download/downloadrecord.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <thread>

namespace {

TDownloadEntry Entry(const QString& url, long status, const QString& error = {}, qint64 bytes = 0)
{
    TDownloadEntry e;
    e.Time = QDateTime(QDate(2024, 5, 1), QTime(12, 30, 5), QTimeZone::utc());
    e.HttpStatus = status;
    e.Error = error;
    e.Bytes = bytes;
    e.URL = url;
    return e;
}

void AppendRaw(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(bytes);
}

QByteArray ReadRaw(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(DownloadRecord, RoundTripWithRelativeFilesAndUnsafeCharacters)
{
    QTemporaryDir dir;
    const TDownloadRecord record(dir.path());
    EXPECT_TRUE(record.Entries().isEmpty()); // no file yet

    TDownloadEntry ok = Entry(QStringLiteral("http://h/a b.jpg"), 200, {}, 1234);
    ok.Tries = 3;
    ok.Referrer = QStringLiteral("http://h/page?x=1");
    ok.FileName = dir.path() + QStringLiteral("/Images/a b.jpg");
    TDownloadEntry odd = Entry(QStringLiteral("http://h/t\tab"), 0,
                               QStringLiteral("Couldn't\tconnect\nto \\server\r"));
    odd.FileName = QStringLiteral("/elsewhere/na\tme\\.bin");
    odd.Referrer = QStringLiteral("Ünïcødé");
    TDownloadEntry statusAndError = Entry(QStringLiteral("http://h/c"), 200,
                                          QStringLiteral("5 bytes missing"), 7);
    TDownloadEntry noAnswer = Entry(QStringLiteral("http://h/d"), 0);
    for (const TDownloadEntry& e : {ok, odd, statusAndError, noAnswer})
        ASSERT_TRUE(record.Append(e));

    const QByteArray raw = ReadRaw(record.Path());
    EXPECT_EQ(raw.count('\n'), 4);
    EXPECT_TRUE(raw.startsWith("2024-05-01T12:30:05Z\t200\t1234\t3\thttp://h/a b.jpg\t"
                               "http://h/page?x=1\tImages/a b.jpg\n"));
    EXPECT_TRUE(raw.contains("\t200 Error: 5 bytes missing\t"));

    const QList<TDownloadEntry> back = record.Entries();
    ASSERT_EQ(back.size(), 4);
    EXPECT_EQ(back[0].Time, ok.Time);
    EXPECT_EQ(back[0].HttpStatus, 200);
    EXPECT_EQ(back[0].Bytes, 1234);
    EXPECT_EQ(back[0].Tries, 3);
    EXPECT_EQ(back[0].Referrer, ok.Referrer);
    EXPECT_EQ(back[0].FileName, ok.FileName);
    EXPECT_TRUE(back[0].Succeeded());
    EXPECT_EQ(back[1].URL, odd.URL);
    EXPECT_EQ(back[1].Error, odd.Error);
    EXPECT_EQ(back[1].FileName, odd.FileName);
    EXPECT_EQ(back[1].Referrer, odd.Referrer);
    EXPECT_EQ(back[1].HttpStatus, 0);
    EXPECT_EQ(back[2].HttpStatus, 200);
    EXPECT_EQ(back[2].Error, statusAndError.Error);
    EXPECT_FALSE(back[2].Succeeded()); // an answer 200 but the body was cut short
    EXPECT_EQ(back[3].Outcome(), "No answer");
    EXPECT_TRUE(back[3].Error.isEmpty());
    EXPECT_FALSE(back[3].Succeeded());
}

TEST(DownloadRecord, TornAndBrokenLinesAreSkippedAndTheNextAppendStartsFresh)
{
    QTemporaryDir dir;
    const TDownloadRecord record(dir.path());
    ASSERT_TRUE(record.Append(Entry(QStringLiteral("http://h/1"), 200)));
    AppendRaw(record.Path(), "not a record line\n"
                             "2024-05-01T12:30:05Z\t200\tlots\t1\thttp://h/x\t\t\n"
                             "2024-05-01T12:30:05Z\t404\t0\t1\thttp://h/2\t\t\r\n"
                             "2024-05-01T12:30:05Z\t200\t99\t1\thttp://h/to");
    EXPECT_EQ(record.Entries().size(), 2); // the torn last line is not there

    ASSERT_TRUE(record.Append(Entry(QStringLiteral("http://h/3"), 500)));
    const QList<TDownloadEntry> entries = record.Entries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[1].URL, "http://h/2");
    EXPECT_EQ(entries[1].HttpStatus, 404);
    EXPECT_EQ(entries[2].URL, "http://h/3");
}

TEST(DownloadRecord, LastOutcomesAndFailuresFollowTheLatestLine)
{
    QTemporaryDir dir;
    const TDownloadRecord record(dir.path());
    const QString a = QStringLiteral("http://h/a"), b = QStringLiteral("http://h/b"),
                  c = QStringLiteral("http://h/c"), d = QStringLiteral("http://h/d");
    record.Append(Entry(a, 503));
    record.Append(Entry(b, 404));
    record.Append(Entry(c, 200, {}, 5));
    record.Append(Entry(d, 0, QStringLiteral("Timeout was reached")));
    record.Append(Entry(a, 200, {}, 9));  // fixed by a later run
    record.Append(Entry(c, 500));         // broken by a later run

    const QHash<QString, TDownloadEntry> last = record.LastOutcomes();
    EXPECT_EQ(last.size(), 4);
    EXPECT_EQ(last.value(a).Bytes, 9);
    EXPECT_TRUE(last.value(a).Succeeded());
    EXPECT_FALSE(last.value(c).Succeeded());

    QStringList failed;
    for (const TDownloadEntry& e : record.FailedEntries())
        failed.append(e.URL);
    EXPECT_EQ(failed, QStringList({b, c, d})); // in the order first queued
}

TEST(DownloadRecord, FileStillMatchesComparesTheRecordedSize)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.jpg"));
    AppendRaw(file, "12345");
    TDownloadEntry e = Entry(QStringLiteral("http://h/a"), 200, {}, 5);
    e.FileName = file;
    EXPECT_TRUE(TDownloadRecord::FileStillMatches(e));
    e.Bytes = 4;
    EXPECT_FALSE(TDownloadRecord::FileStillMatches(e));
    e.Bytes = 5;
    e.HttpStatus = 404;
    EXPECT_FALSE(TDownloadRecord::FileStillMatches(e));
    e.HttpStatus = 200;
    QFile::remove(file);
    EXPECT_FALSE(TDownloadRecord::FileStillMatches(e));
}

TEST(DownloadRecord, MissingFolderFailsTheAppend)
{
    QTemporaryDir dir;
    const TDownloadRecord record(dir.filePath(QStringLiteral("gone")));
    EXPECT_FALSE(record.Append(Entry(QStringLiteral("http://h/a"), 200)));
}

TEST(DownloadRecord, ConcurrentAppendsKeepEveryLineWhole)
{
    QTemporaryDir dir;
    constexpr int Threads = 4, PerThread = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&dir, t] {
            // Each thread with its own object: the lock must hold across objects too.
            const TDownloadRecord record(dir.path());
            for (int i = 0; i < PerThread; ++i) {
                TDownloadEntry e = Entry(QStringLiteral("http://h/%1/%2").arg(t).arg(i), 200,
                                         {}, i);
                e.Referrer = QString(200, QChar(u'a' + t)); // long lines
                record.Append(e);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();

    const QList<TDownloadEntry> entries = TDownloadRecord(dir.path()).Entries();
    ASSERT_EQ(entries.size(), Threads * PerThread);
    QSet<QString> urls;
    for (const TDownloadEntry& e : entries) {
        urls.insert(e.URL);
        EXPECT_EQ(e.Referrer.size(), 200);
    }
    EXPECT_EQ(urls.size(), Threads * PerThread);
}
