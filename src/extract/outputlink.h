#pragma once
/**
 * Link output: lists every distinct link URL of the run (optionally only those holding the
 * task's LinksText) in the Links list. Runs on the user-interface thread inside page processing.
 */

#include <QString>

struct TRunState;
class TResultLists;

namespace pagemint {

/** Appends url, exactly as received, to LinkOutputList and the Links list, unless LinksText is
 *  set and the url does not hold it, or an entry equal to it in ASCII-folded form is listed. */
void OutputLink(const QString& url, TRunState& state, TResultLists& lists);

} // namespace pagemint
