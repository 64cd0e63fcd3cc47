#include "batch/batchrunner.h"

#include "download/downloadrecord.h"

#include "task/errors.h"
#include "task/taskfile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <chrono>
#include <exception>
#include <utility>

using namespace pagemint;

namespace {

qint64 SteadyNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// How often the progress line and the wait for downloads look whether something changed.
constexpr int DownloadPollMs = 50;

} // namespace

TBatchRunner::TBatchRunner(const TPaths& paths, TBrowser& browser, TSink out, TSink err,
                           QObject* parent)
    : QObject(parent)
    , m_paths(paths)
    , m_browser(browser)
    , m_out(std::move(out))
    , m_err(std::move(err))
    , m_progress([this](const QString& line) { m_err(line); })
{
    m_timing = qEnvironmentVariableIsSet("PAGEMINT_BATCH_TIMING");
    // Created last: the engine may call the front end while it is being built.
    m_harvester = std::make_unique<THarvester>(m_paths, m_browser, *this);
    // A change that came less than a second after the last line is written once its second is
    // over, even when the engine reports nothing new meanwhile.
    m_progressPoll.setInterval(DownloadPollMs);
    connect(&m_progressPoll, &QTimer::timeout, this, [this] { m_progress.Poll(NowMs()); });
}

TBatchRunner::~TBatchRunner()
{
    m_harvester.reset();
}

QStringList TBatchRunner::TasksWithoutSettings(const TPaths& paths, const QStringList& tasks)
{
    QStringList missing;
    for (const QString& name : tasks) {
        if (!QFileInfo(paths.TaskSettingsFile(name)).isFile())
            missing.append(name);
    }
    return missing;
}

int TBatchRunner::Run(const QStringList& tasks)
{
    // Settings that exist but cannot be read would leave the downloads without their proxy and
    // credentials: no task runs on defaults in their place.
    try {
        m_harvester->ReadProgramSettings();
    } catch (const EPagemintError& error) {
        m_err(QStringLiteral("Error: %1; no task was run").arg(error.Message()));
        m_harvester->Shutdown();
        return ExitRunError;
    }
    int failures = 0;
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        if (m_stopSignal != 0) {
            m_err(QStringLiteral("Not run after the stop request: %1").arg(tasks.mid(i).join(u' ')));
            break;
        }
        if (!(m_retryFailed ? RetryOneTask(tasks.at(i)) : RunOneTask(tasks.at(i))))
            ++failures;
    }
    m_harvester->Shutdown();
    ReportFailures(tasks);
    if (m_stopSignal != 0)
        return ExitSignalBase + m_stopSignal;
    return failures > 0 ? ExitRunError : ExitOk;
}

bool TBatchRunner::RunOneTask(const QString& taskName)
{
    m_err(QStringLiteral("Task %1: started").arg(taskName));
    m_progress.BeginTask(taskName);
    try {
        m_harvester->CurrentTask() = LoadTaskFile(m_paths.TaskSettingsFile(taskName));
    } catch (const EPagemintError& error) {
        // Not run: a run on blank settings would save empty lists over the task's own.
        ReportError(taskName, error.Message());
        m_err(QStringLiteral("Task %1: failed, not run").arg(taskName));
        return false;
    }

    bool ok = true;
    const qint64 pumpStartNs = m_harvester->PumpedNs();
    const qint64 startNs = SteadyNs();
    m_progressPoll.start();
    try {
        m_harvester->RunTask(taskName);
    } catch (const EPagemintError& error) {
        ReportError(taskName, error.Message());
        ok = false;
    } catch (const std::exception& error) {
        ReportError(taskName, QString::fromLocal8Bit(error.what()));
        ok = false;
    }
    m_progressPoll.stop();
    const qint64 crawlNs = SteadyNs() - startNs;
    const qint64 pumpNs = m_harvester->PumpedNs() - pumpStartNs;

    const TRunState& state = m_harvester->RunState();
    const qsizetype pages = state.VisitedURLList.Count();
    m_progress.SetCrawlDone(true);
    if (m_aborted)
        m_harvester->Shutdown();
    const qint64 waitStartNs = SteadyNs();
    WaitForDownloads();
    const qint64 downloadWaitNs = SteadyNs() - waitStartNs;
    if (m_aborted) {
        m_err(QStringLiteral("Task %1: downloads aborted").arg(taskName));
        return ok;
    }

    const qsizetype waiting = state.DownloadQueue.Count() - state.DispatchedCount;
    if (waiting > 0 && state.Task.TaskThread <= 0) {
        m_err(QStringLiteral("Task %1: %2 queued downloads not made: the task allows no download thread")
                  .arg(taskName)
                  .arg(waiting));
    }

    if (ok) {
        try {
            m_harvester->SaveResultLists(taskName);
        } catch (const EPagemintError& error) {
            ReportError(taskName, error.Message());
            ok = false;
        }
    }

    m_err(QStringLiteral("Task %1: %2, %3 pages, %4 files queued, %5 handed to downloads; "
                         "crawl %6 s, downloads done %7 s later")
              .arg(taskName,
                   !ok                  ? QStringLiteral("failed")
                   : state.CrawlFinished ? QStringLiteral("completed")
                                         : QStringLiteral("cancelled"))
              .arg(pages)
              .arg(state.DownloadQueue.Count())
              .arg(state.DispatchedCount)
              .arg(double(crawlNs) / 1e9, 0, 'f', 1)
              .arg(double(downloadWaitNs) / 1e9, 0, 'f', 1));
    if (m_timing) {
        const double outsideMs = double(crawlNs - pumpNs) / 1e6;
        m_err(QStringLiteral("Task %1 timing: crawl %2 ms, waiting for the browser %3 ms, "
                             "outside page loading %4 ms, %5 ms per page")
                  .arg(taskName)
                  .arg(double(crawlNs) / 1e6, 0, 'f', 1)
                  .arg(double(pumpNs) / 1e6, 0, 'f', 1)
                  .arg(outsideMs, 0, 'f', 1)
                  .arg(pages > 0 ? outsideMs / double(pages) : 0.0, 0, 'f', 2));
    }
    return ok;
}

