#include "download/thumbnailpool.h"

#include "download/imagedecoder.h"
#include "download/thumbnailcache.h"

#include <QLoggingCategory>
#include <QRunnable>
#include <QThread>
#include <atomic>
#include <exception>
#include <limits>

using namespace pagemint;

namespace {

Q_LOGGING_CATEGORY(lcThumbnails, "pagemint.download.thumbnails", QtInfoMsg)

constexpr quint64 Never = std::numeric_limits<quint64>::max();

} // namespace

/** What the workers read while the pool changes it: which work is still wanted. */
struct TThumbnailPool::TShared
{
    const TThumbnailCache* Cache = nullptr;
    std::atomic<quint64> Batch{0};       // the batch whose pictures are still wanted
    std::atomic<quint64> SingleFloor{1}; // single pictures below this number are not
    TWorkerHook Hook;                    // set before any work starts, read only after

    bool Wanted(quint64 batch, quint64 order) const
    {
        return batch != 0 ? Batch.load() == batch : order >= SingleFloor.load();
    }
};

namespace {

/** The tile of one picture, from the cache or from the file; null when it does not decode.
 *  wanted is asked before the expensive decode, so that cancelled work stops early. With
 *  deferred given, a new cache entry is only made ready there (Path set) instead of written. */
template <typename TWanted>
QImage MakeTileOf(const TThumbnailCache* cache, const QString& path, QRgb face, TWanted wanted, bool& skipped,
                  TThumbnailCache::TEntry* deferred)
{
    if (cache) {
        TCachedThumbnail cached;
        switch (cache->Lookup(path, cached)) {
        case TThumbnailCache::TLookup::Hit: {
            QImage tile = MakeThumbnail(cached.Image, cached.FullSize, face);
            if (!tile.isNull())
                return tile;
            break;
        }
        case TThumbnailCache::TLookup::Failed:
            return QImage();
        case TThumbnailCache::TLookup::Miss:
            break;
        }
    }
    if (!wanted()) {
        skipped = true;
        return QImage();
    }
    // One decoder per worker thread, reused from file to file like the UI thread's.
    thread_local TImageDecoder decoder;
    TDecodedPicture picture;
    if (!decoder.Decode(path, picture)) {
        if (cache && cache->WriteEnabled() && !cache->StoreFailure(path))
            qCDebug(lcThumbnails) << "no fail entry written for" << path;
        return QImage();
    }
    QImage tile = MakeThumbnail(picture.Image, picture.FullSize, face);
    if (!tile.isNull() && cache && cache->WriteEnabled()) {
        if (deferred) {
            if (!cache->PrepareEntry(path, picture, *deferred))
                deferred->Path.clear();
        } else if (!cache->Store(path, picture)) {
            qCDebug(lcThumbnails) << "no cache entry written for" << path;
        }
    }
    return tile; // the decoded picture ends here
}

} // namespace

TThumbnailPool::TThumbnailPool(const TThumbnailCache* cache, int threads, QObject* parent)
    : QObject(parent), m_shared(std::make_shared<TShared>())
{
    m_shared->Cache = cache;
    m_threads.setMaxThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()));
}

TThumbnailPool::~TThumbnailPool()
{
    m_shared->Batch.store(Never);
    m_shared->SingleFloor.store(Never);
    m_threads.clear();
    m_threads.waitForDone();
}

void TThumbnailPool::SetWorkerHook(TWorkerHook hook)
{
    m_shared->Hook = std::move(hook);
}

quint64 TThumbnailPool::StartBatch(const QStringList& paths)
{
    CancelBatch();
    const quint64 batch = ++m_lastBatch;
    m_batch = batch;
    m_batchCount = int(paths.size());
    m_batchNext = 0;
    m_batchEntriesPending = 0;
    m_shared->Batch.store(batch);
    if (paths.isEmpty()) {
        QMetaObject::invokeMethod(this, [this, batch] { ReleaseBatch(batch); }, Qt::QueuedConnection);
        return batch;
    }
    for (qsizetype i = 0; i < paths.size(); ++i)
        Queue(batch, quint64(i), paths[i]);
    return batch;
}

void TThumbnailPool::CancelBatch()
{
    if (m_batch == 0)
        return;
    m_batch = 0;
    m_shared->Batch.store(0);
    m_batchWaiting.clear();
    m_batchCount = 0;
    m_batchNext = 0;
    m_batchEntriesPending = 0;
}

quint64 TThumbnailPool::AddSingle(const QString& path)
{
    const quint64 order = m_singleNext++;
    Queue(0, order, path);
    return order;
}

