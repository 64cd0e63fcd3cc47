#include "extract/extractimages.h"

#include "extract/linktext.h"
#include "extract/pagesnapshot.h"
#include "task/runstate.h"

using namespace pagemint;

namespace {

void ImagesFromLink(const QString& url, TRunState& state)
{
    const QString text = LinkWithSpaces(url);
    const QString folded = AsciiLower(text);
    if (!folded.contains(u"jpg") && !folded.contains(u"jpeg") && !folded.contains(u"gif")
        && !folded.contains(u"bmp"))
        return;
    const QString& required = state.Task.TextInDownload;
    if (!required.isEmpty() && !TextContains(text, required))
        return;
    state.DownloadQueue.QueueDownloadURL(text);
}

void ImagesFromDocument(const TPageSnapshot* document, TRunState& state)
{
    const TTaskItem& task = state.Task;
    if (!document || !task.check2)
        return;
    const bool widthFilter = task.ImageWidthBool && task.ImageWidthMin > 0;
    const bool heightFilter = task.ImageHeightBool && task.ImageHeightMin > 0;
    for (const TSnapshotImage& image : document->images) {
        if (state.StopRequested)
            return;
        if (widthFilter && image.width < task.ImageWidthMin)
            continue;
        if (heightFilter && image.Height < task.ImageHeightMin)
            continue;
        if (!TextContains(image.href, QStringLiteral("http")))
            continue;
        if (!task.TextInDownload.isEmpty() && !TextContains(image.href, task.TextInDownload))
            continue;
        const QString text = LinkWithSpaces(image.href);
        state.DownloadQueue.QueueDownloadURL(text);
    }
}

} // namespace

void pagemint::ExtractImages(const QString& url, const TPageSnapshot* document, TRunState& state)
{
    if (url.isEmpty())
        ImagesFromDocument(document, state);
    else
        ImagesFromLink(url, state);
}
