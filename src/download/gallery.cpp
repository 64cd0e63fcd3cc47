#include "download/gallery.h"

#include "download/galleryhost.h"
#include "results/resultlists.h"
#include "task/logging.h"
#include "task/percent.h"

namespace {

QString FileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

TGallery::TGallery(TResultLists& lists, TGalleryHost& host, QObject* parent)
    : QObject(parent), m_lists(lists), m_host(host)
{
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
    if (m_rebuilding) {
        m_deferred.push_back({path, taskName});
        return false;
    }
    if (m_shownTask.isEmpty() || taskName != m_shownTask)
        return false;
    m_host.SetBusy(true);
    bool added = false;
    try {
        QImage tile;
        if (MakeTile(path, tile)) {
            m_lists.AddImage(FileNameOf(path), tile, path);
            added = true;
        } else {
            qCDebug(lcGallery, "not shown, does not decode: %s", qUtf8Printable(path));
        }
    } catch (...) {
        // A picture that cannot be shown is left out without a message.
        qCDebug(lcGallery, "not shown, decoding threw: %s", qUtf8Printable(path));
    }
    m_host.SetBusy(false);
    return added;
}

void TGallery::OnDownloadFinished(const QString& fileName, const QString& taskName,
                                  const TDownloadResult&)
{
    // Every finished download is offered, successful or not; what does not decode adds nothing.
    AddGalleryImage(fileName, taskName);
}

void TGallery::LoadGalleryFolder(const QString& folder)
{
    QString next = folder;
    if (next.endsWith(u'/'))
        next.chop(1);
    if (m_rebuilding) {
        // Asked for while a rebuild lets events run: end that rebuild and read this folder next.
        m_nextFolder = next;
        m_interrupt = true;
        return;
    }
    m_host.SetBusy(true);
    m_host.SetWindowEnabled(false);
    for (;;) {
        TImageFileList listing;
        listing.LoadFromFolder(next);
        Rebuild(listing.Paths());
        if (!m_interrupt)
            break;
        m_interrupt = false;
        next = m_nextFolder;
    }
    m_host.SetWindowEnabled(true);
    m_host.SetBusy(false);
}

void TGallery::RebuildGallery()
{
    if (m_rebuilding)
        return;
    const QStringList paths = m_lists.Images().Files().Paths();
    Rebuild(paths);
}

void TGallery::Rebuild(const QStringList& paths)
{
    m_rebuilding = true;
    m_interrupt = false;
    const QString task = m_shownTask;
    m_host.SetBusy(true);
    m_host.SetRebuildProgress(true, 0);
    m_lists.ClearTab(TabImages);
    m_host.SetImagesRepaint(false);

    // The new items are gathered aside and handed over in one step, so that the list, the
    // thumbnails and the paths agree at every moment events are let through.
    TImageFileList work;
    work.Assign(paths);
    QStringList good;
    QStringList captions;
    std::vector<QImage> tiles;
    const qsizetype count = work.Count();
    for (qsizetype i = 0; i < count && !m_interrupt; ++i) {
        work.SetCurrent(int(i));
        const QString path = work.CurrentPath();
        QImage tile;
        bool decoded = false;
        try {
            decoded = MakeTile(path, tile);
        } catch (...) {
            qCDebug(lcGallery, "rebuild: decoding threw: %s", qUtf8Printable(path));
        }
        if (!decoded)
            qCDebug(lcGallery, "rebuild: left out, does not decode: %s", qUtf8Printable(path));
        if (decoded) {
            good.append(path);
            captions.append(work.CurrentFileName());
            tiles.push_back(std::move(tile));
        }
        m_host.SetRebuildProgress(true, HalfEvenPercent(i, count));
        m_host.ProcessEvents();
    }

    // Another task shown meanwhile (or another folder asked for) owns the list now.
    if (!m_interrupt && m_shownTask == task) {
        TImageFileList& files = m_lists.Images().Files();
        files.Clear();
        files.Assign(good);
        m_lists.SetImages(captions, std::move(tiles));
    }
    m_host.SetImagesRepaint(true);
    m_host.SetRebuildProgress(false, 0);
    m_host.SetBusy(false);
    m_rebuilding = false;
    if (m_interrupt)
        return;

    // Downloads that finished during the rebuild; a file the folder listing already held is
    // shown once.
    std::vector<TDeferred> deferred;
    deferred.swap(m_deferred);
    for (const TDeferred& item : deferred) {
        if (!m_lists.Images().Files().Paths().contains(item.Path))
            AddGalleryImage(item.Path, item.TaskName);
    }
}