void TThumbnailPool::CancelSingles()
{
    m_singleFloor = m_singleNext;
    m_shared->SingleFloor.store(m_singleFloor);
    m_singleWaiting.clear();
}

void TThumbnailPool::Queue(quint64 batch, quint64 order, const QString& path)
{
    auto job = [this, shared = m_shared, batch, order, path, face = m_buttonFace] {
        if (!shared->Wanted(batch, order))
            return;
        if (shared->Hook)
            shared->Hook(path);
        TResult result{path, QImage()};
        bool skipped = false;
        // The first tiles of a rebuild are what the user waits for: their cache entries are
        // written after them, before the rest of the rebuild (see the priorities below).
        const bool defer = batch != 0 && order < FirstTiles;
        TThumbnailCache::TEntry entry;
        try {
            result.Tile = MakeTileOf(
                shared->Cache, path, face, [&] { return shared->Wanted(batch, order); }, skipped,
                defer ? &entry : nullptr);
        } catch (const std::exception& error) {
            // Out of memory while drawing one picture: that picture is left out, the rest go on.
            qCWarning(lcThumbnails) << "thumbnail of" << path << "failed:" << error.what();
            result.Tile = QImage();
            entry.Path.clear();
        }
        if (skipped)
            return;
        result.EntryPending = !entry.Path.isEmpty();
        // Delivered on the pool's own thread; the destructor waits for the workers before the
        // object goes, and a queued call to a deleted object is dropped with it.
        QMetaObject::invokeMethod(
            this, [this, batch, order, result = std::move(result)]() mutable { Arrived(batch, order, std::move(result)); },
            Qt::QueuedConnection);
        if (result.EntryPending)
            m_threads.start(QRunnable::create([this, shared, batch, entry = std::move(entry)] {
                                // A pool being destroyed drops the entries it has not written.
                                if (shared->Batch.load() == Never)
                                    return;
                                if (!shared->Cache->StoreEntry(entry))
                                    qCDebug(lcThumbnails) << "no cache entry written for" << entry.Path;
                                // Posted after the tile's own result, so it is counted first.
                                QMetaObject::invokeMethod(this, [this, batch] { EntryWritten(batch); },
                                                          Qt::QueuedConnection);
                            }),
                            0);
    };
    // Finished downloads go ahead of a rebuild, and the first tiles of a rebuild (with their
    // cache entries, queued as they are made) ahead of its rest.
    const int priority = batch == 0 ? 1 : (order < FirstTiles ? 0 : -1);
    m_threads.start(QRunnable::create(std::move(job)), priority);
}

void TThumbnailPool::Arrived(quint64 batch, quint64 order, TResult result)
{
    if (batch != 0) {
        if (batch != m_batch)
            return;
        if (result.EntryPending)
            ++m_batchEntriesPending;
        m_batchWaiting.emplace(int(order), std::move(result));
        ReleaseBatch(batch);
    } else {
        if (order < m_singleFloor)
            return;
        m_singleWaiting.emplace(order, std::move(result));
        ReleaseSingles();
    }
}

void TThumbnailPool::EntryWritten(quint64 batch)
{
    if (batch != m_batch || m_batchEntriesPending <= 0)
        return;
    --m_batchEntriesPending;
    ReleaseBatch(batch);
}

void TThumbnailPool::ReleaseBatch(quint64 batch)
{
    // A receiver may cancel or start another batch, or let events run, while it handles a
    // tile: every step checks again that this batch is still the one being delivered.
    while (m_batch == batch && !m_batchWaiting.empty() && m_batchWaiting.begin()->first == m_batchNext) {
        auto node = m_batchWaiting.extract(m_batchWaiting.begin());
        const int index = m_batchNext++;
        emit TileReady(batch, index, node.mapped().Path, node.mapped().Tile);
    }
    if (m_batch == batch && m_batchNext == m_batchCount && m_batchEntriesPending == 0) {
        m_batch = 0;
        m_shared->Batch.store(0);
        emit BatchFinished(batch);
    }
}

void TThumbnailPool::ReleaseSingles()
{
    while (!m_singleWaiting.empty() && m_singleWaiting.begin()->first == m_singleFloor) {
        auto node = m_singleWaiting.extract(m_singleWaiting.begin());
        const quint64 job = m_singleFloor++;
        m_shared->SingleFloor.store(m_singleFloor);
        emit SingleReady(job, node.mapped().Path, node.mapped().Tile);
    }
}
