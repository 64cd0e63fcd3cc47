#pragma once
/**
 * Download-link extraction: queues links that hold one of the task's extensions and lists each
 * queued one in the Downloads list. Runs on the user-interface thread inside page processing.
 */

#include <QString>
#include <QStringList>

struct TRunState;
class TResultLists;

namespace pagemint {

/**
 * Splits an extension list: entries separated by commas or unquoted blanks (codes 1 to 32);
 * a double-quoted entry may hold commas and blanks, a doubled quote inside stands for one;
 * two commas in a row give an empty entry, a comma at the very end a final empty entry.
 */
QStringList SplitDownloadExt(const QString& text);

/**
 * The entries of an extension list that take part in matching, in order, each with its "*"
 * removed: an entry takes part when it is not empty once the "*" are removed and it is trimmed.
 */
QStringList UsableDownloadExt(const QString& text);

/**
 * The link, "%2520" replaced by a space, is queued and listed when DownloadExt is empty or the
 * link holds one usable entry (ASCII case ignored, anywhere in the URL), and it holds the task's
 * TextInDownload.
 */
void ExtractDownload(const QString& url, TRunState& state, TResultLists& lists);

} // namespace pagemint
