#pragma once
/**
 * The task tree: one root node "Task List" with one child per task, in catalogue order.
 * The root stands for "no task selected"; SelectedTask() is the one place that tells the
 * two apart. The tree only shows names: settings and results live in the engine.
 * GUI thread.
 */

#include <QTreeWidget>
#include <optional>

class TTaskTree : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TTaskTree(QWidget* parent = nullptr);

    /** The caption of the root node. */
    static QString RootCaption() { return QStringLiteral("Task List"); }

    /** Removes every node, adds the root and one child per name, selects the root, expands. */
    void Reset(const QStringList& names);
    /** The captions of the task nodes in tree order (the root left out). */
    QStringList TaskNames() const;
    /** The captions of every node in tree order, the root first. */
    QStringList AllCaptions() const;
    /** Appends a task node under the root and selects the last node of the tree (the new one). */
    void AddTask(const QString& name);
    /** The selected task's name; nothing when the root (or no node) is selected. */
    std::optional<QString> SelectedTask() const;
    /** Removes the selected task node and selects its next sibling, else the previous one,
     *  else the root. Does nothing when the root is selected. */
    void RemoveSelectedTask();
    QTreeWidgetItem* Root() const { return m_root; }
    /** Gives the selected task node the caption name (the same or a new one) and runs the
     *  selection handling again, so the task's settings and results are read anew. */
    void UpdateSelectedTask(const QString& name);

signals:
    /** The selected node changed (user click, keyboard or program selection). */
    void SelectionChanged();
    /** A task node was double-clicked, or Enter was pressed on the selected task node. */
    void EditRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QTreeWidgetItem* m_root = nullptr;
};
