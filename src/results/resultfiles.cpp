#include "results/resultfiles.h"

#include "results/resultlists.h"
#include "task/errors.h"
#include "task/paths.h"
#include "task/textfile.h"

#include <QDir>

#include <optional>

using namespace pagemint;

namespace {

QStringList NameLinkLines(const std::vector<TNameLinkRow>& rows)
{
    QStringList lines;
    lines.reserve(qsizetype(rows.size()) * 2);
    for (const TNameLinkRow& row : rows)
        lines << OneLine(row.Name) << OneLine(row.Link);
    return lines;
}

std::vector<TNameLinkRow> NameLinkRows(const QStringList& lines)
{
    std::vector<TNameLinkRow> rows;
    const qsizetype count = lines.size() / 2;  // a last odd line is ignored
    rows.reserve(size_t(count));
    for (qsizetype r = 0; r < count; ++r)
        rows.push_back(TNameLinkRow{lines.at(2 * r), lines.at(2 * r + 1)});
    return rows;
}

} // namespace

void pagemint::SaveResultLists(const TResultLists& lists, const TPaths& paths, const QString& taskName)
{
    // A name that is no single folder name under Task/ would write outside it.
    if (!TPaths::IsUsableTaskName(taskName))
        throw EPagemintError(QStringLiteral("Unable to write to ") + paths.ListFile(taskName, TabText));
    QDir().mkpath(paths.TaskFolder(taskName));

    // Each value is one line of its file: a line break inside a value (a page's Flash movie
    // attribute may hold one) would shift every later row on reading, so it is stored as a blank.
    QStringList text;
    text.reserve(qsizetype(lists.Text().size()) * 5);
    for (const TTextRow& row : lists.Text()) {
        for (const QString& value : row)
            text.append(OneLine(value));
    }
    WriteTextLines(paths.ListFile(taskName, TabText), text);
    WriteTextLines(paths.ListFile(taskName, TabFlash), NameLinkLines(lists.Flash()));
    WriteTextLines(paths.ListFile(taskName, TabDownloads), NameLinkLines(lists.Downloads()));
    QStringList links;
    links.reserve(lists.Links().size());
    for (const QString& link : lists.Links())
        links.append(OneLine(link));
    WriteTextLines(paths.ListFile(taskName, TabLinks), links);
}

void pagemint::LoadResultLists(TResultLists& lists, const TPaths& paths, const QString& taskName,
                     const std::function<void(const QString& imagesFolder)>& loadGalleryFolder)
{
    lists.ClearAll();
    if (!TPaths::IsUsableTaskName(taskName))
        return;

    // A file that cannot be read leaves its list empty; the others are still shown, and the
    // first such error goes to the caller once all are read.
    std::optional<EPagemintError> firstError;
    auto read = [&](int tab) {
        try {
            return ReadTextLines(paths.ListFile(taskName, tab));
        } catch (const EPagemintError& error) {
            if (!firstError)
                firstError = error;
            return QStringList();
        }
    };

    const QStringList text = read(TabText);
    std::vector<TTextRow> textRows;
    const qsizetype textCount = text.size() / 5;  // lines after the last whole row are ignored
    textRows.reserve(size_t(textCount));
    for (qsizetype r = 0; r < textCount; ++r) {
        TTextRow row;
        for (int c = 0; c < 5; ++c)
            row[size_t(c)] = text.at(5 * r + c);
        textRows.push_back(std::move(row));
    }
    lists.SetText(std::move(textRows));

    if (loadGalleryFolder)
        loadGalleryFolder(paths.ImagesFolder(taskName));

    lists.SetFlash(NameLinkRows(read(TabFlash)));
    lists.SetDownloads(NameLinkRows(read(TabDownloads)));
    lists.SetLinks(read(TabLinks));
    if (firstError)
        throw *firstError;
}
