#pragma once

#include <QString>
#include <functional>

class TResultLists;
class TPaths;

namespace pagemint {

/** Writes listview1.dat, listview3.dat, listview4.dat and listview5.dat of the task, each replaced
 *  atomically and written even when its list is empty; creates the task folder where missing.
 *  Throws EPagemintError at the first file that cannot be written. */
void SaveResultLists(const TResultLists& lists, const TPaths& paths, const QString& taskName);

/** Empties all five lists and fills them from the task's list files (missing files give empty
 *  lists, an incomplete last row is dropped); the Images list is rebuilt by calling
 *  loadGalleryFolder with the task's Images folder (no call when it is empty). A list file
 *  that exists but cannot be read leaves its list empty; once the others are loaded the first
 *  such EPagemintError("Unable to read " + path) is thrown to the caller. */
void LoadResultLists(TResultLists& lists, const TPaths& paths, const QString& taskName,
                     const std::function<void(const QString& imagesFolder)>& loadGalleryFolder);

} // namespace pagemint
