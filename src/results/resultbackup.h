#pragma once

#include <QString>

class TPaths;

/**
 * One backup generation of a task's result list files, so that a run that replaces them
 * (and perhaps is stopped after a few rows) never loses the last complete results.
 *
 * The backup lives in the task folder, in the sub-folder "Previous", and holds copies of the
 * list files under their own names ("listview1.dat", "listview3.dat" .. "listview5.dat").
 * A list file that the kept set did not have is absent there too, so the backup loads exactly
 * as the kept set did. Only the list files are kept: the downloaded files in "Images",
 * "Flashes" and "Downloads" are never touched.
 *
 * Failures throw EPagemintError("Unable to write to " + path) and never lose data: a backup
 * that cannot be written completely leaves the former backup as it was, and a restore moves
 * each file by renames only, so either content always exists under one of its names.
 * Functions of the UI thread; the caller makes sure no save of the same task runs meanwhile.
 */

namespace pagemint {

/** The backup folder of a task: TaskFolder + "/Previous". */
QString ResultBackupFolder(const TPaths& paths, const QString& taskName);

/** Whether the task has a backup generation: at least one list file in its backup folder. */
bool HasResultBackup(const TPaths& paths, const QString& taskName);

/**
 * Makes the task's current list files the backup generation, replacing the former one.
 * When the task has no list file at all (it never ran), there is nothing to keep: the former
 * backup stays and the answer is false; otherwise the answer is true.
 * Call it once per run, before the run first writes the list files.
 */
bool BackupResultLists(const TPaths& paths, const QString& taskName);

/**
 * Brings the backup generation back by swapping it with the current list files, file by
 * file: afterwards the current set is what the backup held and the backup holds the set that
 * was current, so a second restore undoes the first. Each file is moved by renames within
 * the task folder; a failure part-way leaves every content under one of its names.
 * Does nothing and answers false when there is no backup; answers true after a restore.
 */
bool RestoreResultLists(const TPaths& paths, const QString& taskName);

} // namespace pagemint
