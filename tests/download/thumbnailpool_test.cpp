// The tile pool: folder order under any completion order, failures in their place,
// cancellation, single pictures, and the pool working with the shared cache.
#include "download/imagedecoder.h"
#include "download/thumbnail.h"
#include "download/thumbnailcache.h"
#include "download/thumbnailpool.h"
#include "support/imagefiles.h"
#include "support/photolike.h"
#include "support/waituntil.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QEventLoop>
#include <QTemporaryDir>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <set>

#include <sys/stat.h>

using namespace pagemint;

namespace {

using namespace std::chrono_literals;

/** Holds workers at the start of each picture until the test lets that picture through,
 *  so that the test decides the order in which pictures finish. */
class TGate
{
public:
    /** Pictures whose path contains filter are held; others pass at once. */
    explicit TGate(QString filter = QString()) : m_filter(std::move(filter)) {}

    void Enter(const QString& path)
    {
        if (!path.contains(m_filter))
            return;
        std::unique_lock lock(m_mutex);
        m_waiting.insert(path);
        ++m_entered;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open || m_released.count(path) > 0; });
        m_waiting.erase(path);
    }
    /** Waits for at least count held pictures; the held paths, or empty after the time-out. */
    std::vector<QString> Held(size_t count)
    {
        std::unique_lock lock(m_mutex);
        std::vector<QString> held;
        const auto enough = [&] {
            held.clear();
            for (const QString& path : m_waiting)
                if (m_released.count(path) == 0)
                    held.push_back(path);
            return held.size() >= count;
        };
        if (!m_changed.wait_for(lock, 10s, enough))
            return {};
        return held;
    }
    void Release(const QString& path)
    {
        std::lock_guard lock(m_mutex);
        m_released.insert(path);
        m_changed.notify_all();
    }
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    int Entered()
    {
        std::lock_guard lock(m_mutex);
        return m_entered;
    }

private:
    QString m_filter;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::set<QString> m_waiting;
    std::set<QString> m_released;
    bool m_open = false;
    int m_entered = 0;
};

struct TDelivered
{
    quint64 Batch;
    int Index;
    QString Path;
    QImage Tile;
};

class ThumbnailPoolTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_base = m_dir.path() + QStringLiteral("/thumbnails");
    }

    /** count pictures in a folder of their own, of mixed sizes and kinds. */
    QStringList Pictures(const QString& folder, int count)
    {
        const QString dir = m_dir.path() + u'/' + folder;
        EXPECT_TRUE(QDir().mkpath(dir));
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const int width = 60 + (i * 37) % 300;
            const int height = 40 + (i * 53) % 200;
            QString path;
            if (i % 4 == 3) {
                path = dir + QStringLiteral("/p%1.bmp").arg(i, 3, 10, QChar(u'0'));
                EXPECT_TRUE(PhotoLikeImage(width, height, quint32(i)).save(path, "BMP"));
            } else {
                path = dir + QStringLiteral("/p%1.jpg").arg(i, 3, 10, QChar(u'0'));
                EXPECT_TRUE(WriteJpeg(path, PhotoLikeImage(width, height, quint32(i))));
            }
            paths.append(path);
        }
        return paths;
    }

    static void Corrupt(const QString& path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("\xFF\xD8\xFF\xDB garbage where a picture was");
    }

    static QImage TileFromFile(const QString& path)
    {
        TImageDecoder decoder;
        TDecodedPicture picture;
        if (!decoder.Decode(path, picture))
            return QImage();
        return MakeThumbnail(picture.Image, picture.FullSize);
    }

    /** Records every delivery, and checks the order as it happens. */
    void Record(TThumbnailPool& pool)
    {
        QObject::connect(&pool, &TThumbnailPool::TileReady, &pool,
                         [this](quint64 batch, int index, const QString& path, const QImage& tile) {
                             m_tiles.push_back({batch, index, path, tile});
                         });
        QObject::connect(&pool, &TThumbnailPool::BatchFinished, &pool,
                         [this](quint64 batch) { m_finished.push_back(batch); });
        QObject::connect(&pool, &TThumbnailPool::SingleReady, &pool,
                         [this](quint64 job, const QString& path, const QImage& tile) {
                             m_singles.push_back({job, 0, path, tile});
                         });
    }

    /** Lets the held pictures through in a random order until held ones stop coming. */
    static void ReleaseRandomly(TGate& gate, int total, std::mt19937& random,
                                const std::function<void(const QString&)>& before = {})
    {
        for (int done = 0; done < total; ++done) {
            std::vector<QString> held = gate.Held(1);
            ASSERT_FALSE(held.empty()) << "a worker never arrived";
            const QString path = held[random() % held.size()];
            if (before)
                before(path);
            gate.Release(path);
            QCoreApplication::processEvents(); // deliveries interleave with releases
        }
    }

    QTemporaryDir m_dir;
    QString m_base;
    std::vector<TDelivered> m_tiles;
    std::vector<quint64> m_finished;
    std::vector<TDelivered> m_singles;
};

