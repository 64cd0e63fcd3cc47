#include "extract/extractdownload.h"

#include "extract/linktext.h"
#include "results/resultlists.h"
#include "task/runstate.h"

using namespace pagemint;

namespace {

bool IsBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

} // namespace

QStringList pagemint::SplitDownloadExt(const QString& text)
{
    // A NUL character ends the text, as it ends the C string the list was parsed from.
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    const qsizetype n = nul >= 0 ? nul : text.size();
    QStringList entries;
    qsizetype p = 0;
    while (p < n && IsBlank(text.at(p)))
        ++p;
    while (p < n) {
        QString entry;
        if (text.at(p) == u'"') {
            ++p;
            while (p < n) {
                if (text.at(p) == u'"') {
                    ++p;
                    if (p < n && text.at(p) == u'"') {
                        entry.append(u'"');
                        ++p;
                        continue;
                    }
                    break;
                }
                entry.append(text.at(p));
                ++p;
            }
        } else {
            const qsizetype start = p;
            while (p < n && text.at(p).unicode() > 32 && text.at(p) != u',')
                ++p;
            entry = text.mid(start, p - start);
        }
        entries.append(entry);
        while (p < n && IsBlank(text.at(p)))
            ++p;
        if (p < n && text.at(p) == u',') {
            if (p + 1 == n)
                entries.append(QString());
            do {
                ++p;
            } while (p < n && IsBlank(text.at(p)));
        }
    }
    return entries;
}

QStringList pagemint::UsableDownloadExt(const QString& text)
{
    QStringList usable;
    for (QString entry : SplitDownloadExt(text)) {
        entry.remove(u'*');
        if (!TrimControl(entry).isEmpty())
            usable.append(entry);
    }
    return usable;
}

void pagemint::ExtractDownload(const QString& url, TRunState& state, TResultLists& lists)
{
    const QString text = LinkWithSpaces(url);
    const TTaskItem& task = state.Task;
    if (!task.DownloadExt.isEmpty()) {
        const QString folded = AsciiLower(text);
        bool found = false;
        for (const QString& entry : UsableDownloadExt(task.DownloadExt)) {
            if (folded.contains(AsciiLower(entry))) {
                found = true;
                break;
            }
        }
        if (!found)
            return;
    }
    if (!task.TextInDownload.isEmpty() && !TextContains(text, task.TextInDownload))
        return;
    if (state.DownloadQueue.QueueDownloadURL(text))
        lists.AddDownload({ExtractURLFileName(text), text});
}
