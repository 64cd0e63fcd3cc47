#include "download/gallery.h"

#include "host/frontend.h"
#include "results/resultlists.h"
#include "task/logging.h"
#include "task/percent.h"

using namespace pagemint;

namespace {

QString FileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

TGallery::TGallery(TResultLists& lists, TFrontEnd& frontEnd, const TThumbnailCache* cache, int threads,
                   QObject* parent)
    : QObject(parent), m_lists(lists), m_frontEnd(frontEnd), m_pool(cache, threads)
{
    connect(&m_pool, &TThumbnailPool::TileReady, this, &TGallery::OnTileReady);
    connect(&m_pool, &TThumbnailPool::BatchFinished, this, &TGallery::OnBatchFinished);
    connect(&m_pool, &TThumbnailPool::SingleReady, this, &TGallery::OnSingleReady);
    connect(&m_lists, &TResultLists::TabReset, this, &TGallery::OnImagesReset);
    connect(&m_lists, &TResultLists::RowsAppended, this, &TGallery::OnImagesAppended);
    const QStringList& paths = m_lists.Images().Files().Paths();
    m_shownPaths = QSet<QString>(paths.begin(), paths.end());
}

void TGallery::SetShownTask(const QString& taskName)
{
    if (taskName == m_shownTask)
        return;
    m_shownTask = taskName;
    // What was waiting belongs to the task shown before: none of it may land now.
    m_held.clear();
    if (Rebuilding()) {
        m_pool.CancelBatch();
        EndRebuild();
    }
}

void TGallery::SetButtonFace(QRgb colour)
{
    m_buttonFace = colour;
    m_pool.SetButtonFace(colour);
}

bool TGallery::MakeTile(const QString& path, QImage& tile)
{
    TDecodedPicture picture;
    if (!m_decoder.Decode(path, picture))
        return false;
    tile = MakeThumbnail(picture.Image, picture.FullSize, m_buttonFace);
    return !tile.isNull();
}

bool TGallery::AddGalleryImage(const QString& path, const QString& taskName)
{
    if (m_shownTask.isEmpty() || taskName != m_shownTask)
        return false;
    m_downloadTasks.emplace(m_pool.AddSingle(path), taskName);
    return true;
}

void TGallery::OnDownloadFinished(const QString& fileName, const QString& taskName,
                                  const TDownloadResult&)
{
    // Every finished download is offered, successful or not; what does not decode adds nothing.
    AddGalleryImage(fileName, taskName);
}

void TGallery::LoadGalleryFolder(const QString& folder)
{
    QString path = folder;
    if (path.endsWith(u'/'))
        path.chop(1);
    TImageFileList listing;
    listing.LoadFromFolder(path);
    StartRebuild(listing.Paths());
}

void TGallery::RebuildGallery()
{
    const QStringList paths = m_lists.Images().Files().Paths();
    StartRebuild(paths);
}

void TGallery::CancelAll()
{
    m_pool.CancelBatch();
    m_pool.CancelSingles();
    m_downloadTasks.clear();
    m_held.clear();
    EndRebuild();
}

void TGallery::StartRebuild(const QStringList& paths)
{
    m_pool.CancelBatch();
    m_batch = 0;
    m_ownReset = true;
    m_lists.ClearTab(TabImages);
    m_ownReset = false;
    if (paths.isEmpty()) {
        EndRebuild();
        emit RebuildFinished();
        return;
    }
    SetBusy(true);
    m_frontEnd.SetThumbnailProgress(true, 0);
    m_batchCount = int(paths.size());
    m_batch = m_pool.StartBatch(paths);
}

void TGallery::EndRebuild()
{
    m_batch = 0;
    m_batchCount = 0;
    m_frontEnd.SetThumbnailProgress(false, 0);
    SetBusy(false);

    // Finished downloads that were ready meanwhile, in the order they became ready.
    std::vector<TReadyDownload> held;
    held.swap(m_held);
    for (const TReadyDownload& download : held)
        AppendDownload(download);
}

void TGallery::OnTileReady(quint64 batch, int index, const QString& path, const QImage& tile)
{
    if (batch != m_batch)
        return;
    if (tile.isNull()) {
        qCDebug(lcGallery, "rebuild: left out, does not decode: %s", qUtf8Printable(path));
    } else {
        SetBusy(false); // something of the gallery is shown from now on
        m_lists.AddImage(FileNameOf(path), tile, path);
    }
    m_frontEnd.SetThumbnailProgress(true, HalfEvenPercent(index, m_batchCount));
}

void TGallery::OnBatchFinished(quint64 batch)
{
    if (batch != m_batch)
        return;
    EndRebuild();
    emit RebuildFinished();
}

void TGallery::OnSingleReady(quint64 job, const QString& path, const QImage& tile)
{
    const auto found = m_downloadTasks.find(job);
    if (found == m_downloadTasks.end())
        return;
    TReadyDownload download{path, found->second, tile};
    m_downloadTasks.erase(found);
    if (tile.isNull()) {
        qCDebug(lcGallery, "not shown, does not decode: %s", qUtf8Printable(path));
        return;
    }
    if (Rebuilding())
        m_held.push_back(std::move(download));
    else
        AppendDownload(download);
}

void TGallery::AppendDownload(const TReadyDownload& download)
{
    if (download.TaskName != m_shownTask || m_shownTask.isEmpty())
        return;
    // A file the list already shows (the rebuild's folder listing held it) lands only once.
    if (m_shownPaths.contains(download.Path))
        return;
    m_lists.AddImage(FileNameOf(download.Path), download.Tile, download.Path);
}

void TGallery::OnImagesReset(int tab)
{
    if (tab != TabImages)
        return;
    const QStringList& paths = m_lists.Images().Files().Paths();
    m_shownPaths = QSet<QString>(paths.begin(), paths.end());
    if (m_ownReset)
        return;
    // The list was emptied or replaced by someone else (a run starting): what the gallery was
    // about to add belongs to what was shown before.
    CancelAll();
}

void TGallery::OnImagesAppended(int tab, int first, int last)
{
    if (tab != TabImages)
        return;
    const QStringList& paths = m_lists.Images().Files().Paths();
    for (int row = first; row <= last && row < paths.size(); ++row)
        m_shownPaths.insert(paths.at(row));
}

void TGallery::SetBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    m_frontEnd.SetBusyCursor(busy);
}
