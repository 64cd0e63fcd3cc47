#pragma once
/**
 * TMainForm, the program's only top-level window: the Task window (task tree and summary),
 * the Output window (result lists) and the Search window (embedded browser), the menus, tool
 * bar and status bar, and the commands. It is a thin layer: the engine (THarvester) owns the
 * program state and does the work; each command checks its precondition, delegates and shows
 * the outcome. It is also the engine's front end (messages, progress, gallery state); events and
 * the clock are the engine's.
 * Lives on the GUI thread.
 */

#include "crawl/browser.h"
#include "engine/harvester.h"
#include "task/windowstate.h"

#include <QMainWindow>
#include <memory>

class TAboutForm;
class TDownloadsPane;
class TElidedLabel;
class TLogonBar;
class TTaskEditCommands;
class TOutputPanel;
class TSettingForm;
class TSummaryPanel;
class TTaskForm;
class TTaskTree;
class QLabel;
class QProgressBar;
class QSplitter;
class QTimer;

class TMainForm : public QMainWindow, public TFrontEnd
{
    Q_OBJECT
public:
    /**
     * programFolder: ProgramFolder, where tasklist.dat, pmsettings.ini and Task/ live.
     * browser: the browser to drive; when none is given the window creates the Qt WebEngine
     * browser and shows it in the "Search" panel (tests give a stand-in without a view).
     */
    explicit TMainForm(const QString& programFolder, std::unique_ptr<TBrowser> browser = nullptr,
                       QWidget* parent = nullptr);
    ~TMainForm() override;

    // The window's entry points.
    /** Fills the tree from tasklist.dat. A catalogue that exists but cannot be read leaves the
     *  root alone, throws, and is then never written over by SaveTaskList. */
    void LoadTaskList();
    void SaveTaskList();
    void TaskTreeChange();
    void ShowTaskSummary(bool show);
    void ActionNewExecute();
    void ActionDelExecute();
    void ActionStartExecute();
    void ActionPauseExecute();
    void ActionSettingsExecute();
    void ActionExitExecute();
    /** "Restore Previous Results": swaps the selected task's list files with its backup
     *  generation after a confirmation; refused while that task runs. */
    void ActionRestoreExecute();
    /** Brings the summary, the downloads pane, the window title and the Esc shortcut of "Stop"
     *  up to date with the run; runs every 250 ms while a run or its downloads go on. */
    void RefreshLiveState();
    /** Aborts and joins the downloads, then writes the catalogue; errors are swallowed. Runs once.
     *  A window closed during a run first stops the run and closes once the run has returned. */
    void FormClose();

    THarvester& Harvester() { return *m_harvester; }
    TTaskTree* TaskTree() const { return m_tree; }
    TSummaryPanel* Summary() const { return m_summary; }
    TOutputPanel* Output() const { return m_output; }
    TTaskForm* TaskForm() const { return m_taskForm; }
    TSettingForm* SettingForm() const { return m_settingForm; }
    TAboutForm* AboutForm() const { return m_aboutForm; }
    QWidget* TaskArea() const { return m_taskArea; }
    QWidget* OutputArea() const { return m_outputArea; }
    QWidget* SearchArea() const { return m_searchArea; }
    QLabel* TaskField() const { return m_taskField; }
    TElidedLabel* CurrentPageField() const { return m_currentPage; }
    TDownloadsPane* DownloadsPane() const { return m_downloadsPane; }
    QSplitter* MainSplitter() const { return m_splitter; }
    QProgressBar* SearchProgress() const { return m_searchProgress; }
    QProgressBar* DownloadProgress() const { return m_downloadProgress; }

    // TFrontEnd
    void ShowMessage(const QString& text) override;
    void SetSearchProgress(int percent) override;
    void SetCurrentPage(const QString& text) override;
    void SetDownloadProgress(int percent) override;
    void SetBusyCursor(bool busy) override;
    void SetThumbnailProgress(bool visible, int percent) override;
    void RunStarted(const QString& taskName) override;
    // The manual logon pause: the bar above the browser with its countdown and "Continue".
    void LogonPauseStarted(qint64 deadlineMs) override;
    void LogonPauseEnded() override;
    TLogonBar* LogonBar() const { return m_logonBar; }
    TTaskEditCommands* TaskEditCommands() const { return m_taskEdit; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    void BuildLayout(QWidget* browserView);
    void BuildStatusBar();
    void SetupActions();
    QWidget* SectionHeader(const QString& caption, QWidget* parent);
    /** The remembered tab, selected task and splitter sizes (the frame is set before). */
    void RestoreWindowState();
    void SaveWindowState();
    /** Closing while a run or its downloads go on asks first; true to go on closing. */
    bool ConfirmCloseWhileBusy();

    TPaths m_paths;
    std::unique_ptr<TBrowser> m_browser;
    std::unique_ptr<THarvester> m_harvester;   // declared after the browser: destroyed first

    bool m_closing = false;        // the window is closing: the run's last messages are dropped
    bool m_closeAfterRun = false;  // closing waits for RunTask to return
    bool m_closed = false;
    int m_busyCursorDepth = 0;
    bool m_catalogueUnread = false;  // tasklist.dat exists but could not be read at start-up

    QWidget* m_browserView = nullptr;
    QWidget* m_taskArea = nullptr;
    QWidget* m_outputArea = nullptr;
    QWidget* m_searchArea = nullptr;
    QSplitter* m_splitter = nullptr;
    TTaskTree* m_tree = nullptr;
    TSummaryPanel* m_summary = nullptr;
    TOutputPanel* m_output = nullptr;
    QLabel* m_taskField = nullptr;
    TElidedLabel* m_currentPage = nullptr;
    QProgressBar* m_searchProgress = nullptr;
    QProgressBar* m_downloadProgress = nullptr;
    TDownloadsPane* m_downloadsPane = nullptr;
    QAction* m_stopAction = nullptr;
    QTimer* m_liveTimer = nullptr;
    TWindowState m_windowState;   // as read at start; kept where the window has nothing newer

    TTaskForm* m_taskForm = nullptr;
    TSettingForm* m_settingForm = nullptr;
    TAboutForm* m_aboutForm = nullptr;
    TLogonBar* m_logonBar = nullptr;
    TTaskEditCommands* m_taskEdit = nullptr;
};
