#pragma once
/**
 * The one script that reads a loaded document into a TPageSnapshot, and the parser of its
 * answer. The script runs in the application world, so it also runs when page scripts are off,
 * and answers with one JSON text. Pure functions; any thread.
 */

#include "extract/pagesnapshot.h"

#include <QString>
#include <memory>

namespace pagemint {

/** The script; its answer is a JSON object with URL, links, images, objects, hasBody,
 *  bodyText and timeOrigin (the document's navigation start, ms since the epoch). */
const QString& SnapshotScript();

/** The snapshot of a script answer, or nullptr when the answer is not a snapshot. timeOrigin
 *  receives the document's navigation start when given. */
std::shared_ptr<TPageSnapshot> ParseSnapshot(const QString& answer, double* timeOrigin = nullptr);

} // namespace pagemint
