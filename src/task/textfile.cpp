#include "task/textfile.h"

#include "task/errors.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

using namespace pagemint;

namespace {

// The byte-order mark an editor may put at the start of a UTF-8 file.
constexpr char Utf8Bom[] = "\xEF\xBB\xBF";

enum class TPathKind { Missing, RegularFile, Folder, Other, Unknown };

/** What stands at a path (symbolic links followed). Unknown when it cannot be told, for
 *  instance because a folder on the way may not be searched. */
TPathKind KindOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? TPathKind::Missing : TPathKind::Unknown;
    if (S_ISREG(info.st_mode))
        return TPathKind::RegularFile;
    if (S_ISDIR(info.st_mode))
        return TPathKind::Folder;
    return TPathKind::Other;
}

EPagemintError ReadError(const QString& path)
{
    return EPagemintError(QStringLiteral("Unable to read ") + path);
}

EPagemintError WriteError(const QString& path)
{
    return EPagemintError(QStringLiteral("Unable to write to ") + path);
}

/** Writes all bytes through an open, unbuffered device; false on any short write. */
bool WriteAll(QFileDevice& file, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return false;
        written += qsizetype(n);
    }
    return true;
}

/** Rewrites an existing regular file where it stands. A failure part-way leaves it cut short;
 *  it is used only where the file could not be replaced at all. */
void WriteInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        throw WriteError(path);
    bool ok = WriteAll(file, bytes);
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    if (!ok)
        throw WriteError(path);
}

/** Whether a file named like the temporary file of path can be created beside it; the probe
 *  is removed at once. */
bool FolderTakesTemporaryFile(const QString& path)
{
    QByteArray name = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    ::unlink(name.constData());
    ::close(fd);
    return true;
}

} // namespace

QString pagemint::Utf8Text(QByteArrayView bytes)
{
    QStringDecoder decode(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decode(bytes);
}

QStringList pagemint::SplitTextLines(const QByteArray& bytes)
{
    QStringList lines;
    const qsizetype n = bytes.size();
    const char* data = bytes.constData();
    // A byte-order mark can only open the file; at the start of a later line U+FEFF is a
    // character of that line's value and is kept.
    qsizetype start = bytes.startsWith(Utf8Bom) ? qsizetype(sizeof(Utf8Bom) - 1) : 0;
    for (qsizetype i = start; i < n; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.append(Utf8Text(QByteArrayView(data + start, i - start)));
            if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(Utf8Text(QByteArrayView(data + start, n - start)));
    return lines;
}

QString pagemint::OneLine(const QString& text)
{
    if (!text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString line = text;
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

QByteArray pagemint::ReadFileBytes(const QString& path, bool* exists)
{
    const TPathKind kind = KindOf(path);
    const bool present = kind != TPathKind::Missing && kind != TPathKind::Folder;
    if (exists)
        *exists = present;
    if (!present)
        return {};
    // A named pipe or a device would block or never end: it is not read at all.
    if (kind != TPathKind::RegularFile)
        throw ReadError(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReadError(path);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ReadError(path);
    return bytes;
}

QStringList pagemint::ReadTextLines(const QString& path, bool* exists)
{
    return SplitTextLines(ReadFileBytes(path, exists));
}

QByteArray pagemint::JoinTextLines(const QStringList& lines)
{
    QByteArray bytes;
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    bytes.reserve(size + 3);
    // A first line that opens with U+FEFF would be taken for the byte-order mark on reading;
    // a mark of the file's own before it keeps the character.
    if (!lines.isEmpty() && lines.first().startsWith(QChar(0xFEFF)))
        bytes += Utf8Bom;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

void pagemint::WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    const TPathKind kind = KindOf(path);
    if (kind == TPathKind::Folder)
        throw WriteError(path);
    if (kind == TPathKind::Other)
        throw EPagemintError(QStringLiteral("Unable to write to ") + path + QStringLiteral(": not a regular file"));

    // QSaveFile writes a temporary file beside the target and renames it over the target on
    // commit; a failure after the temporary file exists leaves the old file untouched.
    // Unbuffered: a buffered QFileDevice drops the rest of its buffer after a short write (disk
    // full, file size limit) and still commits, which would replace the file by a truncated one.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // The folder refuses the temporary file (no right to create files there, or a name
        // too long for the suffix), but the old file may still be writable where it stands.
        if (kind == TPathKind::RegularFile) {
            WriteInPlace(path, bytes);
            return;
        }
        throw WriteError(path);
    }
    if (!WriteAll(file, bytes)) {
        file.cancelWriting();
        throw WriteError(path);
    }
    if (!file.commit()) {
        // The content was written in full but could not take the file's place. When the folder
        // cannot hold a file of the temporary name at all (the file's name leaves no room for
        // the suffix, say), that is the same refusal, met later. Any other failure (the disk,
        // a rename refused to a folder that takes new files) keeps the old file as it is.
        if (kind == TPathKind::RegularFile && !FolderTakesTemporaryFile(path)) {
            WriteInPlace(path, bytes);
            return;
        }
        throw WriteError(path);
    }
}

void pagemint::WriteTextLines(const QString& path, const QStringList& lines)
{
    WriteFileAtomically(path, JoinTextLines(lines));
}