bool TBatchRunner::RetryOneTask(const QString& taskName)
{
    m_err(QStringLiteral("Task %1: retrying failed downloads").arg(taskName));
    m_progress.BeginTask(taskName);
    const int queued = m_harvester->RetryFailed(taskName);
    if (queued < 0) {
        ReportError(taskName, QStringLiteral("downloads of an earlier run are still going on"));
        return false;
    }
    m_progress.SetCrawlDone(true);
    WaitForDownloads();
    if (m_aborted) {
        m_err(QStringLiteral("Task %1: downloads aborted").arg(taskName));
        return true;
    }
    m_err(QStringLiteral("Task %1: %2 failed downloads queued again").arg(taskName).arg(queued));
    return true;
}

void TBatchRunner::ReportFailures(const QStringList& tasks)
{
    QStringList reported;
    for (const QString& taskName : tasks) {
        if (reported.contains(taskName) || !TPaths::IsUsableTaskName(taskName))
            continue;
        reported.append(taskName);
        const qsizetype failed = TDownloadRecord(m_paths.TaskFolder(taskName)).FailedEntries().size();
        m_err(QStringLiteral("Task %1: %2 failed downloads").arg(taskName).arg(failed));
    }
}

void TBatchRunner::WaitForDownloads()
{
    if (DownloadsSettled())
        return;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(DownloadPollMs);
    connect(&poll, &QTimer::timeout, &loop, [this, &loop] {
        UpdateDownloadCounts();
        m_progress.Poll(NowMs());
        if (DownloadsSettled())
            loop.quit();
    });
    m_waitLoop = &loop;
    poll.start();
    loop.exec();
    m_waitLoop = nullptr;
}

bool TBatchRunner::DownloadsSettled() const
{
    if (m_aborted || m_harvester->DownloadsIdle())
        return true;
    // With no download thread allowed the waiting entries can never start.
    const TRunState& state = m_harvester->RunState();
    return state.RunningDownloads.load() <= 0 && state.Task.TaskThread <= 0;
}

void TBatchRunner::UpdateDownloadCounts()
{
    const TRunState& state = m_harvester->RunState();
    m_progress.SetDownloadCounts(state.RunningDownloads.load(),
                                 state.DownloadQueue.Count() - state.DispatchedCount);
}

void TBatchRunner::ReportError(const QString& taskName, const QString& text)
{
    m_err(QStringLiteral("Task %1: error: %2").arg(taskName, text));
}

void TBatchRunner::Interrupt(int signalNumber, int count)
{
    if (count == 1) {
        m_stopSignal = signalNumber;
        m_err(QStringLiteral("Signal %1: stopping; queued downloads still finish "
                             "(a second signal aborts them)")
                  .arg(signalNumber));
        try {
            m_harvester->ActionPauseExecute();
        } catch (const EPagemintError& error) {
            ReportError(m_harvester->RunState().RunningTaskName, error.Message());
        }
    } else if (count == 2) {
        m_err(QStringLiteral("Signal %1: aborting the running downloads").arg(signalNumber));
        m_aborted = true;
        if (m_harvester->IsRunActive()) {
            // The engine may only shut down once RunTask has returned; the run ends at its
            // next wait and RunOneTask shuts down then.
            m_harvester->RequestStop();
        } else {
            m_harvester->Shutdown();
            if (m_waitLoop)
                m_waitLoop->quit();
        }
    }
}

void TBatchRunner::ShowMessage(const QString& text)
{
    m_out(text);
}

void TBatchRunner::SetSearchProgress(int percent)
{
    m_progress.SetSearchProgress(percent);
    if (m_harvester && m_harvester->IsRunActive()) {
        const TRunState& state = m_harvester->RunState();
        const qsizetype index = m_progress.StepPage(state.VisitedURLList.Count(),
                                                    state.LevelURLList.Count(),
                                                    state.Task.FollowedLink + 1);
        if (index >= 0)
            m_progress.SetPageUrl(state.LevelURLList.At(index));
    }
    m_progress.Poll(NowMs());
}

void TBatchRunner::SetCurrentPage(const QString& text)
{
    m_progress.SetStatusText(text);
    m_progress.Poll(NowMs());
}

void TBatchRunner::LogonPauseSkipped(const QString& url)
{
    m_err(QStringLiteral("Task %1 asks for a manual logon at %2: skipped, nobody is there to log on "
                         "(a logon stored in the browser profile still applies)")
              .arg(m_harvester->RunState().RunningTaskName, url));
}

void TBatchRunner::RunStarted(const QString& taskName)
{
    m_progress.BeginTask(taskName);
}

void TBatchRunner::CrawlCompleted(const QString& taskName)
{
    Q_UNUSED(taskName);
    m_progress.SetCrawlDone(true);
}

void TBatchRunner::SetDownloadProgress(int percent)
{
    m_progress.SetDownloadProgress(percent);
    if (m_harvester)
        UpdateDownloadCounts();
    m_progress.Poll(NowMs());
}
