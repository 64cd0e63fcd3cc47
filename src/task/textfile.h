#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * Line files: UTF-8, every line ended by CR LF when written; CR LF, LF or CR accepted when
 * read, a break at the very end adding no line. A byte-order mark opening the file is skipped;
 * anywhere else U+FEFF is text and is kept (a first line that opens with it is written after a
 * byte-order mark of the file's own, so it reads back whole). Writes replace the file atomically (a
 * temporary file in the same folder renamed over the old one), so a failed write leaves
 * the previous content in place. Where the folder refuses the temporary file but the file
 * itself may be written, the file is rewritten in place instead.
 *
 * A file that exists but cannot be read is never taken for an empty one: reading it throws
 * EPagemintError("Unable to read " + path), so that its caller writes nothing over it. A
 * missing file, or a folder standing at the path, reads as missing. Something that is not a
 * regular file (a named pipe, a device) is never opened: it cannot be read, and a write to it
 * is refused with EPagemintError("Unable to write to " + path + ": not a regular file").
 */

namespace pagemint {

/** The whole content of a file; empty with *exists false when it is missing. Throws
 *  EPagemintError("Unable to read " + path) when it exists but cannot be read. */
QByteArray ReadFileBytes(const QString& path, bool* exists = nullptr);
/** The lines of a file (ReadFileBytes split by SplitTextLines); an empty list when the file
 *  does not exist. Throws EPagemintError when it exists but cannot be read. */
QStringList ReadTextLines(const QString& path, bool* exists = nullptr);
/** UTF-8 bytes as text, a U+FEFF at their start kept: inside a file it is a character of a
 *  value, not a byte-order mark (QString::fromUtf8 would drop it). */
QString Utf8Text(QByteArrayView bytes);
/** Splits bytes into lines by the rules above. */
QStringList SplitTextLines(const QByteArray& bytes);
/** The text as one line: every CR and LF in it becomes a blank. For values that are stored one
 *  a line, where a line break would shift every later value to the wrong place. */
QString OneLine(const QString& text);
/** Each line + CR LF (after a byte-order mark when the first line opens with U+FEFF). */
QByteArray JoinTextLines(const QStringList& lines);
/** Writes bytes atomically, or in place where the folder refuses the temporary file; throws
 *  EPagemintError("Unable to write to " + path) on failure, a short write included. */
void WriteFileAtomically(const QString& path, const QByteArray& bytes);
/** WriteFileAtomically of JoinTextLines(lines). */
void WriteTextLines(const QString& path, const QStringList& lines);

} // namespace pagemint