TEST_F(ThumbnailPoolTest, TilesComeInFolderOrderWhateverOrderTheyFinishIn)
{
    QStringList paths = Pictures(QStringLiteral("a"), 24);
    Corrupt(paths[5]);
    const QString deleted = paths[17];
    std::vector<QImage> expected;
    for (const QString& path : paths)
        expected.push_back(path == deleted ? QImage() : TileFromFile(path));

    for (const unsigned seed : {1u, 2u, 3u}) {
        m_tiles.clear();
        m_finished.clear();
        ASSERT_TRUE(QFileInfo::exists(deleted) || WriteJpeg(deleted, PhotoLikeImage(100, 80, 17)));
        TGate gate;
        TThumbnailPool pool(nullptr, 4);
        pool.SetWorkerHook([&gate](const QString& path) { gate.Enter(path); });
        Record(pool);
        std::mt19937 random(seed);
        const quint64 batch = pool.StartBatch(paths);
        EXPECT_TRUE(pool.Busy());
        EXPECT_EQ(pool.BatchCount(), 24);
        // The picture deleted while the rebuild runs goes just before a worker reaches it.
        ReleaseRandomly(gate, int(paths.size()), random, [&](const QString& path) {
            if (path == deleted)
                QFile::remove(deleted);
        });
        ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == size_t(1); }, 10000));
        EXPECT_EQ(m_finished[0], batch);
        EXPECT_FALSE(pool.Busy());

        ASSERT_EQ(m_tiles.size(), size_t(paths.size())) << "seed " << seed;
        for (int i = 0; i < paths.size(); ++i) {
            EXPECT_EQ(m_tiles[i].Batch, batch);
            EXPECT_EQ(m_tiles[i].Index, i);
            EXPECT_EQ(m_tiles[i].Path, paths[i]);
            EXPECT_EQ(m_tiles[i].Tile.isNull(), expected[i].isNull()) << i;
            if (!expected[i].isNull()) {
                EXPECT_EQ(m_tiles[i].Tile, expected[i]) << i; // the very tile the UI thread would draw
            }
        }
        EXPECT_TRUE(m_tiles[5].Tile.isNull());
        EXPECT_TRUE(m_tiles[17].Tile.isNull());
    }
}

TEST_F(ThumbnailPoolTest, NewBatchDropsTheOldOneAtOnce)
{
    const QStringList first = Pictures(QStringLiteral("first"), 12);
    const QStringList second = Pictures(QStringLiteral("second"), 5);
    TGate gate(QStringLiteral("/first/"));
    TThumbnailPool pool(nullptr, 3);
    pool.SetWorkerHook([&gate](const QString& path) { gate.Enter(path); });
    Record(pool);

    const quint64 old = pool.StartBatch(first);
    const std::vector<QString> held = gate.Held(3); // every worker holds a picture of the old batch
    ASSERT_EQ(held.size(), 3u);
    // Let one through so that the old batch has a tile posted and waiting to be delivered; its
    // worker then holds the next picture.
    gate.Release(held[0]);
    ASSERT_EQ(gate.Held(3).size(), 3u);
    const quint64 now = pool.StartBatch(second);
    EXPECT_NE(now, old);
    gate.Open();
    ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == size_t(1); }, 10000));
    ASSERT_TRUE(pool.WaitForWorkers(10000));
    QCoreApplication::processEvents();

    EXPECT_EQ(m_finished, std::vector<quint64>{now});
    ASSERT_EQ(m_tiles.size(), size_t(second.size()));
    for (int i = 0; i < second.size(); ++i) {
        EXPECT_EQ(m_tiles[i].Batch, now);
        EXPECT_EQ(m_tiles[i].Path, second[i]);
    }
    // The old batch's pictures that no worker had begun were never started.
    EXPECT_EQ(gate.Entered(), 4);

    // Cancelling with nothing pending, or twice, is harmless; an empty batch finishes.
    pool.CancelBatch();
    pool.CancelBatch();
    const quint64 empty = pool.StartBatch({});
    ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == size_t(2); }, 10000));
    EXPECT_EQ(m_finished[1], empty);
}

