#include "task/textfile.h"

#include "task/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QStringList SplitTextLines(const QByteArray& bytes)
{
    QStringList lines;
    const qsizetype n = bytes.size();
    const char* data = bytes.constData();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.append(QString::fromUtf8(data + start, i - start));
            if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(QString::fromUtf8(data + start, n - start));
    return lines;
}

QString OneLine(const QString& text)
{
    if (!text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString line = text;
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

QStringList ReadTextLines(const QString& path, bool* exists)
{
    const QFileInfo info(path);
    const bool isFile = info.exists() && !info.isDir();
    if (exists)
        *exists = isFile;
    if (!isFile)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return SplitTextLines(file.readAll());
}

QByteArray JoinTextLines(const QStringList& lines)
{
    QByteArray bytes;
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    bytes.reserve(size);
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    // QSaveFile writes a temporary file beside the target and renames it over the target on
    // commit; without a fallback to direct writing, a failure leaves the old file untouched.
    // Unbuffered: a buffered QFileDevice drops the rest of its buffer after a short write (disk
    // full, file size limit) and still commits, which would replace the file by a truncated one.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    qsizetype written = 0;
    while (ok && written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        ok = n > 0;
        if (ok)
            written += qsizetype(n);
    }
    if (ok)
        ok = file.commit();
    else
        file.cancelWriting();
    if (!ok)
        throw EPagemintError(QStringLiteral("Unable to write to ") + path);
}

void WriteTextLines(const QString& path, const QStringList& lines)
{
    WriteFileAtomically(path, JoinTextLines(lines));
}
