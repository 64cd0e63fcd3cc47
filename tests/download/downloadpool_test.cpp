// Workers with their finishing steps: the UI-thread call under DownloadLock, RunningDownloads,
// and a shutdown that neither hangs nor crashes.
#include "download/downloadpool.h"
#include "support/downloadsite.h"
#include "support/waituntil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

/** Waits without letting events run, polling a condition another thread makes true. */
bool SpinUntil(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(60000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        std::this_thread::yield();
    }
    return true;
}

struct TFinished
{
    QString FileName;
    QString TaskName;
    bool Succeeded;
    long HttpStatus;
    int CurlCode;
    QByteArray FileContent;
    qint32 Running;
    bool LockHeld;
};

class DownloadPoolTest : public testing::Test
{
protected:
    DownloadPoolTest() : m_pool(m_running)
    {
        QObject::connect(&m_pool, &TDownloadPool::DownloadFinished, &m_pool,
                         [this](const QString& fileName, const QString& taskName, const TDownloadResult& result) {
                             QFile file(fileName);
                             const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
                             const bool lockFree = m_pool.DownloadLock().try_lock();
                             if (lockFree)
                                 m_pool.DownloadLock().unlock();
                             m_finished.push_back({fileName, taskName, result.Succeeded, result.HttpStatus, result.CurlCode,
                                                   content, m_running.load(), !lockFree});
                         });
    }
    void Start(const QString& url, const QString& name)
    {
        TDownloadJob job;
        job.URL = url;
        job.FileName = m_dir.filePath(name);
        job.TaskName = "Shots";
        m_running.fetch_add(1); // as the scheduler does for every worker it starts
        m_pool.StartDownload(job);
    }
    static TDownloadTestSite& Server()
    {
        static TDownloadTestSite server;
        return server;
    }

    QTemporaryDir m_dir;
    std::atomic<qint32> m_running{0};
    TDownloadPool m_pool;
    std::vector<TFinished> m_finished;
};

TEST_F(DownloadPoolTest, FinishingRunsOnTheUiThreadUnderTheLockBeforeTheCountFalls)
{
    Start(Server().Url("/ok.bin"), "a.bin");
    Start(Server().Url("/404"), "b.bin");
    ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == 2 && m_pool.RunningWorkerCount() == 0; }, 60000));
    EXPECT_EQ(m_running.load(), 0);
    for (const TFinished& finished : m_finished) {
        EXPECT_TRUE(finished.LockHeld);
        EXPECT_GE(finished.Running, 1); // the worker lowers the count only after this call
        EXPECT_EQ(finished.TaskName, QStringLiteral("Shots"));
        if (finished.FileName.endsWith("a.bin")) {
            EXPECT_TRUE(finished.Succeeded);
            EXPECT_EQ(finished.HttpStatus, 200);
            EXPECT_EQ(finished.FileContent, QByteArray::fromStdString(TDownloadTestSite::Body())); // closed first
        } else {
            EXPECT_FALSE(finished.Succeeded);
            EXPECT_EQ(finished.HttpStatus, 404); // the signal carries why it failed
            EXPECT_EQ(finished.CurlCode, 0);
            EXPECT_TRUE(finished.FileContent.isEmpty());
        }
    }
}

TEST_F(DownloadPoolTest, ManyWorkersFinishOneAfterTheOther)
{
    for (int i = 0; i < 12; ++i)
        Start(Server().Url("/ok.bin"), QStringLiteral("f%1.bin").arg(i));
    ASSERT_TRUE(WaitUntil([&] { return m_finished.size() == 12; }, 60000));
    ASSERT_TRUE(WaitUntil([&] { return m_pool.RunningWorkerCount() == 0; }, 60000));
    EXPECT_EQ(m_running.load(), 0);
    for (const TFinished& finished : m_finished)
        EXPECT_TRUE(finished.Succeeded);
}

TEST_F(DownloadPoolTest, ShutdownAnswersAWorkerWaitingForTheUiThread)
{
    Start(Server().Url("/ok.bin"), "a.bin");
    // Without events running, the worker ends up holding DownloadLock while it waits for its
    // finishing call.
    ASSERT_TRUE(SpinUntil([&] {
        if (m_pool.DownloadLock().try_lock()) {
            m_pool.DownloadLock().unlock();
            return false;
        }
        return true;
    }));
    m_pool.AbortAndJoinAll();
    EXPECT_EQ(m_pool.WorkerCount(), 0);
    EXPECT_EQ(m_running.load(), 0);
    EXPECT_TRUE(m_finished.empty()); // nothing reaches the gallery once the shutdown began
    EXPECT_THROW(m_pool.StartDownload(TDownloadJob{}), std::exception);
}

TEST_F(DownloadPoolTest, ShutdownAbortsAStalledTransfer)
{
    TRawServer stalled(TRawServer::Mode::Stall);
    TDownloadLimits limits;
    limits.StallSeconds = 3600;
    limits.ConnectTimeoutSeconds = 3600;
    m_pool.SetLimits(limits);
    Start(QStringLiteral("http://127.0.0.1:%1/slow.jpg").arg(stalled.Port()), "slow.jpg");
    ASSERT_TRUE(SpinUntil([&] { return stalled.Connections() == 1; }));
    m_pool.AbortAndJoinAll();
    EXPECT_EQ(m_running.load(), 0);
    EXPECT_EQ(m_pool.WorkerCount(), 0);
}

TEST(DownloadPoolLifetimeTest, DestroyingThePoolWithWorkersRunningJoinsThem)
{
    TRawServer stalled(TRawServer::Mode::Stall);
    QTemporaryDir dir;
    std::atomic<qint32> running{0};
    {
        TDownloadPool pool(running);
        for (int i = 0; i < 3; ++i) {
            TDownloadJob job;
            job.URL = QStringLiteral("http://127.0.0.1:%1/%2.jpg").arg(stalled.Port()).arg(i);
            job.FileName = dir.filePath(QStringLiteral("%1.jpg").arg(i));
            running.fetch_add(1);
            pool.StartDownload(job);
        }
    }
    EXPECT_EQ(running.load(), 0);
}

} // namespace
