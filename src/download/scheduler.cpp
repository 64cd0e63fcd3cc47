#include "download/scheduler.h"

#include "download/browsersession.h"
#include "download/downloadstarter.h"
#include "host/frontend.h"
#include "task/common.h"
#include "task/logging.h"
#include "task/paths.h"
#include "task/percent.h"
#include "task/programsettings.h"
#include "task/runstate.h"

#include <QFileInfo>
#include <algorithm>
#include <exception>

using namespace pagemint;

TScheduler::TScheduler(TRunState& run, const TPaths& paths, const TProgramSettings& settings,
                       TDownloadStarter& starter, TFrontEnd& frontEnd, QObject* parent)
    : QObject(parent), m_run(run), m_paths(paths), m_settings(settings), m_starter(starter), m_frontEnd(frontEnd)
{
    m_timer1.setInterval(1000);
    // A coarse timer may slip each tick by up to 5 %, which the download rate would show.
    m_timer1.setTimerType(Qt::PreciseTimer);
    connect(&m_timer1, &QTimer::timeout, this, &TScheduler::Timer1Timer);
}

void TScheduler::SetTimerEnabled(bool enabled)
{
    if (enabled)
        m_timer1.start();
    else
        m_timer1.stop();
}

void TScheduler::Timer1Timer()
{
    try {
        if (m_run.DownloadsDone) {
            if (m_timer1.isActive()) {
                m_timer1.stop();
                emit TimerStopped();
            }
            m_frontEnd.SetDownloadProgress(0);
            return;
        }
        DispatchDownloads();
    } catch (const std::exception& error) {
        // Background work fails silently; the entry that failed is still waiting and the next
        // tick tries it again.
        qCDebug(lcDownload, "scheduler tick failed at entry %d: %s", m_run.DispatchedCount, error.what());
    } catch (...) {
        qCDebug(lcDownload, "scheduler tick failed at entry %d", m_run.DispatchedCount);
    }
}

void TScheduler::DispatchDownloads()
{
    const qint64 queued = m_run.DownloadQueue.Count();
    m_frontEnd.SetDownloadProgress(HalfEvenPercent(m_run.DispatchedCount, queued));

    const qint64 waiting = queued - m_run.DispatchedCount;
    if (m_run.CrawlFinished && waiting + m_run.RunningDownloads.load() < 1) {
        m_run.MarkDownloadsDone();
        return;
    }
    if (waiting <= 0)
        return;

    // TaskThread is read anew every tick; workers of an earlier run still hold their slots.
    qint64 freeSlots = qint64(m_run.Task.TaskThread) - m_run.RunningDownloads.load();
    while (freeSlots > 0 && m_run.DispatchedCount < queued) {
        const qint32 index = m_run.DispatchedCount;
        const QString entry = m_run.DownloadQueue.At(index);
        if (const TDownloadEntry* recorded = RecordedDownload(entry)) {
            ++m_run.DispatchedCount;
            TDownloadResult result;
            result.FileCreated = true;
            result.Succeeded = true;
            result.HttpStatus = recorded->HttpStatus;
            result.Bytes = recorded->Bytes;
            emit AlreadyDownloaded(recorded->FileName, RunTaskName(), result);
            continue;
        }
        const auto retry = m_run.RetryDestinations.constFind(entry);
        const QString destination = retry != m_run.RetryDestinations.cend() ? retry.value()
                                                                            : DownloadDestination(entry);
        StartDownload(entry, destination, m_run.DownloadQueue.ReferrerAt(index));
        // Raised only after the worker has started, so a failed start leaves the entry waiting.
        // The worker lowers the count only after its finishing call has run on this thread,
        // which cannot happen before this call returns.
        m_run.RunningDownloads.fetch_add(1);
        ++m_run.DispatchedCount;
        --freeSlots;
    }
}

QString TScheduler::RunTaskName() const
{
    return m_runTaskName.isEmpty() ? m_run.Task.TaskName : m_runTaskName;
}

