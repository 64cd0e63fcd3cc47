#pragma once
/**
 * The main window's Task-menu commands over the download record: "Download Log" (opens the
 * Download Log window for the selected task) and "Retry Failed" (queues the selected task's
 * failed downloads again into their files). Both the menu command and the window's own "Retry
 * Failed" go to THarvester::RetryFailed. The window is reread whenever the engine's downloads
 * are done. GUI thread; owned by the main window.
 */

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;
class THarvester;
class TDownloadLogForm;

class TDownloadLogActions : public QObject
{
    Q_OBJECT
public:
    using TSelectedTask = std::function<std::optional<QString>()>;

    /** Adds the two commands (object names "ActionDownloadLog", "ActionRetryFailed") to menu. */
    TDownloadLogActions(QWidget* window, THarvester& harvester, TSelectedTask selectedTask, QMenu* menu);

    void ActionDownloadLogExecute();
    void ActionRetryFailedExecute();
    /** Queues the failed downloads of taskName again; tells the user when that is not possible. */
    void RetryFailed(const QString& taskName);

    /** The Download Log window; created when first shown. */
    TDownloadLogForm* LogForm() const { return m_form; }

private:
    QWidget* m_window;
    THarvester& m_harvester;
    TSelectedTask m_selectedTask;
    TDownloadLogForm* m_form = nullptr;
};
