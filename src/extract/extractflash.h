#pragma once
/**
 * Flash extraction: queues movie addresses in the run's DownloadQueue and lists each queued one
 * in the Flash list. Runs on the user-interface thread inside the crawl's per-page work.
 */

#include <QString>

struct TPageSnapshot;
struct TRunState;
class TResultLists;

namespace pagemint {

/** The class id that marks an object element as a Flash movie (compared whole, ASCII case ignored). */
inline const QString FlashClassId = QStringLiteral("clsid:D27CDB6E-AE6D-11cf-96B8-444553540000");

/**
 * url non-empty (link mode): the link, "%2520" replaced by a space, is queued and listed when it
 * holds ".swf" and the task's TextInDownload.
 * url empty (document mode): every object element with the Flash class id gives its movie; a movie
 * without ":" becomes "http://" + ExtractDirectory(document URL) + "/" + movie. An object without
 * a movie is passed over. Nothing without a document.
 */
void ExtractFlash(const QString& url, const TPageSnapshot* document, TRunState& state,
                  TResultLists& lists);

} // namespace pagemint