TEST_F(ThumbnailPoolTest, CancelledBatchDeliversNothingMore)
{
    const QStringList paths = Pictures(QStringLiteral("c"), 8);
    TGate gate;
    TThumbnailPool pool(nullptr, 2);
    pool.SetWorkerHook([&gate](const QString& path) { gate.Enter(path); });
    Record(pool);
    pool.StartBatch(paths);
    // Index 0 delivered, index 1 held, so the rest waits behind it.
    std::vector<QString> held = gate.Held(2);
    ASSERT_EQ(held.size(), 2u);
    gate.Release(paths[0]);
    ASSERT_TRUE(WaitUntil([&] { return m_tiles.size() == size_t(1); }, 10000));
    pool.CancelBatch();
    EXPECT_FALSE(pool.Busy());
    gate.Open();
    ASSERT_TRUE(pool.WaitForWorkers(10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_tiles.size(), 1u);
    EXPECT_TRUE(m_finished.empty());
}

TEST_F(ThumbnailPoolTest, SinglePicturesKeepTheirOrderBesideABatch)
{
    const QStringList batch = Pictures(QStringLiteral("batch"), 6);
    QStringList singles = Pictures(QStringLiteral("single"), 6);
    Corrupt(singles[2]);
    TGate gate;
    TThumbnailPool pool(nullptr, 4);
    pool.SetWorkerHook([&gate](const QString& path) { gate.Enter(path); });
    Record(pool);
    std::mt19937 random(7);

    const quint64 id = pool.StartBatch(batch);
    std::vector<quint64> jobs;
    for (const QString& path : singles)
        jobs.push_back(pool.AddSingle(path));
    EXPECT_EQ(pool.PendingSingles(), 6);
    ReleaseRandomly(gate, 12, random);
    ASSERT_TRUE(WaitUntil([&] { return m_singles.size() == size_t(6); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == size_t(1); }, 10000));
    EXPECT_EQ(m_finished[0], id);
    EXPECT_EQ(m_tiles.size(), 6u);
    for (int i = 0; i < int(singles.size()); ++i) {
        EXPECT_EQ(m_singles[i].Batch, jobs[i]);
        EXPECT_EQ(m_singles[i].Path, singles[i]);
        EXPECT_EQ(m_singles[i].Tile.isNull(), i == 2) << i;
    }

    // Cancelled singles are dropped; the ones added after still come.
    m_singles.clear();
    const QStringList more = Pictures(QStringLiteral("more"), 3);
    pool.AddSingle(more[0]);
    pool.AddSingle(more[1]);
    const std::vector<QString> held = gate.Held(2);
    ASSERT_EQ(held.size(), 2u);
    pool.CancelSingles();
    EXPECT_EQ(pool.PendingSingles(), 0);
    const quint64 after = pool.AddSingle(more[2]);
    gate.Open();
    ASSERT_TRUE(WaitUntil([&] { return m_singles.size() == size_t(1); }, 10000));
    ASSERT_TRUE(pool.WaitForWorkers(10000));
    QCoreApplication::processEvents();
    ASSERT_EQ(m_singles.size(), 1u);
    EXPECT_EQ(m_singles[0].Batch, after);
    EXPECT_EQ(m_singles[0].Path, more[2]);
}

TEST_F(ThumbnailPoolTest, CacheIsReadFirstAndWrittenAfterDecoding)
{
    QStringList paths = Pictures(QStringLiteral("cached"), 4);
    Corrupt(paths[3]);
    // Picture 0 has the proportions of the foreign entry it gets below.
    ASSERT_TRUE(WriteJpeg(paths[0], PhotoLikeImage(256, 128, 5)));
    TThumbnailCache cache(m_base);
    {
        TThumbnailPool pool(&cache, 2);
        Record(pool);
        pool.StartBatch(paths);
        ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == size_t(1); }, 10000));
    }
    // Entries for the good pictures, a fail entry for the corrupt one.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(QFileInfo::exists(cache.NormalPath(paths[i]))) << i;
    EXPECT_FALSE(QFileInfo::exists(cache.NormalPath(paths[3])));
    EXPECT_TRUE(QFileInfo::exists(cache.FailPath(paths[3])));

    // Make the entries tell: picture 0's entry is replaced by a red one of the same file (as
    // another program could have written it), and picture 1 gets a fail entry although it
    // decodes. Picture 2 changes after its entry was written (stale).
    const auto keysOf = [](const QString& path) {
        QImage image = SolidImage(128, 64, 0xFFFF0000);
        image.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(TThumbnailCache::FileUri(path)));
        image.setText(QStringLiteral("Thumb::MTime"),
                      QString::number(QFileInfo(path).lastModified().toSecsSinceEpoch()));
        return image;
    };
    ASSERT_TRUE(keysOf(paths[0]).save(cache.NormalPath(paths[0]), "png"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(cache.FailPath(paths[1])).absolutePath()));
    ASSERT_TRUE(keysOf(paths[1]).save(cache.FailPath(paths[1]), "png"));
    ASSERT_TRUE(QFile::remove(cache.NormalPath(paths[1])));
    ASSERT_TRUE(WriteJpeg(paths[2], PhotoLikeImage(90, 150, 99)));
    {
        QFile file(paths[2]);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime));
    }

    m_tiles.clear();
    m_finished.clear();
    TThumbnailPool pool(&cache, 2);
    Record(pool);
    pool.StartBatch(paths);
    ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == size_t(1); }, 10000));
    ASSERT_EQ(m_tiles.size(), 4u);
    EXPECT_EQ(m_tiles[0].Tile.pixel(40, 40), 0xFFFF0000) << "drawn from the foreign entry";
    EXPECT_EQ(m_tiles[0].Tile, MakeThumbnail(SolidImage(128, 64, 0xFFFF0000)));
    EXPECT_TRUE(m_tiles[1].Tile.isNull()) << "the fail entry holds";
    EXPECT_EQ(m_tiles[2].Tile, TileFromFile(paths[2])) << "a stale entry is not used";
    EXPECT_TRUE(m_tiles[3].Tile.isNull());
    TCachedThumbnail cached;
    ASSERT_EQ(cache.Lookup(paths[2], cached), TThumbnailCache::TLookup::Hit) << "the stale entry was replaced";
    EXPECT_EQ(cached.FullSize, QSize(90, 150));
}