const TDownloadEntry* TScheduler::RecordedDownload(const QString& entry)
{
    const QString taskName = RunTaskName();
    if (!m_run.Task.SkipDownloaded || !TPaths::IsUsableTaskName(taskName))
        return nullptr;
    if (m_recordedRun != m_run.RunSerial) {
        m_recordedRun = m_run.RunSerial;
        m_recorded.clear();
        const QHash<QString, TDownloadEntry> last =
            TDownloadRecord(m_paths.TaskFolder(taskName)).LastOutcomes();
        for (auto it = last.cbegin(); it != last.cend(); ++it) {
            if (it.value().Succeeded())
                m_recorded.insert(AsciiLower(TrimControl(it.key())), it.value());
        }
    }
    const auto it = m_recorded.constFind(AsciiLower(TrimControl(entry)));
    if (it == m_recorded.cend() || !TDownloadRecord::FileStillMatches(it.value()))
        return nullptr;
    return &it.value();
}

void TScheduler::SlotFreed()
{
    if (m_run.DownloadsDone || !m_timer1.isActive())
        return;
    Timer1Timer();
}

QString TScheduler::DownloadDestination(const QString& entry) const
{
    const QString url = TrimControl(entry);
    const QString tail = AsciiLower(url.right(4));
    const QString& task = m_run.Task.TaskName;

    QString folder;
    if (tail == u".bmp" || tail == u".jpg" || tail == u".gif" || tail == u"jpeg")
        folder = m_paths.ImagesFolder(task);
    else if (tail == u".swf")
        folder = m_paths.FlashesFolder(task);
    else
        folder = m_paths.DownloadsFolder(task);

    return folder + u'/' + FreeName(folder, ExtractURLFileName(url));
}

void TScheduler::StartDownload(const QString& entry, const QString& destination, const QString& referrer)
{
    TDownloadJob job;
    job.FileName = destination;
    job.URL = entry;
    job.UserName = m_settings.AuthUserName;
    job.Password = m_settings.AuthPassword;
    job.ProxyServer = m_settings.ProxyServer;
    job.ProxyPort = m_settings.ProxyPort;
    job.TaskName = RunTaskName();
    job.Referrer = referrer;
    job.ShareSession = m_settings.ShareBrowserSession;
    if (job.ShareSession && m_session) {
        job.Cookies = m_session->CookieJar();
        job.UserAgent = m_session->UserAgent();
    }
    job.Retries = m_settings.DownloadRetries;
    if (TPaths::IsUsableTaskName(job.TaskName))
        job.RecordFolder = m_paths.TaskFolder(job.TaskName);
    m_starter.StartDownload(job);
    ++m_inProgress[destination];
}

void TScheduler::DownloadEnded(const QString& fileName)
{
    const auto it = m_inProgress.find(fileName);
    if (it == m_inProgress.end())
        return;
    if (--it.value() <= 0)
        m_inProgress.erase(it);
}

bool TScheduler::IsTaken(const QString& folder, const QString& name) const
{
    const QString path = folder + u'/' + name;
    return m_inProgress.contains(path) || QFileInfo(path).isFile();
}

QString TScheduler::FreeName(const QString& folder, const QString& name) const
{
    // An empty name (a URL ending in "/") stays empty: that download fails to create its file.
    if (name.isEmpty() || !IsTaken(folder, name))
        return name;
    const QString unique = UniqueFileName(folder, name);
    if (unique.isEmpty() || !m_inProgress.contains(folder + u'/' + unique))
        return unique;
    // The lowest free name on disk was handed to a download that has not created its file yet:
    // look further, counting those names as taken too. A numbered name is free by the rule of
    // UniqueFileName: nothing at all at its path (a folder there could not take the file).
    for (int i = 1; i <= 999; ++i) {
        const QString candidate = u'(' + QString::number(i) + u')' + name;
        const QString path = folder + u'/' + candidate;
        const QFileInfo info(path);
        if (!m_inProgress.contains(path) && !info.exists() && !info.isSymLink())
            return candidate;
    }
    return QString();
}
