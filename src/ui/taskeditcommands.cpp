#include "ui/taskeditcommands.h"

#include "engine/harvester.h"
#include "task/catalogue.h"
#include "task/taskedit.h"
#include "task/taskfile.h"
#include "ui/messages.h"
#include "ui/taskunit.h"
#include "ui/tasktree.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

using namespace pagemint;

TTaskEditCommands::TTaskEditCommands(QWidget* window, TTaskTree& tree, TTaskForm& form, THarvester& harvester)
    : QObject(window)
    , m_window(window)
    , m_tree(tree)
    , m_form(form)
    , m_harvester(harvester)
{
    setObjectName(QStringLiteral("TaskEditCommands"));
    const auto command = [this](const char* name, const QString& caption, void (TTaskEditCommands::*handler)()) {
        auto* action = new QAction(caption, m_window);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
                [this, handler] { TMessages::RunCommand(m_window, [this, handler] { (this->*handler)(); }); });
        return action;
    };
    m_edit = command("ActionEdit", QStringLiteral("&Edit..."), &TTaskEditCommands::ActionEditExecute);
    m_duplicate = command("ActionDuplicate", QStringLiteral("D&uplicate"), &TTaskEditCommands::ActionDuplicateExecute);

    if (QAction* del = m_window->findChild<QAction*>(QStringLiteral("ActionDel"))) {
        for (QMenu* menu : m_window->findChildren<QMenu*>()) {
            if (menu->actions().contains(del))
                menu->insertActions(del, {m_edit, m_duplicate});
        }
    }
    connect(&m_tree, &TTaskTree::EditRequested, m_edit, &QAction::trigger);
    m_form.SetBusyCheck([this](const QString& taskName) { return m_harvester.IsTaskBusy(taskName); });
}

void TTaskEditCommands::ActionEditExecute()
{
    const std::optional<QString> name = m_tree.SelectedTask();
    if (!name) {
        TMessages::Information(m_window, QStringLiteral("Please select a task."));
        return;
    }
    const TPaths& paths = m_harvester.Paths();
    m_form.BeginEdit(*name, LoadTaskFile(paths.TaskSettingsFile(*name)));
    if (m_form.exec() != QDialog::Accepted || m_tree.SelectedTask() == name)
        return;
    pagemint::SaveTaskList(paths, m_tree.TaskNames());
}

void TTaskEditCommands::ActionDuplicateExecute()
{
    const std::optional<QString> name = m_tree.SelectedTask();
    if (!name) {
        TMessages::Information(m_window, QStringLiteral("Please select a task."));
        return;
    }
    const TPaths& paths = m_harvester.Paths();
    const QString copy = TaskCopyName(*name, m_tree.AllCaptions(), paths);
    DuplicateTask(paths, *name, copy);
    m_tree.AddTask(copy);
}
