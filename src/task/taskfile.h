#pragma once

#include "task/common.h"

class TPaths;

namespace pagemint {

/** Reads a settings.ini into a task; a missing file or key gives the file's defaults. A file
 *  that exists but cannot be read throws EPagemintError("Unable to read " + path). */
TTaskItem LoadTaskFile(const QString& settingsPath);
/** Creates TaskFolder and its Images, Flashes and Downloads folders where missing, then writes
 *  every key of settings.ini. Throws EPagemintError("Unable to write to " + path) on failure,
 *  and EPagemintError("Unable to read " + path) without writing when the file exists but
 *  cannot be read (its other lines would be lost). */
void SaveTaskFile(const TTaskItem& task, const TPaths& paths);

} // namespace pagemint
