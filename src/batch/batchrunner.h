#pragma once
/**
 * The headless front end of the harvesting engine: runs named tasks one after the other with
 * the same THarvester the desktop program uses, and is its TFrontEnd. Messages go to an
 * "out" sink (standard output), progress, notes and errors to an "err" sink (standard error).
 * Lives on the user-interface thread; everything runs inside Run.
 *
 * A task's run: CurrentTask is read from DIR/Task/<name>/settings.ini, THarvester::RunTask
 * crawls it (the manual logon pause is skipped: nobody is there), then the runner waits,
 * pumping events, until the task's downloads are done, and saves the result lists once more
 * so that the files on disk are exactly what SaveResultLists writes for the finished task.
 */

#include "batch/progressreporter.h"
#include "engine/harvester.h"
#include "task/paths.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QEventLoop;
class TBrowser;

// No Q_OBJECT: the runner has no signals or slots of its own (connections use lambdas).
class TBatchRunner : public QObject, public TFrontEnd
{
public:
    using TSink = std::function<void(const QString& line)>;

    enum TExitStatus : int {
        ExitOk = 0,        // every task ran
        ExitRunError = 1,  // a run ended on an error
        ExitUsage = 2,     // bad arguments, or a task without settings.ini
        ExitSignalBase = 128,  // + the signal number, when a signal stopped the run
    };

    TBatchRunner(const TPaths& paths, TBrowser& browser, TSink out, TSink err,
                 QObject* parent = nullptr);
    ~TBatchRunner() override;

    /** The tasks of the list whose settings.ini does not exist, in list order. */
    static QStringList TasksWithoutSettings(const TPaths& paths, const QStringList& tasks);

    /** Reads the program settings, then runs the tasks in turn; returns the exit status.
     *  After a stop request no further task is started. A pmsettings.ini that exists but
     *  cannot be read runs no task (ExitRunError); a settings.ini that cannot be read fails
     *  its task, which is not run, and the next task goes on. */
    int Run(const QStringList& tasks);
    /** --retry-failed: Run downloads each task's failed URLs again instead of running it. */
    void SetRetryFailed(bool retryFailed) { m_retryFailed = retryFailed; }

    /** SIGINT or SIGTERM number count (1, 2, ...): the first acts as "Stop", the second aborts
     *  the running downloads and makes Run return. */
    void Interrupt(int signalNumber, int count);

    THarvester& Harvester() { return *m_harvester; }

    // TFrontEnd
    void ShowMessage(const QString& text) override;
    void SetSearchProgress(int percent) override;
    void SetCurrentPage(const QString& text) override;
    bool CanPauseForLogon() const override { return false; }
    void LogonPauseSkipped(const QString& url) override;
    void RunStarted(const QString& taskName) override;
    void CrawlCompleted(const QString& taskName) override;
    void SetDownloadProgress(int percent) override;

private:
    /** The engine's clock. */
    qint64 NowMs() const { return m_harvester->EventPump().NowMs(); }
    /** Runs one task; false when it ended on an error (already reported). */
    bool RunOneTask(const QString& taskName);
    /** Queues the task's failed downloads again and waits for them; false when refused. */
    bool RetryOneTask(const QString& taskName);
    /** The lines "Task NAME: N failed downloads" for each task once, in order. */
    void ReportFailures(const QStringList& tasks);
    /** Pumps events until the downloads are done, cannot go on, or an abort was asked for. */
    void WaitForDownloads();
    bool DownloadsSettled() const;
    void UpdateDownloadCounts();
    void ReportError(const QString& taskName, const QString& text);

    TPaths m_paths;
    TBrowser& m_browser;
    TSink m_out;
    TSink m_err;
    TProgressReporter m_progress;
    std::unique_ptr<THarvester> m_harvester;
    QTimer m_progressPoll;           // looks at the progress line while the crawl runs
    QEventLoop* m_waitLoop = nullptr;
    int m_stopSignal = 0;            // the first SIGINT/SIGTERM, 0 when none
    bool m_aborted = false;
    bool m_retryFailed = false;
    bool m_timing = false;           // PAGEMINT_BATCH_TIMING set: per-page timing on stderr
};
