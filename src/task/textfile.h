#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * Line files: UTF-8, every line ended by CR LF when written; CR LF, LF or CR accepted when
 * read, a break at the very end adding no line. Writes replace the file atomically (a
 * temporary file in the same folder renamed over the old one), so a failed write leaves
 * the previous content in place.
 */

/** The lines of a file; an empty list when the file does not exist or cannot be read. */
QStringList ReadTextLines(const QString& path, bool* exists = nullptr);
/** Splits bytes into lines by the rules above. */
QStringList SplitTextLines(const QByteArray& bytes);
/** The text as one line: every CR and LF in it becomes a blank. For values that are stored one
 *  a line, where a line break would shift every later value to the wrong place. */
QString OneLine(const QString& text);
/** Each line + CR LF. */
QByteArray JoinTextLines(const QStringList& lines);
/** Writes bytes atomically; throws EPagemintError("Unable to write to " + path) on failure. */
void WriteFileAtomically(const QString& path, const QByteArray& bytes);
/** WriteFileAtomically of JoinTextLines(lines). */
void WriteTextLines(const QString& path, const QStringList& lines);
