#include "download/downloadrecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int FieldCount = 7;
const QString ErrorPrefix = QStringLiteral("Error: ");

/** One lock for every record of the process: a line and the check before it stay together
 *  even when two objects name the same file. */
std::mutex& AppendMutex()
{
    static std::mutex mutex;
    return mutex;
}

QByteArray Escape(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

QString Unescape(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c != '\\' || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const char next = field[i + 1];
        switch (next) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: out += c; out += next; break;
        }
        ++i;
    }
    return QString::fromUtf8(out);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool WriteWhole(int fd, const QByteArray& bytes)
{
    for (;;) {
        const ssize_t written = ::write(fd, bytes.constData(), size_t(bytes.size()));
        if (written < 0 && errno == EINTR)
            continue; // nothing was written; a second try cannot tear the line
        return written == ssize_t(bytes.size());
    }
}

} // namespace

QString TDownloadEntry::Outcome() const
{
    QString words = Error;
    if (!words.isEmpty() && words.at(0).isDigit())
        words.prepend(ErrorPrefix);
    if (HttpStatus > 0 && HttpStatus < 1000) {
        const QString status = QString::number(HttpStatus).rightJustified(3, u'0');
        return words.isEmpty() ? status : status + u' ' + words;
    }
    return words.isEmpty() ? QStringLiteral("No answer") : words;
}

TDownloadRecord::TDownloadRecord(const QString& taskFolder)
    : m_folder(taskFolder.endsWith(u'/') ? taskFolder.chopped(1) : taskFolder)
    , m_path(m_folder + u'/' + QString::fromLatin1(FileName))
{
}

QByteArray TDownloadRecord::FormatLine(const TDownloadEntry& entry, const QString& taskFolder)
{
    QString file = entry.FileName;
    const QString prefix = taskFolder + u'/';
    if (file.startsWith(prefix) && file.size() > prefix.size())
        file = file.mid(prefix.size());

    QByteArray line;
    line += entry.Time.toUTC().toString(Qt::ISODate).toLatin1() + '\t';
    line += Escape(entry.Outcome()) + '\t';
    line += QByteArray::number(entry.Bytes) + '\t';
    line += QByteArray::number(entry.Tries) + '\t';
    line += Escape(entry.URL) + '\t';
    line += Escape(entry.Referrer) + '\t';
    line += Escape(file) + '\n';
    return line;
}

bool TDownloadRecord::ParseLine(QByteArrayView line, const QString& taskFolder,
                                TDownloadEntry& entry)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    QByteArrayView fields[FieldCount];
    int count = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != '\t')
            continue;
        if (count == FieldCount)
            return false;
        fields[count++] = line.sliced(start, i - start);
        start = i + 1;
    }
    if (count != FieldCount)
        return false;

    TDownloadEntry e;
    e.Time = QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODate);
    if (!e.Time.isValid())
        return false;
    e.Time = e.Time.toUTC();

    const QString outcome = Unescape(fields[1]);
    if (outcome.isEmpty())
        return false;
    const QByteArray outcomeBytes = fields[1].toByteArray();
    if (outcomeBytes.size() >= 3 && IsDigit(outcomeBytes[0]) && IsDigit(outcomeBytes[1])
        && IsDigit(outcomeBytes[2]) && (outcomeBytes.size() == 3 || outcomeBytes[3] == ' ')) {
        e.HttpStatus = outcomeBytes.left(3).toLong();
        e.Error = outcome.mid(4);
    } else if (outcome != u"No answer") {
        e.Error = outcome;
    }
    if (e.Error.startsWith(ErrorPrefix) && e.Error.size() > ErrorPrefix.size()
        && e.Error.at(ErrorPrefix.size()).isDigit())
        e.Error.remove(0, ErrorPrefix.size());

    bool ok = false;
    e.Bytes = fields[2].toLongLong(&ok);
    if (!ok || e.Bytes < 0)
        return false;
    e.Tries = fields[3].toInt(&ok);
    if (!ok || e.Tries < 0)
        return false;
    e.URL = Unescape(fields[4]);
    if (e.URL.isEmpty())
        return false;
    e.Referrer = Unescape(fields[5]);
    e.FileName = Unescape(fields[6]);
    if (!e.FileName.isEmpty() && !QDir::isAbsolutePath(e.FileName))
        e.FileName = taskFolder + u'/' + e.FileName;
    entry = std::move(e);
    return true;
}

bool TDownloadRecord::Append(const TDownloadEntry& entry) const
{
    QByteArray line = FormatLine(entry, m_folder);
    const QByteArray path = QFile::encodeName(m_path);

    std::lock_guard lock(AppendMutex());
    const int fd = ::open(path.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    // A line torn by an earlier crash or a full disk stays on its own: start on a fresh line.
    // (Opened for reading too, so that its last byte can be looked at.)
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        char last = '\n';
        if (::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n')
            line.prepend('\n');
    }
    const bool ok = WriteWhole(fd, line);
    return ::close(fd) == 0 && ok;
}

QList<TDownloadEntry> TDownloadRecord::Entries() const
{
    QList<TDownloadEntry> entries;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (!line.endsWith('\n'))
            break; // torn last line
        TDownloadEntry entry;
        if (ParseLine(line, m_folder, entry))
            entries.append(std::move(entry));
    }
    return entries;
}

QHash<QString, TDownloadEntry> TDownloadRecord::LastOutcomes() const
{
    QHash<QString, TDownloadEntry> last;
    for (TDownloadEntry& entry : Entries()) {
        const QString url = entry.URL;
        last.insert(url, std::move(entry));
    }
    return last;
}

QList<TDownloadEntry> TDownloadRecord::FailedEntries() const
{
    const QList<TDownloadEntry> entries = Entries();
    QHash<QString, qsizetype> lastIndex;
    for (qsizetype i = 0; i < entries.size(); ++i)
        lastIndex.insert(entries[i].URL, i);

    QList<TDownloadEntry> failed;
    QSet<QString> seen;
    for (const TDownloadEntry& entry : entries) {
        if (seen.contains(entry.URL))
            continue;
        seen.insert(entry.URL);
        const TDownloadEntry& latest = entries[lastIndex.value(entry.URL)];
        if (!latest.Succeeded())
            failed.append(latest);
    }
    return failed;
}

bool TDownloadRecord::FileStillMatches(const TDownloadEntry& entry)
{
    if (!entry.Succeeded() || entry.FileName.isEmpty())
        return false;
    const QFileInfo info(entry.FileName);
    return info.isFile() && info.size() == entry.Bytes;
}
