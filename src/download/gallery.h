#pragma once

#include "download/downloadthread.h"
#include "download/imagedecoder.h"
#include "download/thumbnail.h"
#include "download/thumbnailpool.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <unordered_map>
#include <vector>

class TResultLists;
class TFrontEnd;
class TThumbnailCache;

/**
 * The image gallery: thumbnails of a task's downloaded pictures in the "Images" list of the
 * result lists. Item k, thumbnail k and path k of TResultLists::Images() describe the same file
 * at every moment the user interface can see (the lists are only changed together, one whole
 * item at a time).
 *
 * The tiles are made off the UI thread by a TThumbnailPool (with the desktop's shared thumbnail
 * cache when one is given) and appended here, on the UI thread, as they become ready:
 *  - a rebuild (LoadGalleryFolder, RebuildGallery) empties the list and appends the folder's
 *    pictures in folder order; a picture that does not decode leaves no item. Starting another
 *    rebuild, showing another task, or the Images list being emptied from outside (a run that
 *    starts) drops the rest of the one in progress at once;
 *  - a finished download of the shown task is appended when its tile is ready. One that is
 *    ready during a rebuild waits for the rebuild's end, and a file the list already shows by
 *    then (because the folder listing held it) is not added again, so every file lands once.
 * The front end's busy cursor is shown from the start of a rebuild until its first tile is
 * shown (or it ends), and its thumbnail progress bar during the rebuild; the window stays usable
 * throughout. Failures are silent to the user and logged.
 * UI thread.
 */
class TGallery : public QObject
{
    Q_OBJECT
public:
    /** cache: the desktop's shared thumbnail cache, or null for none; it must outlive the
     *  gallery. threads: worker threads for the tiles, <= 0 for one per core. */
    TGallery(TResultLists& lists, TFrontEnd& frontEnd, const TThumbnailCache* cache = nullptr, int threads = 0,
             QObject* parent = nullptr);

    /** The task whose pictures the gallery shows; empty for none. Showing another task drops
     *  the rebuild in progress. */
    void SetShownTask(const QString& taskName);
    const QString& ShownTask() const { return m_shownTask; }
    /** The colour the tiles are filled with (the desktop's button face). */
    void SetButtonFace(QRgb colour);

    /** Queues the thumbnail of a finished download of the given task when that task is shown;
     *  it is appended once ready if the file decodes. True when it was queued. */
    bool AddGalleryImage(const QString& path, const QString& taskName);
    /** Empties the list and rebuilds it from the pictures of a folder (one trailing "/" dropped). */
    void LoadGalleryFolder(const QString& folder);
    /** Empties the list and draws the thumbnails of the paths it held again; paths whose files
     *  do not decode are dropped. */
    void RebuildGallery();
    /** True while a rebuild is filling the list. */
    bool Rebuilding() const { return m_batch != 0; }
    /** True while a rebuild or a finished download's thumbnail is still to come. */
    bool Busy() const { return m_pool.Busy(); }
    /** Drops the rebuild in progress and every finished download not yet shown. */
    void CancelAll();

    /** Decodes a file by its extension and draws its tile on the calling thread; false when it
     *  does not decode. */
    bool MakeTile(const QString& path, QImage& tile);

    /** The tile pool, for tests and benchmarks that observe or steer its workers. */
    TThumbnailPool& Pool() { return m_pool; }

public slots:
    /** For the download pool's DownloadFinished. */
    void OnDownloadFinished(const QString& fileName, const QString& taskName, const TDownloadResult& result);

signals:
    /** A rebuild has shown every tile of its pictures (not sent for a dropped one). */
    void RebuildFinished();

private:
    struct TReadyDownload
    {
        QString Path;
        QString TaskName;
        QImage Tile;
    };
    void StartRebuild(const QStringList& paths);
    void EndRebuild();
    void OnTileReady(quint64 batch, int index, const QString& path, const QImage& tile);
    void OnBatchFinished(quint64 batch);
    void OnSingleReady(quint64 job, const QString& path, const QImage& tile);
    void AppendDownload(const TReadyDownload& download);
    void OnImagesReset(int tab);
    void OnImagesAppended(int tab, int first, int last);
    void SetBusy(bool busy);

    TResultLists& m_lists;
    TFrontEnd& m_frontEnd;
    TImageDecoder m_decoder;
    QRgb m_buttonFace = pagemint::DefaultButtonFace;
    QString m_shownTask;
    TThumbnailPool m_pool;
    quint64 m_batch = 0;     // the rebuild being shown, 0 when none
    int m_batchCount = 0;
    bool m_busy = false;
    bool m_ownReset = false; // the gallery itself is emptying the list
    std::unordered_map<quint64, QString> m_downloadTasks; // queued finished download -> its task
    std::vector<TReadyDownload> m_held;                   // ready during a rebuild, shown after it
    QSet<QString> m_shownPaths;                           // the paths of the file list, for lookups
};
