#pragma once
/**
 * The crawl driver: runs one task from start to end through the browser, level by level, and
 * owns the "Stop" logic. Lives on the user-interface thread; there is no crawl thread. It keeps
 * the program alive by pumping events through the engine's event pump inside its waits only, so
 * commands ("Stop", "Start"), browser events and timer ticks are handled there.
 *
 * Everything it works on is injected: the run state, the result lists, the browser, the front
 * end it reports to, the event pump with the clock, the function that saves the result lists
 * under a task name and the engine's own step at the start of a run.
 */

#include <QString>
#include <functional>

class TBrowser;
class TEventPump;
class TFrontEnd;
class TResultLists;
struct TRunState;
struct TTaskItem;

class TCrawlDriver
{
public:
    /** Saves the result lists under the given task name; may throw EPagemintError. */
    using TSaveResultLists = std::function<void(const QString& taskName)>;
    /** The engine's step when a run has reset its state, before the front end hears of it
     *  (the download timer starts, downloads are filed under the run's name). */
    using TRunStarting = std::function<void(const QString& taskName)>;

    static constexpr qint64 FirstLevelLoadMs = 59'000;
    static constexpr qint64 LaterLevelLoadMs = 30'000;
    static constexpr qint64 RedirectWaitMs = 30'000;
    static constexpr qint64 LogonWaitMs = 63'000;

    /** Also routes the browser's navigation starts to the "Current Page:" field of the front end, and
     *  its address changes too while no run is active or during the logon pause, so the field
     *  follows the user's own navigation in the browser. */
    TCrawlDriver(TRunState& state, TResultLists& lists, TBrowser& browser, TFrontEnd& frontEnd,
                 TEventPump& pump, TSaveResultLists saveResultLists, TRunStarting runStarting = {});
    /** Takes its handler off the browser's navigation starts again (the browser may outlive it). */
    ~TCrawlDriver();
    TCrawlDriver(const TCrawlDriver&) = delete;
    TCrawlDriver& operator=(const TCrawlDriver&) = delete;

    /**
     * Runs the task under the given name and returns when the run has ended, normally or by
     * "Stop". The run works on its own copy of the task (state.Task) for its whole duration.
     * While a run is active another call is refused: the front end shows why, nothing changes and
     * false is returned. An error raised by page processing or an extractor propagates; the run
     * ends without its completion steps and RunningTaskName stays set.
     */
    bool RunTask(const QString& taskName, const TTaskItem& task);

    /** "Stop": sets StopRequested; when a task is running, saves its result lists under its name
     *  and empties RunningTaskName. The running driver ends at its next wait. */
    void ActionPauseExecute();

    /** True from the start of RunTask to its return. */
    bool IsRunActive() const { return m_active; }

    /** Ends the manual logon pause in progress at once ("Continue"): the run goes on with the
     *  page the browser shows. Does nothing outside the pause. */
    void EndLogonPause()
    {
        if (m_inLogonPause)
            m_logonEnded = true;
    }
    /** True while the run waits for the user's logon. */
    bool InLogonPause() const { return m_inLogonPause; }

    /** Appends LevelURLList to VisitedURLList, then moves NextLevelURLList into LevelURLList. */
    void RotateLevels();

    /** The texts the driver shows. */
    static const QString LogonMessage;
    static const QString CompletedMessage;
    static const QString CancelledMessage;
    static const QString RedirectText;
    static QString RefusedMessage(const QString& runningTaskName);

    /** The pump and clock of the waits; switched only while no run is active. */
    void SetEventPump(TEventPump& pump) { m_pump = &pump; }

private:
    /** Waits, pumping events, until done() holds, StopRequested is set or timeoutMs have
     *  passed on the pump's clock. done() is tested before the first pump. */
    void Wait(qint64 timeoutMs, const std::function<bool()>& done);
    /** The same until the pump's clock reaches deadlineMs. */
    void WaitUntil(qint64 deadlineMs, const std::function<bool()>& done);
    /** The manual logon pause: LogonWaitMs, or until Stop or EndLogonPause. */
    void WaitForLogon();
    void CancelRun();
    /** Visits entry index of the level; false when the run was cancelled. */
    bool VisitPage(qint64 level, qsizetype index, bool extractText, qsizetype& startLinkCount);

    TRunState& m_state;
    TResultLists& m_lists;
    TBrowser& m_browser;
    TFrontEnd& m_frontEnd;
    TEventPump* m_pump;
    TSaveResultLists m_saveResultLists;
    TRunStarting m_runStarting;
    bool m_active = false;
    bool m_inLogonPause = false;
    bool m_logonEnded = false;
    QString m_activeTaskName;
};