TEST_F(ThumbnailPoolTest, FirstTilesAndTheirEntriesComeBeforeTheRestOfTheBatch)
{
    const int first = int(TThumbnailPool::FirstTiles);
    const QStringList paths = Pictures(QStringLiteral("first"), first + 6);
    TThumbnailCache cache(m_base);
    TThumbnailPool pool(&cache, 1);
    std::mutex mutex;
    QStringList started;
    int firstEntriesSeenByTheRest = -1;
    pool.SetWorkerHook([&](const QString& path) {
        std::lock_guard lock(mutex);
        if (started.size() == first) {
            firstEntriesSeenByTheRest = 0;
            for (int i = 0; i < first; ++i)
                firstEntriesSeenByTheRest += QFileInfo::exists(cache.NormalPath(paths[i])) ? 1 : 0;
        }
        started.append(path);
    });
    Record(pool);
    pool.StartBatch(paths);
    ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == size_t(1); }, 10000));

    // One worker takes the pictures in folder order, and every entry of the first tiles is
    // written before the rest of the batch begins.
    EXPECT_EQ(started, paths);
    EXPECT_EQ(firstEntriesSeenByTheRest, first);
    // When the batch is finished, every entry is written.
    ASSERT_EQ(m_tiles.size(), size_t(paths.size()));
    for (int i = 0; i < paths.size(); ++i) {
        EXPECT_FALSE(m_tiles[size_t(i)].Tile.isNull()) << i;
        EXPECT_TRUE(QFileInfo::exists(cache.NormalPath(paths[i]))) << i;
    }
}

