#pragma once
/**
 * Changing stored tasks on disk: saving edited settings (a new name renames the task folder
 * with everything in it first) and copying a task's settings under a new name. Only Task/ is
 * touched; the catalogue and the task tree are the caller's. User-interface thread (any one
 * thread, never two at once on the same task).
 */

#include "task/common.h"

class TPaths;

namespace pagemint {

/** Why the folder of stored task oldName cannot be renamed to newName, or an empty text when
 *  it can (also when the names are equal). newName must be one folder name under Task/ that
 *  no file or folder holds yet. */
QString TaskRenameRefusal(const TPaths& paths, const QString& oldName, const QString& newName);

/**
 * Writes task as the settings of stored task oldName; task.TaskName may be a new name. With
 * a new name the task folder (settings, result lists, downloaded files) is renamed first and
 * settings.ini is rewritten inside it by the task file rules. Throws EPagemintError with the
 * reason when the rename is refused or fails, or when settings.ini cannot be written; the
 * folder then keeps (or gets back) its old name and a folder made for the new name is removed.
 */
void SaveEditedTask(const TTaskItem& task, const QString& oldName, const TPaths& paths);

/**
 * A name for a copy of task name: name + " (2)", or the next free number. A name that already
 * ends in " (n)" counts on from n ("a (2)" gives "a (3)"). A name is free when it is not in
 * taken (exact comparison) and Task/ holds no file or folder of that name, so a copy never
 * picks up the results left in the folder of a deleted task.
 */
QString TaskCopyName(const QString& name, const QStringList& taken, const TPaths& paths);

/**
 * Makes task copyName from the settings of stored task sourceName: its folder with empty
 * Images, Flashes and Downloads folders and a settings.ini that is the source's with TaskName
 * and TaskDir naming the copy (other lines of the file are kept). No result list or downloaded
 * file is copied. Returns the copy's settings. Throws EPagemintError when the source has no
 * settings.ini, copyName is refused as by TaskRenameRefusal, or the copy cannot be written;
 * a half-made copy is removed again.
 */
TTaskItem DuplicateTask(const TPaths& paths, const QString& sourceName, const QString& copyName);

} // namespace pagemint
