#pragma once
/**
 * Text extraction: up to five values per page, each cut out of the page's rendered text by
 * one text rule (text before, text include, text after). Pure functions over a snapshot;
 * runs on the user-interface thread inside the crawl's per-page work.
 */

#include <QString>
#include <QStringList>

struct TPageSnapshot;
struct TRunState;
struct TTaskItem;
class TResultLists;

namespace pagemint {

/** Only this many characters (code points, not UTF-16 units) of a line take part in the search. */
inline constexpr qsizetype TextLineLimit = 4096;

} // namespace pagemint

/**
 * A page's rendered text split into lines at CR LF (also a lone CR or LF), each cut to
 * TextLineLimit characters (a character outside the Basic Multilingual Plane counts once and
 * is never split), with the ASCII-folded form of every line kept beside it so that
 * the five rules fold the page only once.
 */
class TPageText
{
public:
    TPageText() = default;
    explicit TPageText(const QString& text);

    qsizetype LineCount() const { return m_lines.size(); }
    const QString& Line(qsizetype i) const { return m_lines.at(i); }
    const QString& FoldedLine(qsizetype i) const { return m_folded.at(i); }

private:
    QStringList m_lines;
    QStringList m_folded;
};

namespace pagemint {

/** The value of one rule: the first non-empty candidate of the lines in order, else empty. */
QString FindRuleValue(const TPageText& text, const QString& before, const QString& include,
                      const QString& after);

/** True when the run extracts text: output "Text" is on and at least one marker is non-empty. */
bool TextExtractionRuns(const TTaskItem& task);

/**
 * Appends one Text row of the five rule values of the page to the Text list, unless all five
 * are empty. A document without a body counts as an empty text and adds no row.
 */
void ExtractText(const TPageSnapshot& document, const TRunState& state, TResultLists& lists);

} // namespace pagemint
