#include "download/thumbnailpool.h"

#include "download/imagedecoder.h"
#include "download/thumbnailcache.h"
#include "task/logging.h"

#include <QThread>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>

using namespace pagemint;

namespace {

constexpr quint64 Never = std::numeric_limits<quint64>::max();

} // namespace

/** One piece of work for a worker: a picture's tile, or a deferred cache entry to write. */
struct TThumbnailPool::TJob
{
    quint64 Batch = 0; // 0: a single picture
    quint64 Order = 0;
    QString Path;
    QRgb Face = DefaultButtonFace;
    bool WriteEntry = false; // the job writes Entry instead of making a tile
    TThumbnailCache::TEntry Entry;
};

/** One result on its way back to the pool's thread. */
struct TThumbnailPool::TOutput
{
    quint64 Batch = 0;
    quint64 Order = 0;
    bool EntryWritten = false; // a deferred entry of Batch is written; Result is empty
    TResult Result;
};

/** What the pool and its workers share. The queues and the results are guarded by Mutex; the
 *  two counters of wanted work are atomics, so that a worker can ask in the middle of a
 *  picture whether it is still wanted. */
struct TThumbnailPool::TShared
{
    const TThumbnailCache* Cache = nullptr;
    std::atomic<quint64> Batch{0};       // the batch whose pictures are still wanted
    std::atomic<quint64> SingleFloor{1}; // single pictures below this number are not
    TWorkerHook Hook;                    // set before any work starts, read only after

    std::mutex Mutex;
    std::condition_variable WorkReady; // a job was queued, or the pool is ending
    std::condition_variable AllIdle;   // the queues are empty and no worker is busy
    // By priority: finished downloads, then the first tiles of a rebuild with their deferred
    // cache entries (queued as they are made, so behind those tiles), then the rest.
    std::array<std::deque<TJob>, 3> Queues;
    int Busy = 0;       // workers running a job
    int Idle = 0;       // workers waiting for one
    bool Ending = false;
    std::vector<TOutput> Outputs; // made, not yet taken by the pool's thread

    bool Wanted(quint64 batch, quint64 order) const
    {
        return batch != 0 ? Batch.load() == batch : order >= SingleFloor.load();
    }
    bool QueuesEmpty() const
    {
        return std::all_of(Queues.begin(), Queues.end(), [](const auto& queue) { return queue.empty(); });
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
            qCDebug(lcGallery) << "no fail entry written for" << path;
        return QImage();
    }
    QImage tile = MakeThumbnail(picture.Image, picture.FullSize, face);
    if (!tile.isNull() && cache && cache->WriteEnabled()) {
        if (deferred) {
            if (!cache->PrepareEntry(path, picture, *deferred))
                deferred->Path.clear();
        } else if (!cache->Store(path, picture)) {
            qCDebug(lcGallery) << "no cache entry written for" << path;
        }
    }
    return tile; // the decoded picture ends here
}

} // namespace

TThumbnailPool::TThumbnailPool(const TThumbnailCache* cache, int threads, QObject* parent)
    : QObject(parent), m_shared(std::make_unique<TShared>())
{
    m_shared->Cache = cache;
    m_threadCount = threads > 0 ? threads : std::max(1, QThread::idealThreadCount());
}

TThumbnailPool::~TThumbnailPool()
{
    m_shared->Batch.store(Never);
    m_shared->SingleFloor.store(Never);
    {
        std::lock_guard lock(m_shared->Mutex);
        m_shared->Ending = true;
        for (auto& queue : m_shared->Queues)
            queue.clear();
    }
    m_shared->WorkReady.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
    // A wake-up still queued for this object goes with it; the results it was for are dropped.
}

bool TThumbnailPool::WaitForWorkers(int msecs)
{
    std::unique_lock lock(m_shared->Mutex);
    return m_shared->AllIdle.wait_for(lock, std::chrono::milliseconds(std::max(0, msecs)),
                                      [this] { return m_shared->Busy == 0 && m_shared->QueuesEmpty(); });
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
    TJob job;
    job.Batch = batch;
    job.Order = order;
    job.Path = path;
    job.Face = m_buttonFace;
    // Finished downloads go ahead of a rebuild, and the first tiles of a rebuild (with their
    // cache entries, queued as they are made) ahead of its rest.
    const size_t priority = batch == 0 ? 0 : (order < FirstTiles ? 1 : 2);
    bool startWorker = false;
    {
        std::lock_guard lock(m_shared->Mutex);
        m_shared->Queues[priority].push_back(std::move(job));
        startWorker = m_shared->Idle == 0 && int(m_workers.size()) < m_threadCount;
    }
    if (startWorker)
        m_workers.emplace_back([this] { WorkerLoop(); });
    else
        m_shared->WorkReady.notify_one();
}

