#pragma once
/**
 * The task settings dialog (caption "Task Settings"), where the user defines a new task or
 * edits a stored one. A showing for a new task starts from the defaults; "Save" checks the
 * entries, fills CurrentTask, writes the task folder and settings.ini, adds the task to the
 * tree, selects it and closes with OK. A showing after BeginEdit starts from the stored task's
 * settings; "Save" rewrites its settings.ini (renaming its folder and tree node when the name
 * changed) and selects it anew. "&Close" closes with Cancel and changes nothing. A refused
 * Save shows the tab and the field it refused. The dialog grows with its font from its designed
 * size. GUI thread.
 */

#include "results/resulttabs.h"
#include "task/common.h"

#include <QDialog>
#include <array>
#include <functional>

struct TTaskItem;
class TPaths;
class TTaskTree;
class TNumberSpinBox;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QTabWidget;
class TOutTextGrid;

class TTaskForm : public QDialog
{
    Q_OBJECT
public:
    /** tree: the task tree the new task joins; currentTask: the engine's CurrentTask. */
    TTaskForm(const TPaths& paths, TTaskTree& tree, TTaskItem& currentTask, QWidget* parent = nullptr);

    /** Answers whether a task's folders are in use (its run, or its downloads). */
    using TBusyCheck = std::function<bool(const QString& taskName)>;

    /** Shows the "General" tab and sets every control to its default. */
    void ResetTaskDialog();
    /** Shows the "General" tab and sets every control from task. */
    void LoadTaskToDialog(const TTaskItem& task);
    /** The save procedure; closes with OK only when the task was written and added (or, when
     *  editing, rewritten and selected anew). */
    void Save();

    /** The next showing edits the stored task taskName, whose settings are task (its name is
     *  taken from taskName). Edit mode ends when the dialog closes. */
    void BeginEdit(const QString& taskName, const TTaskItem& task);
    /** The stored task being edited; empty while the dialog is for a new task. */
    QString EditedTaskName() const { return m_editing ? m_editedName : QString(); }
    /** Set by the window: a task whose folders are in use cannot be renamed. */
    void SetBusyCheck(TBusyCheck busy) { m_busy = std::move(busy); }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    /** A refused entry: the message and the control to show. */
    struct TRefusal
    {
        QString Text;
        QWidget* Field = nullptr;
    };

    QWidget* BuildGeneralTab();
    QWidget* BuildUrlsTab();
    QWidget* BuildOutputTab();
    /** The first refusal of the entries; an empty text when they may be saved. */
    TRefusal Refusal() const;
    /** Brings the tab that holds field to the front and puts the focus on field. */
    void ShowField(QWidget* field);
    /** Gives the grid room for all six rows and its headers at the current font. */
    void FitGrid();
    void CopyControlsTo(TTaskItem& task) const;

    const TPaths& m_paths;
    TTaskTree& m_tree;
    TTaskItem& m_currentTask;

    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_taskName = nullptr;
    QLineEdit* m_taskDir = nullptr;
    TNumberSpinBox* m_taskThread = nullptr;
    std::array<QCheckBox*, pagemint::ResultTabCount> m_outputChecks{}; // by TResultTab
    QPlainTextEdit* m_startUrl = nullptr;
    QCheckBox* m_manual = nullptr;
    TNumberSpinBox* m_followedLink = nullptr;
    std::array<QRadioButton*, PageLocationCount> m_pageLocation{};
    QLineEdit* m_textInSearch = nullptr;
    QLineEdit* m_textInDownload = nullptr;
    TOutTextGrid* m_grid = nullptr;
    QCheckBox* m_imageLink = nullptr;
    QLineEdit* m_imageFrom = nullptr;
    QLineEdit* m_imageTo = nullptr;
    QCheckBox* m_widthBool = nullptr;
    TNumberSpinBox* m_widthMin = nullptr;
    QCheckBox* m_heightBool = nullptr;
    TNumberSpinBox* m_heightMin = nullptr;
    QLineEdit* m_downloadExt = nullptr;
    QLineEdit* m_linksText = nullptr;
    QCheckBox* m_skipDownloaded = nullptr;

    bool m_editing = false;
    QString m_editedName;
    TTaskItem m_editedTask;
    TBusyCheck m_busy;
};
