#pragma once
/**
 * Page processing and link following: walks a loaded page's links in document order, offers each
 * to link following and, as the run's task selects, to the per-link extractors.
 * Runs on the user-interface thread inside the crawl driver's per-page work; never pumps events.
 */

#include <QString>

struct TPageSnapshot;
struct TRunState;
class TResultLists;

namespace pagemint {

/**
 * For each link of the document, in order: CollectLink, then ExtractImages (Images and
 * ImageLinkBool on), ExtractFlash (Flash on), ExtractDownload (Downloads on) and OutputLink
 * (Links on), all with the link's URL. Reads the run's own task copy, state.Task.
 */
void ProcessPage(const TPageSnapshot& document, TRunState& state, TResultLists& lists);

/**
 * Appends url, unchanged, to NextLevelURLList when it passes the task's page-location policy
 * against StartURLList, holds none of "mail", "script:", "#", does not end in ".exe", ".zip",
 * ".rar", ".chm", ".pdf" or ".txt", holds TextinSearch, and is in none of VisitedURLList,
 * LevelURLList and NextLevelURLList (letter case ignored). Drops it otherwise.
 */
void CollectLink(const QString& url, TRunState& state);

} // namespace pagemint
