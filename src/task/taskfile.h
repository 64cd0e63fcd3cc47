#pragma once

#include "task/common.h"

class TPaths;

/** Reads a settings.ini into a task; a missing file or key gives the file's defaults. Never fails. */
TTaskItem LoadTaskFile(const QString& settingsPath);
/** Creates TaskFolder and its Images, Flashes and Downloads folders where missing, then writes
 *  every key of settings.ini. Throws EPagemintError("Unable to write to " + path) on failure. */
void SaveTaskFile(const TTaskItem& task, const TPaths& paths);
