#include "ui/downloadlogactions.h"

#include "engine/harvester.h"
#include "ui/downloadlogform.h"
#include "ui/messages.h"

#include <QAction>
#include <QMenu>

TDownloadLogActions::TDownloadLogActions(QWidget* window, THarvester& harvester, TSelectedTask selectedTask,
                                         QMenu* menu)
    : QObject(window), m_window(window), m_harvester(harvester), m_selectedTask(std::move(selectedTask))
{
    auto command = [this, menu](const char* name, const QString& caption, void (TDownloadLogActions::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
                [this, handler] { TMessages::RunCommand(m_window, [this, handler] { (this->*handler)(); }); });
    };
    command("ActionDownloadLog", QStringLiteral("Download &Log"), &TDownloadLogActions::ActionDownloadLogExecute);
    command("ActionRetryFailed", QStringLiteral("Retry &Failed"), &TDownloadLogActions::ActionRetryFailedExecute);

    connect(&m_harvester, &THarvester::DownloadsFinished, this, [this] {
        if (m_form && m_form->isVisible()) {
            m_form->SetRunActive(false);
            m_form->Reload();
        }
    });
}

void TDownloadLogActions::ActionDownloadLogExecute()
{
    const std::optional<QString> name = m_selectedTask();
    if (!name) {
        TMessages::Information(m_window, QStringLiteral("Please select a task."));
        return;
    }
    if (!m_form) {
        m_form = new TDownloadLogForm(m_window);
        connect(m_form, &TDownloadLogForm::RetryFailedRequested, this,
                [this](const QString& taskName) { RetryFailed(taskName); });
    }
    m_form->ShowTask(*name, m_harvester.Paths().TaskFolder(*name));
    m_form->SetRunActive(m_harvester.IsRunActive() || !m_harvester.DownloadsIdle());
    m_form->show();
    m_form->raise();
    m_form->activateWindow();
}

void TDownloadLogActions::ActionRetryFailedExecute()
{
    const std::optional<QString> name = m_selectedTask();
    if (!name) {
        TMessages::Information(m_window, QStringLiteral("Please select a task."));
        return;
    }
    RetryFailed(*name);
}

void TDownloadLogActions::RetryFailed(const QString& taskName)
{
    const int queued = m_harvester.RetryFailed(taskName);
    if (queued < 0) {
        TMessages::Information(m_window, QStringLiteral("Please wait until the running task and its downloads "
                                                        "have finished."));
    } else if (queued == 0) {
        TMessages::Information(m_window, QStringLiteral("No download of task ") + taskName
                                             + QStringLiteral(" has failed."));
    } else if (m_form && m_form->TaskName() == taskName) {
        m_form->SetRunActive(true);
    }
}