void TThumbnailPool::WorkerLoop()
{
    TShared& shared = *m_shared;
    for (;;) {
        TJob job;
        {
            std::unique_lock lock(shared.Mutex);
            ++shared.Idle;
            shared.WorkReady.wait(lock, [&] { return shared.Ending || !shared.QueuesEmpty(); });
            --shared.Idle;
            if (shared.Ending)
                return;
            for (auto& queue : shared.Queues) {
                if (!queue.empty()) {
                    job = std::move(queue.front());
                    queue.pop_front();
                    break;
                }
            }
            ++shared.Busy;
        }
        std::optional<TOutput> output;
        std::optional<TJob> entryJob;
        if (job.WriteEntry)
            output = WriteEntry(job);
        else
            output = MakeTile(job, entryJob);
        bool wake = false;
        {
            std::lock_guard lock(shared.Mutex);
            if (output) {
                wake = shared.Outputs.empty();
                shared.Outputs.push_back(std::move(*output));
            }
            // The entry is queued after the tile's result, so that the tile is counted first.
            if (entryJob)
                shared.Queues[1].push_back(std::move(*entryJob));
            --shared.Busy;
            if (shared.Busy == 0 && shared.QueuesEmpty())
                shared.AllIdle.notify_all();
        }
        if (entryJob)
            shared.WorkReady.notify_one();
        // Named and without data: the results themselves wait in Outputs.
        if (wake)
            QMetaObject::invokeMethod(this, "DeliverOutputs", Qt::QueuedConnection);
    }
}

std::optional<TThumbnailPool::TOutput> TThumbnailPool::MakeTile(const TJob& job, std::optional<TJob>& entryJob)
{
    const TShared& shared = *m_shared;
    if (!shared.Wanted(job.Batch, job.Order))
        return std::nullopt;
    if (shared.Hook)
        shared.Hook(job.Path);
    TOutput output;
    output.Batch = job.Batch;
    output.Order = job.Order;
    output.Result.Path = job.Path;
    bool skipped = false;
    // The first tiles of a rebuild are what the user waits for: their cache entries are
    // written after them, before the rest of the rebuild (see the priorities in Queue).
    const bool defer = job.Batch != 0 && job.Order < FirstTiles;
    TThumbnailCache::TEntry entry;
    try {
        output.Result.Tile = MakeTileOf(
            shared.Cache, job.Path, job.Face, [&] { return shared.Wanted(job.Batch, job.Order); }, skipped,
            defer ? &entry : nullptr);
    } catch (const std::exception& error) {
        // Out of memory while drawing one picture: that picture is left out, the rest go on.
        qCDebug(lcGallery) << "thumbnail of" << job.Path << "failed:" << error.what();
        output.Result.Tile = QImage();
        entry.Path.clear();
    }
    if (skipped)
        return std::nullopt;
    output.Result.EntryPending = !entry.Path.isEmpty();
    if (output.Result.EntryPending) {
        TJob write;
        write.Batch = job.Batch;
        write.WriteEntry = true;
        write.Entry = std::move(entry);
        entryJob = std::move(write);
    }
    return output;
}

std::optional<TThumbnailPool::TOutput> TThumbnailPool::WriteEntry(const TJob& job)
{
    // A pool being destroyed drops the entries it has not written.
    if (m_shared->Batch.load() == Never)
        return std::nullopt;
    if (!m_shared->Cache->StoreEntry(job.Entry))
        qCDebug(lcGallery) << "no cache entry written for" << job.Entry.Path;
    TOutput output;
    output.Batch = job.Batch;
    output.EntryWritten = true;
    return output;
}

void TThumbnailPool::DeliverOutputs()
{
    std::vector<TOutput> outputs;
    {
        std::lock_guard lock(m_shared->Mutex);
        outputs.swap(m_shared->Outputs);
    }
    for (TOutput& output : outputs) {
        if (output.EntryWritten)
            EntryWritten(output.Batch);
        else
            Arrived(output.Batch, output.Order, std::move(output.Result));
    }
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
