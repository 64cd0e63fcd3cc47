#pragma once

#include "download/thumbnail.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class TThumbnailCache;

/**
 * Makes gallery tiles off the user-interface thread, on a thread pool of its own (sized to the
 * machine's cores unless told otherwise), and hands them back on the thread the pool lives on,
 * in order.
 *
 * Two streams of work:
 *  - a batch: the pictures of a folder, index 0..n-1. TileReady(batch, k, ...) comes only after
 *    TileReady for 0..k-1 of the same batch, then BatchFinished(batch) once every tile is
 *    delivered and the cache entries the batch made are written. Starting a batch or
 *    CancelBatch() drops the batch before it at once: none of its results is delivered after
 *    the call, and its workers skip the pictures they have not begun.
 *  - single pictures (finished downloads): SingleReady in the order AddSingle was called.
 *    CancelSingles() drops the pending ones the same way.
 * The two streams are independent of each other; the caller decides how they interleave.
 *
 * A picture that does not decode (missing, corrupt, deleted meanwhile) is delivered with a
 * null tile, in its place in the order, so that the caller leaves no item for it.
 *
 * Each picture: the cache is looked up first (a usable entry gives the tile without decoding
 * the file; this program's fail entry gives a failure at once); otherwise the file is decoded,
 * its tile drawn with MakeThumbnail, and, when the cache's writing is on, the cache entry (or,
 * for content that does not decode, the fail entry; a file that cannot be read gets none)
 * written. For the first FirstTiles pictures of a batch the entry is written by a job of its
 * own, queued behind those pictures and ahead of the rest of the batch, so that the first
 * tiles appear sooner; such entries of a batch cancelled before they are written are dropped. The decoded picture lives only for the duration of
 * that step; what the pool keeps are tiles waiting for their turn and at most FirstTiles
 * entries (128 x 128 pictures) waiting to be written.
 *
 * Lives on one thread (normally the UI thread); all its functions are called there. The cache,
 * when given, must outlive the pool; the destructor cancels everything and waits for the workers.
 *
 * Threads: the workers are std::threads of the pool's own, started as work comes. Jobs go to
 * them, and results come back, through queues under one std::mutex; the only thing that crosses
 * through Qt's event queue is a wake-up without data. Every hand-over is therefore one that
 * ThreadSanitizer sees.
 */
class TThumbnailPool : public QObject
{
    Q_OBJECT
public:
    /** The pictures at the start of a batch that are made ahead of the rest of it: about what
     *  the Images view shows at once. */
    static constexpr quint64 FirstTiles = 64;

    /** threads <= 0: one per core. cache may be null (no cache at all). */
    explicit TThumbnailPool(const TThumbnailCache* cache, int threads = 0, QObject* parent = nullptr);
    ~TThumbnailPool() override;

    /** The colour the tiles are filled with (the desktop's button face), for work started after. */
    void SetButtonFace(QRgb colour) { m_buttonFace = colour; }
    int ThreadCount() const { return m_threadCount; }

    /** Called on the worker thread with each picture's path just before its tile is made.
     *  For tests and benchmarks that steer or observe the workers; set before any work. */
    using TWorkerHook = std::function<void(const QString& path)>;
    void SetWorkerHook(TWorkerHook hook);

    /** Cancels the current batch and starts one over paths; returns its number (never 0).
     *  An empty list finishes at once (BatchFinished is still delivered, queued). */
    quint64 StartBatch(const QStringList& paths);
    /** Drops the current batch; nothing more of it is delivered. */
    void CancelBatch();
    /** The batch being delivered, 0 when none. */
    quint64 CurrentBatch() const { return m_batch; }
    /** How many tiles of the current batch have been delivered, and how many it has. */
    int BatchDelivered() const { return m_batchNext; }
    int BatchCount() const { return m_batchCount; }

    /** Queues one picture; returns its number (never 0, increasing). */
    quint64 AddSingle(const QString& path);
    /** Drops every single picture not yet delivered. */
    void CancelSingles();
    /** Single pictures queued and not yet delivered. */
    int PendingSingles() const { return int(m_singleNext - m_singleFloor); }

    /** Waits (blocking) until no worker is busy, at most msecs; true when they are all idle.
     *  Results they posted are delivered by the event loop afterwards. For tests, benchmarks
     *  and an orderly end. */
    bool WaitForWorkers(int msecs);

    /** True while a batch or a single picture is still to be delivered. */
    bool Busy() const { return m_batch != 0 || PendingSingles() > 0; }

signals:
    /** Tile index of the batch; tile is null when the picture did not decode. */
    void TileReady(quint64 batch, int index, const QString& path, const QImage& tile);
    void BatchFinished(quint64 batch);
    /** A single picture; tile is null when it did not decode. */
    void SingleReady(quint64 job, const QString& path, const QImage& tile);

private:
    struct TShared;
    struct TJob;
    struct TResult
    {
        QString Path;
        QImage Tile;
        bool EntryPending = false; // its cache entry is written by a job of its own
    };
    struct TOutput;
    void Queue(quint64 batch, quint64 order, const QString& path);
    /** Hands the workers' results to Arrived and EntryWritten, in the order they were made. */
    Q_INVOKABLE void DeliverOutputs();
    /** A worker thread: takes jobs until the pool ends. */
    void WorkerLoop();
    std::optional<TOutput> MakeTile(const TJob& job, std::optional<TJob>& entryJob);
    std::optional<TOutput> WriteEntry(const TJob& job);
    void Arrived(quint64 batch, quint64 order, TResult result);
    void EntryWritten(quint64 batch);
    void ReleaseBatch(quint64 batch);
    void ReleaseSingles();

    std::unique_ptr<TShared> m_shared;
    int m_threadCount = 1;
    std::vector<std::thread> m_workers; // started as work comes, up to m_threadCount
    QRgb m_buttonFace = pagemint::DefaultButtonFace;

    quint64 m_lastBatch = 0;
    quint64 m_batch = 0; // the batch being delivered, 0 when none
    int m_batchCount = 0;
    int m_batchNext = 0;
    std::map<int, TResult> m_batchWaiting; // finished out of turn
    int m_batchEntriesPending = 0;         // deferred cache entries of the batch not yet written

    quint64 m_singleNext = 1;  // the number the next AddSingle gets
    quint64 m_singleFloor = 1; // the next single to deliver; lower ones are delivered or dropped
    std::map<quint64, TResult> m_singleWaiting;
};
