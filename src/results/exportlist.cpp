#include "results/exportlist.h"

#include "results/resultlists.h"
#include "task/textfile.h"

using namespace pagemint;

QStringList pagemint::ExportLines(const TResultLists& lists, int tab)
{
    QStringList lines;
    const TResultTabInfo* info = ResultTabInfo(tab);
    if (!info)
        return lines;
    const qsizetype rows = lists.RowCount(tab);
    lines.reserve(rows);
    for (qsizetype row = 0; row < rows; ++row) {
        QString line = lists.Cell(tab, row, 0);
        for (int column = 1; column < info->Columns; ++column)
            line += u';' + lists.Cell(tab, row, column);
        lines.append(line);
    }
    return lines;
}

QString pagemint::EmptyListMessage(int tab)
{
    const TResultTabInfo* info = ResultTabInfo(tab);
    return info ? QString::fromLatin1(info->EmptyMessage) : QString();
}

void pagemint::ExportList(const TResultLists& lists, int tab, const QString& path)
{
    if (!IsResultTab(tab))
        return;
    // One line per row, also when a value holds a line break.
    QStringList lines = ExportLines(lists, tab);
    for (QString& line : lines)
        line = OneLine(line);
    WriteTextLines(path, lines);
}
