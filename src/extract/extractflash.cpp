#include "extract/extractflash.h"

#include "extract/linktext.h"
#include "extract/pagesnapshot.h"
#include "results/resultlists.h"
#include "task/runstate.h"

using namespace pagemint;

namespace {

void QueueMovie(const QString& text, TRunState& state, TResultLists& lists)
{
    if (state.DownloadQueue.QueueDownloadURL(text))
        lists.AddFlash({ExtractURLFileName(text), text});
}

void FlashFromLink(const QString& url, TRunState& state, TResultLists& lists)
{
    const QString text = LinkWithSpaces(url);
    if (!TextContains(text, QStringLiteral(".swf")))
        return;
    const QString& required = state.Task.TextInDownload;
    if (!required.isEmpty() && !TextContains(text, required))
        return;
    QueueMovie(text, state, lists);
}

void FlashFromDocument(const TPageSnapshot* document, TRunState& state, TResultLists& lists)
{
    if (!document)
        return;
    const QString& required = state.Task.TextInDownload;
    QString directory; // worked out once, for the first relative movie of the page
    bool haveDirectory = false;
    for (const TSnapshotObject& object : document->objects) {
        if (!TextEquals(object.classid, FlashClassId))
            continue;
        // An object without a movie names nothing to fetch.
        if (!object.hasMovie)
            continue;
        QString movie = object.movie;
        if (!movie.contains(u':')) {
            if (!haveDirectory) {
                directory = ExtractDirectory(document->URL);
                haveDirectory = true;
            }
            movie = QStringLiteral("http://") + directory + u'/' + movie;
        }
        if (!required.isEmpty() && !TextContains(movie, required))
            continue;
        QueueMovie(movie, state, lists);
    }
}

} // namespace

void pagemint::ExtractFlash(const QString& url, const TPageSnapshot* document, TRunState& state,
                  TResultLists& lists)
{
    if (url.isEmpty())
        FlashFromDocument(document, state, lists);
    else
        FlashFromLink(url, state, lists);
}
