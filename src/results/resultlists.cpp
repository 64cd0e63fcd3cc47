#include "results/resultlists.h"

#include "task/paths.h"

#include <QDir>

using namespace pagemint;

// ---- TImageFileList ----

void TImageFileList::LoadFromFolder(const QString& folder)
{
    Clear();
    // Name order, letter case ignored: the order a desktop file manager shows, and stable
    // from one listing to the next (raw directory order on Linux file systems is arbitrary).
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System,
                                            QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot < 0)
            continue;
        const QString ext = name.mid(dot).toLower();
        if (ext == u".bmp" || ext == u".gif" || ext == u".jpg" || ext == u".jpeg")
            m_paths.append(folder + QLatin1Char('/') + name);
    }
}

QString TImageFileList::CurrentPath() const
{
    // Current is set without a range check; an index outside the list names no file.
    if (m_current < 0 || m_current >= m_paths.size())
        return QString();
    return m_paths.at(m_current);
}

QString TImageFileList::CurrentFileName() const
{
    const QString path = CurrentPath();
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// ---- TResultLists ----

qsizetype TResultLists::RowCount(int tab) const
{
    switch (tab) {
    case TabText: return qsizetype(m_text.size());
    case TabImages: return m_images.Count();
    case TabFlash: return qsizetype(m_flash.size());
    case TabDownloads: return qsizetype(m_downloads.size());
    case TabLinks: return m_links.size();
    default: return 0;
    }
}

QString TResultLists::Cell(int tab, qsizetype row, int column) const
{
    if (row < 0 || row >= RowCount(tab) || column < 0 || column >= ResultTabs[std::size_t(tab)].Columns)
        return QString();
    const auto index = std::size_t(row);
    switch (tab) {
    case TabText: return m_text[index][std::size_t(column)];
    case TabImages: return m_images.Caption(row);
    case TabFlash: return column == 0 ? m_flash[index].Name : m_flash[index].Link;
    case TabDownloads: return column == 0 ? m_downloads[index].Name : m_downloads[index].Link;
    case TabLinks: return m_links.at(row);
    default: return QString();
    }
}

void TResultLists::AppendRowFrom(const TResultLists& other, int tab, qsizetype row)
{
    if (row < 0 || row >= other.RowCount(tab))
        return;
    const auto index = std::size_t(row);
    switch (tab) {
    case TabText: AddText(other.m_text[index]); break;
    case TabFlash: AddFlash(other.m_flash[index]); break;
    case TabDownloads: AddDownload(other.m_downloads[index]); break;
    case TabLinks: AddLink(other.m_links.at(row)); break;
    default: break;
    }
}

void TResultLists::AddText(const TTextRow& row)
{
    m_text.push_back(row);
    const int last = int(m_text.size()) - 1;
    emit RowsAppended(TabText, last, last);
}

void TResultLists::AddFlash(const TNameLinkRow& row)
{
    m_flash.push_back(row);
    const int last = int(m_flash.size()) - 1;
    emit RowsAppended(TabFlash, last, last);
}

void TResultLists::AddDownload(const TNameLinkRow& row)
{
    m_downloads.push_back(row);
    const int last = int(m_downloads.size()) - 1;
    emit RowsAppended(TabDownloads, last, last);
}

void TResultLists::AddLink(const QString& url)
{
    m_links.append(url);
    const int last = int(m_links.size()) - 1;
    emit RowsAppended(TabLinks, last, last);
}

void TResultLists::AddImage(const QString& caption, const QImage& thumbnail, const QString& path)
{
    m_images.m_captions.append(caption);
    m_images.m_thumbnails.push_back(thumbnail);
    m_images.m_files.Add(path);
    const int last = int(m_images.m_captions.size()) - 1;
    emit RowsAppended(TabImages, last, last);
}

void TResultLists::SetText(std::vector<TTextRow> rows)
{
    m_text = std::move(rows);
    emit TabReset(TabText);
}

void TResultLists::SetFlash(std::vector<TNameLinkRow> rows)
{
    m_flash = std::move(rows);
    emit TabReset(TabFlash);
}

void TResultLists::SetDownloads(std::vector<TNameLinkRow> rows)
{
    m_downloads = std::move(rows);
    emit TabReset(TabDownloads);
}

void TResultLists::SetLinks(const QStringList& urls)
{
    m_links = urls;
    emit TabReset(TabLinks);
}

void TResultLists::SetImages(const QStringList& captions, std::vector<QImage> thumbnails)
{
    m_images.m_captions = captions;
    m_images.m_thumbnails = std::move(thumbnails);
    emit TabReset(TabImages);
}

void TResultLists::ClearTab(int tab)
{
    switch (tab) {
    case TabText: m_text.clear(); break;
    case TabImages:
        m_images.m_captions.clear();
        m_images.m_thumbnails.clear();
        m_images.m_files.Clear();
        break;
    case TabFlash: m_flash.clear(); break;
    case TabDownloads: m_downloads.clear(); break;
    case TabLinks: m_links.clear(); break;
    default: return;
    }
    emit TabReset(tab);
}

void TResultLists::ClearAll()
{
    for (int tab = TabText; tab <= TabLinks; ++tab)
        ClearTab(tab);
}

// ---- the tab table ----

QString pagemint::ResultTabFolder(const TPaths& paths, const QString& taskName, int tab)
{
    const TResultTabInfo* info = ResultTabInfo(tab);
    switch (info ? info->Folder : TTabFolder::Task) {
    case TTabFolder::Images: return paths.ImagesFolder(taskName);
    case TTabFolder::Flashes: return paths.FlashesFolder(taskName);
    case TTabFolder::Downloads: return paths.DownloadsFolder(taskName);
    case TTabFolder::Task: break;
    }
    return paths.TaskFolder(taskName);
}
