#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

/**
 * A private-profile (INI) file: "[Section]" lines, each followed by "key=value" lines.
 * Used for settings.ini and pmsettings.ini. Not thread-safe; use one instance per thread.
 *
 * The file is read once into memory as its raw lines; writes change those lines and Save()
 * puts the whole file on disk at once, replacing the old file atomically. The bytes written
 * are those that writing the same keys one by one, each straight into the file, would give:
 *  - writing a key replaces that key's line in the first section of that name, or inserts
 *    "key=value" after the last non-blank line of the section, or, when the section is
 *    missing, appends "[Section]" and the key at the end of the file;
 *  - every other line is left exactly as it was, line end included; new lines end with CR LF;
 *  - a replaced line keeps the key's spelling found in the file.
 * Section and key names are compared with only the ASCII letters folded. Reading gives the
 * default when the file, the section or the key is missing. A value read back has blanks
 * around it and one enclosing pair of quotes ("..." or '...') dropped and is cut to 2047
 * characters. Integers are decimal, or hexadecimal after "0x"/"0X" for values of three or
 * more characters; anything else gives the default. Flags are written "1"/"0" and read as
 * integers (not 0 is true). Files are UTF-8; CR LF, LF and CR all end a line when read.
 *
 * A value written with WriteString never spans lines: line breaks in it become blanks, so a
 * value cannot plant other keys or sections in the file. Values that are meant to span lines
 * go through WriteContinuedString (see there).
 */
class TProfileFile
{
public:
    /** Answers whether a key name (as found before "=" in a line) is a key of the file's own
     *  layout; such a line ends a continued value. */
    using TKeyTest = std::function<bool(const QString& keyName)>;

    /** Reads path; a missing file gives an empty profile. A file that exists but cannot be
     *  read throws EPagemintError("Unable to read " + path): it is never taken for an empty
     *  one, so nothing is saved over it. */
    explicit TProfileFile(const QString& path);
    /** A profile over the given bytes, saved to path (for callers that already hold the bytes). */
    TProfileFile(const QString& path, const QByteArray& bytes);

    const QString& Path() const { return m_path; }
    /** The file's content as Save() writes it. */
    QByteArray Bytes() const;

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue = QString()) const;
    qint32 ReadInteger(const QString& section, const QString& key, qint32 defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, qint32 value);
    void WriteBool(const QString& section, const QString& key, bool value);

    /**
     * A value of several lines: the first line is the key's value, each further line stands on
     * a line of its own right below the key line. A plain profile reader sees the first line as
     * the value and the others as lines that are no keys of the file.
     * Reading takes the key's value, then every following line of the section up to a section
     * line, a comment line (";"), or a "name=..." line whose name isKnownKey accepts; blank
     * lines at the end of that run are not part of the value. Each line is cleaned like a value.
     * Returns the lines; an empty list when the key is missing.
     */
    QStringList ReadContinuedString(const QString& section, const QString& key, const TKeyTest& isKnownKey) const;
    /** Replaces the key's line and its continuation lines (as ReadContinuedString finds them)
     *  by the given lines, or adds them where WriteString would add the key. No lines write
     *  an empty value. Line breaks inside a line become blanks. */
    void WriteContinuedString(const QString& section, const QString& key, const QStringList& lines,
                              const TKeyTest& isKnownKey);

    /** Writes the file atomically. Throws EPagemintError("Unable to write to " + path). */
    void Save() const;

    /** The value of a raw "key=value" text as a read gives it: blanks and one enclosing pair
     *  of quotes dropped, cut to 2047 characters. */
    static QString CleanValue(const QString& raw);
    /** The integer a cleaned value reads as, or defaultValue. */
    static qint32 ParseInteger(const QString& value, qint32 defaultValue);

private:
    struct TLine
    {
        QByteArray text;  // without the line end
        QByteArray eol;   // "\r\n", "\n", "\r", or empty for a last line without one
    };

    void Parse(const QByteArray& bytes);
    qsizetype FindSection(const QString& section) const;
    qsizetype SectionEnd(qsizetype header) const;
    qsizetype FindKey(qsizetype header, const QString& key) const;
    /** One past the last continuation line of the key line at index keyLine. */
    qsizetype ContinuationEnd(qsizetype keyLine, const TKeyTest& isKnownKey) const;
    /** Index where a new key of the section goes; creates the section when it is missing. */
    qsizetype InsertionPoint(const QString& section);
    void ReplaceLines(qsizetype first, qsizetype last, const QList<QByteArray>& texts);

    QString m_path;
    QByteArray m_bom;
    std::vector<TLine> m_lines;
};
