#include "results/exportlist.h"

#include "results/resultlists.h"
#include "task/textfile.h"

QStringList ExportLines(const TResultLists& lists, int tab)
{
    QStringList lines;
    const QChar sep(u';');
    switch (tab) {
    case TabText:
        lines.reserve(qsizetype(lists.Text().size()));
        for (const TTextRow& row : lists.Text())
            lines.append(row[0] + sep + row[1] + sep + row[2] + sep + row[3] + sep + row[4]);
        break;
    case TabImages:
        lines = lists.Images().Captions();
        break;
    case TabFlash:
        for (const TNameLinkRow& row : lists.Flash())
            lines.append(row.Name + sep + row.Link);
        break;
    case TabDownloads:
        for (const TNameLinkRow& row : lists.Downloads())
            lines.append(row.Name + sep + row.Link);
        break;
    case TabLinks:
        lines = lists.Links();
        break;
    default:
        break;
    }
    return lines;
}

QString EmptyListMessage(int tab)
{
    switch (tab) {
    case TabText: return QStringLiteral("Text list is empty!");
    case TabImages: return QStringLiteral("Image list is empty!");
    case TabFlash: return QStringLiteral("Flashes list is empty!");
    case TabDownloads: return QStringLiteral("Downloads list is empty!");
    case TabLinks: return QStringLiteral("Links list is empty!");
    default: return QString();
    }
}

void ExportList(const TResultLists& lists, int tab, const QString& path)
{
    if (tab < TabText || tab > TabLinks)
        return;
    // One line per row, also when a value holds a line break.
    QStringList lines = ExportLines(lists, tab);
    for (QString& line : lines)
        line = OneLine(line);
    WriteTextLines(path, lines);
}
