#include "download/scheduler.h"

#include "download/downloadstarter.h"
#include "download/schedulerhost.h"
#include "task/common.h"
#include "task/logging.h"
#include "task/paths.h"
#include "task/percent.h"
#include "task/programsettings.h"
#include "task/runstate.h"

#include <QFileInfo>
#include <algorithm>
#include <exception>

TScheduler::TScheduler(TRunState& run, const TPaths& paths, const TProgramSettings& settings,
                       TDownloadStarter& starter, TSchedulerHost& host, QObject* parent)
    : QObject(parent), m_run(run), m_paths(paths), m_settings(settings), m_starter(starter), m_host(host)
{
}

void TScheduler::Timer1Timer()
{
    try {
        if (m_run.DownloadsDone) {
            m_host.SetDownloadTimerEnabled(false);
            m_host.SetDownloadProgress(0);
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
    m_host.SetDownloadProgress(HalfEvenPercent(m_run.DispatchedCount, queued));

    const qint64 waiting = queued - m_run.DispatchedCount;
    if (m_run.CrawlFinished && waiting + m_run.RunningDownloads.load() < 1) {
        m_run.MarkDownloadsDone();
        return;
    }
    if (waiting <= 0)
        return;

    // TaskThread is read anew every tick; workers of an earlier run still hold their slots.
    const qint64 freeSlots = qint64(m_run.Task.TaskThread) - m_run.RunningDownloads.load();
    const qint64 count = std::min(waiting, freeSlots);
    for (qint64 i = 0; i < count; ++i) {
        const QString entry = m_run.DownloadQueue.At(m_run.DispatchedCount);
        StartDownload(entry, DownloadDestination(entry));
        // Raised only after the worker has started, so a failed start leaves the entry waiting.
        // The worker lowers the count only after its finishing call has run on this thread,
        // which cannot happen before this tick returns.
        m_run.RunningDownloads.fetch_add(1);
        ++m_run.DispatchedCount;
    }
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

void TScheduler::StartDownload(const QString& entry, const QString& destination)
{
    TDownloadJob job;
    job.FileName = destination;
    job.URL = entry;
    job.UserName = m_settings.AuthUserName;
    job.Password = m_settings.AuthPassword;
    job.ProxyServer = m_settings.ProxyServer;
    job.ProxyPort = m_settings.ProxyPort;
    job.TaskName = m_runTaskName.isEmpty() ? m_run.Task.TaskName : m_runTaskName;
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
