#pragma once
/**
 * The commands that change a stored task: "Edit..." (ActionEdit; also a double click or Enter
 * on a task node) opens the task dialog with the selected task's settings, and "Duplicate"
 * (ActionDuplicate) copies the selected task's settings to a new task "name (2)" without its
 * results. Both stand before "Delete" in every menu of the window that holds it. GUI thread.
 */

#include <QObject>

class QAction;
class QWidget;
class THarvester;
class TTaskForm;
class TTaskTree;

class TTaskEditCommands : public QObject
{
    Q_OBJECT
public:
    /** window: owns the actions and the menus ("Delete" is found there as ActionDel). */
    TTaskEditCommands(QWidget* window, TTaskTree& tree, TTaskForm& form, THarvester& harvester);

    /** Edits the selected task in the task dialog. A rename is written to tasklist.dat at once,
     *  so the catalogue never names a folder that has gone. */
    void ActionEditExecute();
    /** Copies the selected task under a new name and selects the copy. Throws EPagemintError. */
    void ActionDuplicateExecute();

    QAction* EditAction() const { return m_edit; }
    QAction* DuplicateAction() const { return m_duplicate; }

private:
    QWidget* m_window;
    TTaskTree& m_tree;
    TTaskForm& m_form;
    THarvester& m_harvester;
    QAction* m_edit = nullptr;
    QAction* m_duplicate = nullptr;
};
