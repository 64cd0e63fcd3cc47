#pragma once
/**
 * Image extraction: queues picture addresses in the run's DownloadQueue. Adds no result row.
 * Runs on the user-interface thread inside the crawl's per-page work.
 */

#include <QString>

struct TPageSnapshot;
struct TRunState;

namespace pagemint {

/**
 * url non-empty (link mode): queues the link, "%2520" replaced by a space, when it holds
 * "jpg", "jpeg", "gif" or "bmp" and the task's TextInDownload.
 * url empty (document mode): walks the document's images with the size filters, the "http" test
 * and TextInDownload, stopping at once when StopRequested is set. Nothing without a document
 * or with output "Images" off.
 */
void ExtractImages(const QString& url, const TPageSnapshot* document, TRunState& state);

} // namespace pagemint
