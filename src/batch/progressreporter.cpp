#include "batch/progressreporter.h"

#include <utility>

TProgressReporter::TProgressReporter(TSink sink) : m_sink(std::move(sink)) {}

void TProgressReporter::BeginTask(const QString& taskName)
{
    m_taskName = taskName;
    m_level = 1;
    m_levelBase = 0;
    m_pageIndex = -1;
    m_levelCount = 0;
    m_pageUrl.clear();
    m_statusText.clear();
    m_searchPercent = 0;
    m_downloadPercent = 0;
    m_crawlDone = false;
    m_running = 0;
    m_waiting = 0;
    m_dirty = false;
}

qsizetype TProgressReporter::StepPage(qsizetype visitedCount, qsizetype levelCount, int levelLimit)
{
    if (visitedCount != m_levelBase) {
        // The previous level ended. Its successor has pages only when links were admitted and
        // the run has levels left; otherwise this call is the completion's.
        if (levelCount < 1 || m_level + 1 > levelLimit)
            return -1;
        ++m_level;
        m_levelBase = visitedCount;
        m_pageIndex = 0;
    } else {
        if (m_pageIndex + 1 >= levelCount || m_level > levelLimit)
            return -1;
        ++m_pageIndex;
    }
    m_levelCount = levelCount;
    m_dirty = true;
    return m_pageIndex;
}

void TProgressReporter::SetDownloadCounts(int running, qsizetype waiting)
{
    Change(m_running, running);
    Change(m_waiting, waiting);
}

QString TProgressReporter::Line() const
{
    const QString prefix = m_taskName.isEmpty() ? QString() : m_taskName + QStringLiteral(": ");
    if (m_crawlDone) {
        return prefix
            + QStringLiteral("crawl done, downloads %1%, %2 running, %3 waiting")
                  .arg(m_downloadPercent)
                  .arg(m_running)
                  .arg(m_waiting);
    }
    QString where = QStringLiteral("level %1").arg(m_level);
    if (m_pageIndex >= 0 && !m_pageUrl.isEmpty())
        where += QStringLiteral(", page %1/%2 %3").arg(m_pageIndex + 1).arg(m_levelCount).arg(m_pageUrl);
    else if (!m_statusText.isEmpty())
        where += QStringLiteral(", ") + m_statusText;
    return prefix + where
        + QStringLiteral(", search %1%, downloads %2%").arg(m_searchPercent).arg(m_downloadPercent);
}

void TProgressReporter::Poll(qint64 nowMs)
{
    if (!m_dirty)
        return;
    if (m_emitted && nowMs - m_lastLineMs < IntervalMs)
        return;
    m_sink(Line());
    m_emitted = true;
    m_lastLineMs = nowMs;
    m_dirty = false;
}
