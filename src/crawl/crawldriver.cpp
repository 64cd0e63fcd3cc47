#include "crawl/crawldriver.h"

#include "crawl/browser.h"
#include "crawl/pageprocessor.h"
#include "extract/extractflash.h"
#include "extract/extractimages.h"
#include "extract/extracttext.h"
#include "host/eventpump.h"
#include "host/frontend.h"
#include "results/resultlists.h"
#include "task/percent.h"
#include "task/runstate.h"

using namespace pagemint;

const QString TCrawlDriver::LogonMessage =
    QStringLiteral("Please complete your logon now. Task will continue after one minute.");
const QString TCrawlDriver::CompletedMessage = QStringLiteral("Search completed!");
const QString TCrawlDriver::CancelledMessage = QStringLiteral("Task is cancelled!");
const QString TCrawlDriver::RedirectText = QStringLiteral("Searching for re-direct URL");

QString TCrawlDriver::RefusedMessage(const QString& runningTaskName)
{
    return QStringLiteral("Task ") + runningTaskName
        + QStringLiteral(" is running. Stop it before starting another task.");
}

TCrawlDriver::TCrawlDriver(TRunState& state, TResultLists& lists, TBrowser& browser,
                           TFrontEnd& frontEnd, TEventPump& pump, TSaveResultLists saveResultLists,
                           TRunStarting runStarting)
    : m_state(state)
    , m_lists(lists)
    , m_browser(browser)
    , m_frontEnd(frontEnd)
    , m_pump(&pump)
    , m_saveResultLists(std::move(saveResultLists))
    , m_runStarting(std::move(runStarting))
{
    m_browser.OnBeforeNavigate = [this](const QString& locationUrl) {
        m_frontEnd.SetCurrentPage(QStringLiteral("Current Page: ") + locationUrl);
    };
    // The crawl's own page changes keep the field as navigation starts set it; the user's
    // browsing (between runs, or while logging on) is followed page by page.
    m_browser.OnUrlChanged = [this](const QString& locationUrl) {
        if (!m_active || m_inLogonPause)
            m_frontEnd.SetCurrentPage(QStringLiteral("Current Page: ") + locationUrl);
    };
}

TCrawlDriver::~TCrawlDriver()
{
    m_browser.OnBeforeNavigate = nullptr;
    m_browser.OnUrlChanged = nullptr;
}

void TCrawlDriver::Wait(qint64 timeoutMs, const std::function<bool()>& done)
{
    WaitUntil(m_pump->NowMs() + timeoutMs, done);
}

void TCrawlDriver::WaitUntil(qint64 deadlineMs, const std::function<bool()>& done)
{
    while (!done() && !m_state.StopRequested && m_pump->NowMs() < deadlineMs)
        m_pump->ProcessMessages();
}

void TCrawlDriver::WaitForLogon()
{
    const qint64 deadline = m_pump->NowMs() + LogonWaitMs;
    m_logonEnded = false;
    m_inLogonPause = true;
    // The front end hears of the end however the wait is left, an error of a pumped event included.
    struct TPauseEnd
    {
        TCrawlDriver& driver;
        ~TPauseEnd()
        {
            driver.m_inLogonPause = false;
            driver.m_logonEnded = false;
            driver.m_frontEnd.LogonPauseEnded();
        }
    } pauseEnd{*this};
    m_frontEnd.LogonPauseStarted(deadline);
    WaitUntil(deadline, [this] { return m_logonEnded; });
}

void TCrawlDriver::CancelRun()
{
    m_browser.Stop();
    m_frontEnd.ShowMessage(CancelledMessage);
}

void TCrawlDriver::RotateLevels()
{
    for (const QString& url : m_state.LevelURLList.Entries())
        m_state.VisitedURLList.Append(url);
    m_state.LevelURLList.Clear();
    for (const QString& url : m_state.NextLevelURLList.Entries())
        m_state.LevelURLList.Append(url);
    m_state.NextLevelURLList.Clear();
}

void TCrawlDriver::ActionPauseExecute()
{
    m_state.RequestStop();
    if (!m_state.RunningTaskName.isEmpty()) {
        if (m_saveResultLists)
            m_saveResultLists(m_state.RunningTaskName);
        m_state.ReleaseRunningTask();
    }
}

