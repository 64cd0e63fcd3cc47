#include "extract/extracttext.h"

#include "extract/pagesnapshot.h"
#include "results/resultlists.h"
#include "task/runstate.h"

using namespace pagemint;

namespace {

/** How many UTF-16 units the first `limit` characters of text[start, end) take: a surrogate
 *  pair is one character and is never split. */
qsizetype CharactersUnits(const QString& text, qsizetype start, qsizetype end, qsizetype limit)
{
    qsizetype i = start;
    for (qsizetype count = 0; count < limit && i < end; ++count) {
        if (text.at(i).isHighSurrogate() && i + 1 < end && text.at(i + 1).isLowSurrogate())
            i += 2;
        else
            ++i;
    }
    return i - start;
}

} // namespace

TPageText::TPageText(const QString& text)
{
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n) {
        qsizetype end = start;
        while (end < n && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        const QString line = text.mid(start, CharactersUnits(text, start, end, TextLineLimit));
        m_lines.append(line);
        m_folded.append(AsciiLower(line));
        if (end < n && text.at(end) == u'\r' && end + 1 < n && text.at(end + 1) == u'\n')
            ++end;
        start = end + 1;
    }
}

namespace {

/** Candidate when the before marker is given (positions on the folded line cut the line itself). */
QString CandidateAfterBefore(const QString& line, const QString& folded, const QString& before,
                             const QString& include, const QString& after)
{
    const qsizetype at = folded.indexOf(before);
    if (at < 0)
        return {};
    const qsizetype restStart = at + before.size();
    const QStringView foldedRest = QStringView(folded).mid(restStart);
    qsizetype end = -1;
    if (!after.isEmpty())
        end = foldedRest.indexOf(after);
    if (end < 0)
        end = foldedRest.indexOf(u'<');
    if (end < 0)
        return {};
    const QString candidate = line.mid(restStart, end);
    if (!include.isEmpty() && !AsciiLower(candidate).contains(include))
        return {};
    return candidate;
}

} // namespace

QString pagemint::FindRuleValue(const TPageText& text, const QString& before, const QString& include,
                      const QString& after)
{
    const QString foldedBefore = AsciiLower(before);
    const QString foldedInclude = AsciiLower(include);
    const QString foldedAfter = AsciiLower(after);
    if (before.isEmpty() && include.isEmpty() && after.isEmpty())
        return {};

    for (qsizetype i = 0; i < text.LineCount(); ++i) {
        const QString& line = text.Line(i);
        const QString& folded = text.FoldedLine(i);
        QString candidate;
        if (!before.isEmpty()) {
            candidate = CandidateAfterBefore(line, folded, foldedBefore, foldedInclude, foldedAfter);
        } else if (!include.isEmpty()) {
            if (!folded.contains(foldedInclude))
                continue;
            if (after.isEmpty()) {
                candidate = line;
            } else {
                const qsizetype end = folded.indexOf(foldedAfter);
                if (end >= 0)
                    candidate = line.left(end);
            }
        } else {
            const qsizetype end = folded.indexOf(foldedAfter);
            if (end >= 0)
                candidate = line.left(end);
        }
        if (!candidate.isEmpty())
            return candidate;
    }
    return {};
}

bool pagemint::TextExtractionRuns(const TTaskItem& task)
{
    if (!task.check1)
        return false;
    for (const auto& rule : task.OutText)
        for (const QString& marker : rule)
            if (!marker.isEmpty())
                return true;
    return false;
}

void pagemint::ExtractText(const TPageSnapshot& document, const TRunState& state, TResultLists& lists)
{
    if (!document.hasBody)
        return;
    const TPageText text(document.bodyText);
    TTextRow row;
    bool any = false;
    for (int r = 0; r < 5; ++r) {
        const auto& rule = state.Task.OutText[r];
        row[r] = FindRuleValue(text, rule[0], rule[1], rule[2]);
        any = any || !row[r].isEmpty();
    }
    if (any)
        lists.AddText(row);
}