TEST_F(ThumbnailPoolTest, CacheThatCannotBeWrittenNeverCostsATile)
{
    const QStringList paths = Pictures(QStringLiteral("nowrite"), 5);
    QFile blocker(m_dir.path() + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TThumbnailCache blocked(blocker.fileName() + QStringLiteral("/thumbnails"));
    TThumbnailCache off(m_base, false);

    for (const TThumbnailCache* cache : {&blocked, &off}) {
        m_tiles.clear();
        m_finished.clear();
        TThumbnailPool pool(cache, 2);
        Record(pool);
        pool.StartBatch(paths);
        ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == size_t(1); }, 10000));
        ASSERT_EQ(m_tiles.size(), 5u);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(m_tiles[i].Tile, TileFromFile(paths[i])) << i;
    }
    EXPECT_FALSE(QFileInfo::exists(m_base)) << "writing off writes nothing";
}

TEST_F(ThumbnailPoolTest, FilesThatCannotBeReadLeaveNoFailEntryAndHoldNothingUp)
{
    // A FIFO under a picture's name would hold a worker for good (and with it the ordered
    // delivery and the pool's end); a folder is no picture either. Neither is a failure of
    // content, so neither is remembered in the fail folder.
    QStringList paths = Pictures(QStringLiteral("odd"), 4);
    ASSERT_TRUE(QFile::remove(paths[1]));
    ASSERT_EQ(::mkfifo(QFile::encodeName(paths[1]).constData(), 0644), 0);
    ASSERT_TRUE(QFile::remove(paths[2]));
    ASSERT_TRUE(QDir().mkdir(paths[2]));
    TThumbnailCache cache(m_base);
    {
        TThumbnailPool pool(&cache, 2);
        Record(pool);
        pool.StartBatch(paths);
        pool.AddSingle(paths[1]);
        ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == 1u && m_singles.size() == 1u; }, 10000));
    }
    ASSERT_EQ(m_tiles.size(), 4u);
    EXPECT_FALSE(m_tiles[0].Tile.isNull());
    EXPECT_TRUE(m_tiles[1].Tile.isNull());
    EXPECT_TRUE(m_tiles[2].Tile.isNull());
    EXPECT_FALSE(m_tiles[3].Tile.isNull());
    EXPECT_TRUE(m_singles[0].Tile.isNull());
    for (const int i : {1, 2}) {
        EXPECT_FALSE(QFileInfo::exists(cache.FailPath(paths[i]))) << i;
        EXPECT_FALSE(QFileInfo::exists(cache.NormalPath(paths[i]))) << i;
    }
}

TEST_F(ThumbnailPoolTest, EntriesOfACancelledBatchAreNotWrittenAheadOfTheNextOne)
{
    const QStringList old = Pictures(QStringLiteral("old"), 3);
    const QStringList next = Pictures(QStringLiteral("next"), 2);
    TThumbnailCache cache(m_base);
    TGate gate(QStringLiteral("/old/p002"));
    TThumbnailPool pool(&cache, 1);
    pool.SetWorkerHook([&gate](const QString& path) { gate.Enter(path); });
    Record(pool);
    pool.StartBatch(old);
    // The one worker has made the first two tiles, queued their entries behind the third
    // picture, and holds that one.
    ASSERT_EQ(gate.Held(1).size(), 1u);
    const quint64 now = pool.StartBatch(next);
    gate.Open();
    ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == 1u; }, 10000));
    ASSERT_TRUE(pool.WaitForWorkers(10000));
    EXPECT_EQ(m_finished[0], now);
    for (const QString& path : old)
        EXPECT_FALSE(QFileInfo::exists(cache.NormalPath(path))) << path.toStdString();
    for (const QString& path : next)
        EXPECT_TRUE(QFileInfo::exists(cache.NormalPath(path))) << path.toStdString();
}

TEST_F(ThumbnailPoolTest, DestroyedWhileBusyEndsCleanly)
{
    const QStringList pictures = Pictures(QStringLiteral("d"), 11);
    TGate gate;
    auto pool = std::make_unique<TThumbnailPool>(nullptr, 2);
    pool->SetWorkerHook([&gate](const QString& path) { gate.Enter(path); });
    Record(*pool);
    pool->StartBatch(pictures.mid(0, 10));
    pool->AddSingle(pictures[10]);
    const size_t held = gate.Held(2).size();
    gate.Open(); // before any assertion, so that a failure cannot leave the workers held
    ASSERT_EQ(held, 2u);
    pool.reset(); // waits for the busy workers and drops the rest
    // Whatever the workers posted went with the pool: nothing reaches the receivers.
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_tiles.empty());
    EXPECT_TRUE(m_singles.empty());
}

} // namespace
