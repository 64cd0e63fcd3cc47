#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

/**
 * The progress lines of a headless run: the level, the page being loaded and the search and
 * download percentages, written to a sink (standard error) at most once a second and only
 * when something changed. The time comes from the caller, so tests need no clock.
 * Lives on the user-interface thread.
 */
class TProgressReporter
{
public:
    using TSink = std::function<void(const QString& line)>;
    static constexpr qint64 IntervalMs = 1000;

    explicit TProgressReporter(TSink sink);

    /** A new task starts: level 1, nothing shown yet. Keeps the time of the last line, so
     *  two tasks in a row still give at most one line a second. */
    void BeginTask(const QString& taskName);

    /**
     * The crawl driver sets the search progress once before each page and once or twice when
     * the run completes. Works out whether this call starts a page, and which one, from the
     * run state at that moment: VisitedURLList grows exactly when a level that had pages ends,
     * and no level after an empty one has pages.
     * Returns the page's index in LevelURLList, or -1 when the call starts no page.
     */
    qsizetype StepPage(qsizetype visitedCount, qsizetype levelCount, int levelLimit);

    void SetPageUrl(const QString& url) { Change(m_pageUrl, url); }
    /** The "Current Page:" text; shown when the page being loaded is not known. */
    void SetStatusText(const QString& text) { Change(m_statusText, text); }
    void SetSearchProgress(int percent) { Change(m_searchPercent, percent); }
    void SetDownloadProgress(int percent) { Change(m_downloadPercent, percent); }
    /** The crawl has ended: lines now show how the downloads stand. */
    void SetCrawlDone(bool done) { Change(m_crawlDone, done); }
    void SetDownloadCounts(int running, qsizetype waiting);

    /** Writes a line when something changed and the last line is at least a second old. */
    void Poll(qint64 nowMs);
    /** The line that Poll would write now. */
    QString Line() const;

    int Level() const { return m_level; }

private:
    template <typename T>
    void Change(T& field, const T& value)
    {
        if (field != value) {
            field = value;
            m_dirty = true;
        }
    }

    TSink m_sink;
    QString m_taskName;
    int m_level = 1;
    qsizetype m_levelBase = 0;   // VisitedURLList count when the current level began
    qsizetype m_pageIndex = -1;  // index in the level of the page being loaded
    qsizetype m_levelCount = 0;
    QString m_pageUrl;
    QString m_statusText;
    int m_searchPercent = 0;
    int m_downloadPercent = 0;
    bool m_crawlDone = false;
    int m_running = 0;
    qsizetype m_waiting = 0;
    bool m_dirty = false;
    bool m_emitted = false;
    qint64 m_lastLineMs = 0;
};