bool TCrawlDriver::RunTask(const QString& taskName, const TTaskItem& task)
{
    if (m_active) {
        m_frontEnd.ShowMessage(RefusedMessage(m_activeTaskName));
        return false;
    }
    m_active = true;
    m_activeTaskName = taskName;
    struct TActiveReset
    {
        bool& active;
        ~TActiveReset() { active = false; }
    } activeReset{m_active};

    TRunState& s = m_state;
    // The result lists are emptied first: a list view following them sees the run start empty.
    m_lists.ClearAll();
    s.BeginRun(taskName, task);
    const bool extractText = TextExtractionRuns(s.Task);
    if (m_runStarting)
        m_runStarting(taskName);
    m_frontEnd.RunStarted(taskName);

    // The link count of the latest start page that had a document; the redirect wait runs for
    // a start page without links, and for a first start page without a document.
    qsizetype startLinkCount = 0;
    const qint64 levels = qint64(s.Task.FollowedLink) + 1;
    for (qint64 level = 1; level <= levels; ++level) {
        // An empty level admits nothing, so every later level is empty too: rotating them
        // changes nothing, and the run goes straight to its completion.
        if (s.LevelURLList.Count() == 0)
            break;
        const qsizetype count = s.LevelURLList.Count();
        for (qsizetype i = 0; i < count; ++i)
            if (!VisitPage(level, i, extractText, startLinkCount))
                return true;
        RotateLevels();
    }

    m_frontEnd.SetSearchProgress(100);
    if (m_saveResultLists)
        m_saveResultLists(taskName);
    s.FinishCrawl();
    m_frontEnd.CrawlCompleted(taskName);
    m_frontEnd.ShowMessage(CompletedMessage);
    m_frontEnd.SetSearchProgress(0);
    return true;
}

bool TCrawlDriver::VisitPage(qint64 level, qsizetype index, bool extractText,
                             qsizetype& startLinkCount)
{
    TRunState& s = m_state;
    const qsizetype visited = s.VisitedURLList.Count();
    m_frontEnd.SetSearchProgress(HalfEvenPercent(visited + index, s.LevelURLList.Count() + visited));

    const QString url = s.LevelURLList.At(index);
    m_browser.Navigate(QStringLiteral("about:blank"));
    m_browser.Navigate(url);
    const auto complete = [this] { return m_browser.ReadyState() == TBrowser::ReadyStateComplete; };
    Wait(level == 1 ? FirstLevelLoadMs : LaterLevelLoadMs, complete);
    if (s.StopRequested) {
        CancelRun();
        return false;
    }

    std::shared_ptr<const TPageSnapshot> document;
    bool pageChanged = false; // events were pumped since the document was read
    if (level == 1) {
        document = m_browser.Document();
        if (document)
            startLinkCount = document->links.size();
        const QString loadedUrl = m_browser.LocationURL();

        if (startLinkCount < 1) {
            m_pump->ProcessMessages();
            m_frontEnd.SetCurrentPage(RedirectText);
            Wait(RedirectWaitMs, [&] { return m_browser.LocationURL() != loadedUrl; });
            Wait(RedirectWaitMs, complete);
            pageChanged = true;
            if (s.StopRequested) {
                CancelRun();
                return false;
            }
        }

        if (s.Task.ManualBool) {
            if (m_frontEnd.CanPauseForLogon()) {
                m_frontEnd.ShowMessage(LogonMessage);
                WaitForLogon();
                pageChanged = true;
                if (s.StopRequested) {
                    CancelRun();
                    return false;
                }
            } else {
                m_frontEnd.LogonPauseSkipped(m_browser.LocationURL());
            }
        }
    }
    if (level != 1 || pageChanged)
        document = m_browser.Document();
    if (!document)
        return true;

    ProcessPage(*document, s, m_lists);
    if (extractText)
        ExtractText(*document, s, m_lists);
    if (s.Task.check2)
        ExtractImages(QString(), document.get(), s);
    if (s.Task.check3)
        ExtractFlash(QString(), document.get(), s, m_lists);
    return true;
}
