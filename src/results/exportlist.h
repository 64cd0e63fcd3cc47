#pragma once

#include <QString>
#include <QStringList>

class TResultLists;

namespace pagemint {

/** The lines of an export of one tab: values joined by ";" (Images: the captions). Empty for a tab outside 0..4. */
QStringList ExportLines(const TResultLists& lists, int tab);
/** "Text list is empty!", "Image list is empty!", "Flashes list is empty!", "Downloads list is empty!",
 *  "Links list is empty!"; empty for a tab outside 0..4. */
QString EmptyListMessage(int tab);
/** Writes ExportLines to path (each line + CR LF), replacing the file atomically. Throws EPagemintError. */
void ExportList(const TResultLists& lists, int tab, const QString& path);

} // namespace pagemint
