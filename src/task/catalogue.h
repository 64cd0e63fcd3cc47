#pragma once

#include <QStringList>

class TPaths;

namespace pagemint {

/** The task names of tasklist.dat in file order, skipping lines without a settings.ini and
 *  names that cannot be a single folder name. Missing file: no names. A file that exists but
 *  cannot be read throws EPagemintError("Unable to read " + path). */
QStringList LoadTaskList(const TPaths& paths);
/** Writes the names to tasklist.dat, each line ended by CR LF (an empty file for no names).
 *  Throws EPagemintError on failure. */
void SaveTaskList(const TPaths& paths, const QStringList& names);

} // namespace pagemint
