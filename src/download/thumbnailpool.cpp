#include "download/thumbnailpool.h"

#include "download/imagedecoder.h"
#include "download/thumbnailcache.h"

#include <QLoggingCategory>
#include <QRunnable>
#include <QThread>
#include <atomic>
#include <exception>
#include <limits>

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
 *  wanted is asked before the expensive decode, so that cancelled work stops early. */
template <typename TWanted>
QImage MakeTileOf(const TThumbnailCache* cache, const QString& path, QRgb face, TWanted wanted, bool& skipped)
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
    if (!tile.isNull() && cache && cache->WriteEnabled() && !cache->Store(path, picture))
        qCDebug(lcThumbnails) << "no cache entry written for" << path;
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
        try {
            result.Tile = MakeTileOf(shared->Cache, path, face, [&] { return shared->Wanted(batch, order); }, skipped);
        } catch (const std::exception& error) {
            // Out of memory while drawing one picture: that picture is left out, the rest go on.
            qCWarning(lcThumbnails) << "thumbnail of" << path << "failed:" << error.what();
            result.Tile = QImage();
        }
        if (skipped)
            return;
        // Delivered on the pool's own thread; the destructor waits for the workers before the
        // object goes, and a queued call to a deleted object is dropped with it.
        QMetaObject::invokeMethod(
            this, [this, batch, order, result = std::move(result)]() mutable { Arrived(batch, order, std::move(result)); },
            Qt::QueuedConnection);
    };
    // Finished downloads go ahead of the rest of a long rebuild.
    m_threads.start(QRunnable::create(std::move(job)), batch == 0 ? 1 : 0);
}

void TThumbnailPool::Arrived(quint64 batch, quint64 order, TResult result)
{
    if (batch != 0) {
        if (batch != m_batch)
            return;
        m_batchWaiting.emplace(int(order), std::move(result));
        ReleaseBatch(batch);
    } else {
        if (order < m_singleFloor)
            return;
        m_singleWaiting.emplace(order, std::move(result));
        ReleaseSingles();
    }
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
    if (m_batch == batch && m_batchNext == m_batchCount) {
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
