#include "task/profilefile.h"

#include "task/textfile.h"

#include <algorithm>
#include <limits>

using namespace pagemint;

namespace {

constexpr qsizetype kMaxValueLength = 2047;
const QByteArray kCrLf("\r\n");
const QByteArray kBom("\xEF\xBB\xBF");

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

QByteArray TrimBlanks(const QByteArray& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

inline char FoldByte(char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; }

bool NamesEqual(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (FoldByte(a.at(i)) != FoldByte(b.at(i)))
            return false;
    }
    return true;
}

/** What one line of the file is. */
struct TLineInfo
{
    enum Kind { Other, Section, Key, Comment } kind = Other;
    QByteArray name;   // section name, or key name (trimmed)
    QByteArray value;  // raw value after "=", leading blanks skipped (key lines only)
};

TLineInfo Classify(const QByteArray& text)
{
    TLineInfo info;
    const QByteArray line = TrimBlanks(text);
    if (line.isEmpty())
        return info;
    if (line.at(0) == '[') {
        const qsizetype close = line.lastIndexOf(']');
        if (close > 0) {
            info.kind = TLineInfo::Section;
            info.name = line.mid(1, close - 1);
            return info;
        }
    }
    if (line.at(0) == ';') {
        info.kind = TLineInfo::Comment;
        return info;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq >= 0) {
        info.kind = TLineInfo::Key;
        info.name = TrimBlanks(line.left(eq));
        info.value = line.mid(eq + 1);
    }
    return info;
}

/** A value as it is put in the file: one line. */
QByteArray SingleLine(const QString& value)
{
    QByteArray bytes = value.toUtf8();
    for (char& c : bytes) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return bytes;
}

} // namespace

TProfileFile::TProfileFile(const QString& path)
    : m_path(path)
{
    Parse(ReadFileBytes(path));
}

TProfileFile::TProfileFile(const QString& path, const QByteArray& bytes)
    : m_path(path)
{
    Parse(bytes);
}

void TProfileFile::Parse(const QByteArray& bytes)
{
    qsizetype start = 0;
    if (bytes.startsWith(kBom)) {
        m_bom = kBom;
        start = kBom.size();
    }
    const qsizetype n = bytes.size();
    qsizetype lineStart = start;
    for (qsizetype i = start; i < n; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        TLine line;
        line.text = bytes.mid(lineStart, i - lineStart);
        if (c == '\r' && i + 1 < n && bytes.at(i + 1) == '\n') {
            line.eol = kCrLf;
            ++i;
        } else {
            line.eol = QByteArray(1, c);
        }
        m_lines.push_back(std::move(line));
        lineStart = i + 1;
    }
    if (lineStart < n)
        m_lines.push_back(TLine{bytes.mid(lineStart), QByteArray()});
}

QByteArray TProfileFile::Bytes() const
{
    QByteArray bytes = m_bom;
    for (const TLine& line : m_lines) {
        bytes += line.text;
        bytes += line.eol;
    }
    return bytes;
}

qsizetype TProfileFile::FindSection(const QString& section) const
{
    const QByteArray name = section.toUtf8();
    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i) {
        const TLineInfo info = Classify(m_lines[i].text);
        if (info.kind == TLineInfo::Section && NamesEqual(info.name, name))
            return i;
    }
    return -1;
}

qsizetype TProfileFile::SectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < qsizetype(m_lines.size()) && Classify(m_lines[i].text).kind != TLineInfo::Section)
        ++i;
    return i;
}

qsizetype TProfileFile::FindKey(qsizetype header, const QString& key) const
{
    const QByteArray name = key.toUtf8();
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const TLineInfo info = Classify(m_lines[i].text);
        if (info.kind == TLineInfo::Key && NamesEqual(info.name, name))
            return i;
    }
    return -1;
}

qsizetype TProfileFile::ContinuationEnd(qsizetype keyLine, const TKeyTest& isKnownKey) const
{
    qsizetype end = keyLine + 1;  // one past the last non-blank continuation line
    for (qsizetype i = keyLine + 1; i < qsizetype(m_lines.size()); ++i) {
        const TLineInfo info = Classify(m_lines[i].text);
        if (info.kind == TLineInfo::Section || info.kind == TLineInfo::Comment)
            break;
        if (info.kind == TLineInfo::Key && isKnownKey && isKnownKey(QString::fromUtf8(info.name)))
            break;
        if (!TrimBlanks(m_lines[i].text).isEmpty())
            end = i + 1;
    }
    return end;
}

qsizetype TProfileFile::InsertionPoint(const QString& section)
{
    const qsizetype header = FindSection(section);
    if (header < 0) {
        ReplaceLines(qsizetype(m_lines.size()), qsizetype(m_lines.size()),
                     {QByteArray(1, '[') + section.toUtf8() + QByteArray(1, ']')});
        return qsizetype(m_lines.size());
    }
    const qsizetype end = SectionEnd(header);
    qsizetype at = header + 1;
    for (qsizetype i = header + 1; i < end; ++i) {
        if (!TrimBlanks(m_lines[i].text).isEmpty())
            at = i + 1;
    }
    return at;
}

