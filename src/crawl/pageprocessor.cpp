#include "crawl/pageprocessor.h"

#include "extract/pagesnapshot.h"
#include "extract/extractdownload.h"
#include "extract/extractflash.h"
#include "extract/extractimages.h"
#include "extract/outputlink.h"
#include "task/logging.h"
#include "task/runstate.h"

#include <exception>
#include <vector>

using namespace pagemint;

namespace {

/** The parts of the start URLs that the page-location policy compares, worked out once a page. */
class TStartParts
{
public:
    explicit TStartParts(const TRunState& state)
        : m_policy(state.Task.PageLocation)
    {
        for (const QString& start : state.StartURLList) {
            if (m_policy == PageLocationSameSite)
                m_parts.push_back(ExtractHost(start));
            else if (m_policy == PageLocationSameDirectory)
                m_parts.push_back(AsciiLower(ExtractDirectory(start)));
            // An empty start line names no directory; under containment it would admit every
            // link on the web, so it admits none.
            else if (m_policy == PageLocationBelowDirectory && !ExtractDirectory(start).isEmpty())
                m_parts.push_back(AsciiLower(ExtractDirectory(start)));
        }
    }

    bool Admits(const QString& url) const
    {
        switch (m_policy) {
        case PageLocationSameSite: {
            const QString host = ExtractHost(url);
            for (const QString& part : m_parts)
                if (host == part)
                    return true;
            return false;
        }
        case PageLocationBelowDirectory: {
            const QString directory = AsciiLower(ExtractDirectory(url));
            for (const QString& part : m_parts)
                if (directory.contains(part))
                    return true;
            return false;
        }
        case PageLocationSameDirectory: {
            const QString directory = AsciiLower(ExtractDirectory(url));
            for (const QString& part : m_parts)
                if (directory == part)
                    return true;
            return false;
        }
        default:
            return true;
        }
    }

private:
    qint32 m_policy;
    std::vector<QString> m_parts;
};

bool HasExcludedEnding(const QString& folded)
{
    static const QString endings[] = {QStringLiteral(".exe"), QStringLiteral(".zip"),
                                      QStringLiteral(".rar"), QStringLiteral(".chm"),
                                      QStringLiteral(".pdf"), QStringLiteral(".txt")};
    const QStringView last4 = QStringView(folded).right(4);
    for (const QString& ending : endings)
        if (last4 == ending)
            return true;
    return false;
}

void Collect(const QString& url, const TStartParts& starts, TRunState& state)
{
    // Link following drops a link on any error instead of ending the run.
    try {
        if (!starts.Admits(url))
            return;
        const QString folded = AsciiLower(url);
        if (folded.contains(u"mail") || folded.contains(u"script:") || folded.contains(u'#'))
            return;
        if (HasExcludedEnding(folded))
            return;
        const QString& required = state.Task.TextinSearch;
        if (!required.isEmpty() && !folded.contains(AsciiLower(required)))
            return;
        if (state.VisitedURLList.ContainsFolded(url) || state.LevelURLList.ContainsFolded(url)
            || state.NextLevelURLList.ContainsFolded(url))
            return;
        state.NextLevelURLList.Append(url);
    } catch (const std::exception& error) {
        qCDebug(lcCrawl, "link dropped on an error: %s: %s", qUtf8Printable(url), error.what());
    }
}

} // namespace

void pagemint::CollectLink(const QString& url, TRunState& state)
{
    Collect(url, TStartParts(state), state);
}

void pagemint::ProcessPage(const TPageSnapshot& document, TRunState& state, TResultLists& lists)
{
    const TTaskItem& task = state.Task;
    const TStartParts starts(state);
    // Everything queued from this document names it as the page it was found on.
    state.DownloadQueue.SetReferringPage(document.URL);
    // The snapshot's link list is plain data, so it stays valid whatever the extractors do.
    for (const QString& url : document.links) {
        Collect(url, starts, state);
        if (task.check2 && task.ImageLinkBool)
            ExtractImages(url, &document, state);
        if (task.check3)
            ExtractFlash(url, &document, state, lists);
        if (task.check4)
            ExtractDownload(url, state, lists);
        if (task.check5)
            OutputLink(url, state, lists);
    }
}
