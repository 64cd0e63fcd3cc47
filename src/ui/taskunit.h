#pragma once
/**
 * The task settings dialog (caption "Task Settings"), where the user defines a new task.
 * Every showing starts from the defaults. "Save" checks the entries, fills CurrentTask,
 * writes the task folder and settings.ini, adds the task to the tree, selects it and closes
 * with OK; "&Close" closes with Cancel and changes nothing. GUI thread.
 */

#include "task/common.h"

#include <QDialog>
#include <array>

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

    /** Shows the "General" tab and sets every control to its default. */
    void ResetTaskDialog();
    /** The save procedure; closes with OK only when the task was written and added. */
    void Save();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildGeneralTab();
    QWidget* BuildUrlsTab();
    QWidget* BuildOutputTab();
    /** The first refusal of the entries, or an empty string when they may be saved. */
    QString Refusal() const;
    void CopyControlsTo(TTaskItem& task) const;

    const TPaths& m_paths;
    TTaskTree& m_tree;
    TTaskItem& m_currentTask;

    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_taskName = nullptr;
    QLineEdit* m_taskDir = nullptr;
    TNumberSpinBox* m_taskThread = nullptr;
    std::array<QCheckBox*, 5> m_outputChecks{};
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
};
