#pragma once
/**
 * The "Download Log" window: one task's download record as a table (time, outcome, bytes, tries,
 * URL, referring page, file), newest last, sortable by any column. "Failures only" hides the
 * downloads that succeeded. Enter or a double click on a row opens its file when the File column
 * is current, its referring page in the Referring Page column, its URL elsewhere; the same
 * commands are on the context menu and on buttons. "Retry Failed" hands the failed URLs (latest
 * outcome a failure) to whoever runs downloads; it is disabled while a run is active or when
 * nothing failed. GUI thread.
 */

#include "download/downloadrecord.h"

#include <QDialog>

class QAction;
class QCheckBox;
class QLabel;
class QModelIndex;
class QPushButton;
class QTableView;
class TDownloadLogFilter;
class TDownloadLogModel;

class TDownloadLogForm : public QDialog
{
    Q_OBJECT
public:
    enum TColumn { ColTime, ColOutcome, ColBytes, ColTries, ColURL, ColReferrer, ColFile, ColCount };

    explicit TDownloadLogForm(QWidget* parent = nullptr);
    ~TDownloadLogForm() override;

    /** Shows the record kept in `taskFolder` (TPaths::TaskFolder) for the task `taskName`. */
    void ShowTask(const QString& taskName, const QString& taskFolder);
    /** Reads the record again (after downloads finished). */
    void Reload();
    /** While a run is active, Retry Failed is disabled. */
    void SetRunActive(bool active);

    const QString& TaskName() const { return m_taskName; }
    /** The entry shown in `row` of the table as it is sorted and filtered now. */
    TDownloadEntry EntryAt(int row) const;
    int RowCount() const;

    QTableView* Table() const { return m_table; }
    QCheckBox* FailuresOnlyBox() const { return m_failuresOnly; }
    QPushButton* RetryFailedButton() const { return m_retryButton; }
    QLabel* SummaryLabel() const { return m_summary; }
    QAction* OpenUrlAction() const { return m_openUrl; }
    QAction* OpenReferrerAction() const { return m_openReferrer; }
    QAction* OpenFileAction() const { return m_openFile; }
    QAction* CopyUrlAction() const { return m_copyUrl; }

signals:
    /** The user asked to download the failed URLs of `taskName` again, into their files. */
    void RetryFailedRequested(const QString& taskName, const QList<TDownloadEntry>& failed);

private:
    void Activate(const QModelIndex& index);
    void OpenCurrent(int column);
    void CopyCurrentUrl();
    void UpdateCommands();
    bool HasCurrent() const;
    TDownloadEntry CurrentEntry() const;

    QString m_taskName;
    QString m_taskFolder;
    bool m_runActive = false;
    QList<TDownloadEntry> m_failed;

    TDownloadLogModel* m_model = nullptr;
    TDownloadLogFilter* m_filter = nullptr;
    QTableView* m_table = nullptr;
    QCheckBox* m_failuresOnly = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_openUrlButton = nullptr;
    QPushButton* m_openFileButton = nullptr;
    QPushButton* m_retryButton = nullptr;
    QAction* m_openUrl = nullptr;
    QAction* m_openReferrer = nullptr;
    QAction* m_openFile = nullptr;
    QAction* m_copyUrl = nullptr;
};