void TProfileFile::ReplaceLines(qsizetype first, qsizetype last, const QList<QByteArray>& texts)
{
    // The line before new text must end, also when it was the file's unterminated last line.
    if (first > 0 && m_lines[first - 1].eol.isEmpty())
        m_lines[first - 1].eol = kCrLf;
    QByteArray lastEol = kCrLf;
    if (last > first)
        lastEol = m_lines[last - 1].eol;
    std::vector<TLine> replacement;
    replacement.reserve(texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i)
        replacement.push_back(TLine{texts[i], i + 1 == texts.size() ? lastEol : kCrLf});
    m_lines.erase(m_lines.begin() + first, m_lines.begin() + last);
    m_lines.insert(m_lines.begin() + first, replacement.begin(), replacement.end());
}

QString TProfileFile::CleanValue(const QString& raw)
{
    qsizetype begin = 0;
    qsizetype end = raw.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; };
    while (begin < end && blank(raw.at(begin)))
        ++begin;
    while (end > begin && blank(raw.at(end - 1)))
        --end;
    if (end - begin >= 2) {
        const QChar first = raw.at(begin);
        if ((first == u'"' || first == u'\'') && raw.at(end - 1) == first) {
            ++begin;
            --end;
        }
    }
    qsizetype length = std::min(end - begin, kMaxValueLength);
    // Never leave half of a surrogate pair at the cut.
    if (length < end - begin && length > 0 && raw.at(begin + length - 1).isHighSurrogate())
        --length;
    return raw.mid(begin, length);
}

qint32 TProfileFile::ParseInteger(const QString& value, qint32 defaultValue)
{
    const qsizetype n = value.size();
    if (n > 2 && value.at(0) == u'0' && (value.at(1) == u'x' || value.at(1) == u'X')) {
        quint64 result = 0;
        for (qsizetype i = 2; i < n; ++i) {
            const char16_t c = value.at(i).unicode();
            const int digit = (c >= u'0' && c <= u'9') ? c - u'0'
                : (c >= u'a' && c <= u'f')             ? c - u'a' + 10
                : (c >= u'A' && c <= u'F')             ? c - u'A' + 10
                                                       : -1;
            if (digit < 0)
                return defaultValue;
            result = result * 16 + quint64(digit);
            if (result > 0xFFFFFFFFull)
                return defaultValue;
        }
        // Eight hex digits fill all 32 bits: 0xFFFFFFFF reads as -1.
        return qint32(quint32(result));
    }

    qsizetype i = 0;
    bool negative = false;
    if (i < n && (value.at(i) == u'+' || value.at(i) == u'-')) {
        negative = value.at(i) == u'-';
        ++i;
    }
    if (i == n)
        return defaultValue;
    qint64 result = 0;
    for (; i < n; ++i) {
        const char16_t c = value.at(i).unicode();
        if (c < u'0' || c > u'9')
            return defaultValue;
        result = result * 10 + (c - u'0');
        if (result > qint64(1) << 31)
            return defaultValue;
    }
    if (negative)
        result = -result;
    if (result > std::numeric_limits<qint32>::max() || result < std::numeric_limits<qint32>::min())
        return defaultValue;
    return qint32(result);
}

QString TProfileFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const qsizetype header = FindSection(section);
    if (header < 0)
        return defaultValue;
    const qsizetype line = FindKey(header, key);
    if (line < 0)
        return defaultValue;
    return CleanValue(Utf8Text(Classify(m_lines[line].text).value));
}

qint32 TProfileFile::ReadInteger(const QString& section, const QString& key, qint32 defaultValue) const
{
    const qsizetype header = FindSection(section);
    if (header < 0)
        return defaultValue;
    const qsizetype line = FindKey(header, key);
    if (line < 0)
        return defaultValue;
    return ParseInteger(CleanValue(Utf8Text(Classify(m_lines[line].text).value)), defaultValue);
}

bool TProfileFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TProfileFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    WriteContinuedString(section, key, {value}, nullptr);
}

void TProfileFile::WriteInteger(const QString& section, const QString& key, qint32 value)
{
    WriteString(section, key, QString::number(value));
}

void TProfileFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList TProfileFile::ReadContinuedString(const QString& section, const QString& key,
                                              const TKeyTest& isKnownKey) const
{
    const qsizetype header = FindSection(section);
    if (header < 0)
        return {};
    const qsizetype line = FindKey(header, key);
    if (line < 0)
        return {};
    QStringList lines{CleanValue(Utf8Text(Classify(m_lines[line].text).value))};
    const qsizetype end = ContinuationEnd(line, isKnownKey);
    for (qsizetype i = line + 1; i < end; ++i)
        lines.append(CleanValue(Utf8Text(m_lines[i].text)));
    return lines;
}

void TProfileFile::WriteContinuedString(const QString& section, const QString& key, const QStringList& lines,
                                        const TKeyTest& isKnownKey)
{
    QList<QByteArray> texts;
    texts.reserve(std::max<qsizetype>(lines.size(), 1));
    for (const QString& line : lines)
        texts.append(SingleLine(line));
    if (texts.isEmpty())
        texts.append(QByteArray());

    const qsizetype header = FindSection(section);
    const qsizetype keyLine = header < 0 ? -1 : FindKey(header, key);
    if (keyLine >= 0) {
        // Keep the key's spelling found in the file.
        texts[0] = Classify(m_lines[keyLine].text).name + '=' + texts[0];
        const qsizetype end = isKnownKey ? ContinuationEnd(keyLine, isKnownKey) : keyLine + 1;
        ReplaceLines(keyLine, end, texts);
    } else {
        texts[0] = key.toUtf8() + '=' + texts[0];
        const qsizetype at = InsertionPoint(section);
        ReplaceLines(at, at, texts);
    }
}

void TProfileFile::Save() const
{
    WriteFileAtomically(m_path, Bytes());
}
