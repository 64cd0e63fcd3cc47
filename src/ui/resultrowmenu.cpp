#include "ui/resultrowmenu.h"

#include "download/downloadrecord.h"
#include "results/resultlists.h"
#include "task/paths.h"
#include "ui/desktop.h"
#include "ui/outputpanel.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QUrl>

using namespace pagemint;

TResultRowMenu::TResultRowMenu(TOutputPanel* panel, const TResultLists& lists, const TPaths& paths,
                               std::function<QString()> shownTask)
    : QObject(panel)
    , m_panel(panel)
    , m_lists(lists)
    , m_paths(paths)
    , m_shownTask(std::move(shownTask))
{
    setObjectName(QStringLiteral("ResultRowMenu"));
    for (int tab = 0; tab < ResultTabCount; ++tab) {
        QAbstractItemView* view = panel->View(tab);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, tab](const QPoint& pos) { ShowMenu(tab, pos); });
    }
}

bool TResultRowMenu::IsWebAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

TRowTargets TResultRowMenu::Targets(int tab, int row, int column) const
{
    TRowTargets targets;
    const TResultTabInfo* info = ResultTabInfo(tab);
    if (!info || row < 0 || row >= m_lists.RowCount(tab))
        return targets;
    // A tile has its caption only, whatever column the view reports.
    targets.Value = m_lists.Cell(tab, row, info->RowTarget == TRowTarget::ImageFile ? 0 : column);
    switch (info->RowTarget) {
    case TRowTarget::Value:
        if (IsWebAddress(targets.Value))
            targets.URL = targets.Value.trimmed();
        break;
    case TRowTarget::LinkAndFile: {
        const QString link = m_lists.Cell(tab, row, 1);
        if (IsWebAddress(link))
            targets.URL = link.trimmed();
        targets.File = DownloadedFile(tab, row);
        break;
    }
    case TRowTarget::ImageFile: {
        const QStringList& paths = m_lists.Images().Files().Paths();
        if (row < paths.size() && QFileInfo(paths.at(row)).isFile())
            targets.File = paths.at(row);
        if (!targets.File.isEmpty())
            targets.URL = AddressOfFile(targets.File);
        break;
    }
    }
    return targets;
}

QString TResultRowMenu::DownloadedFile(int tab, int row) const
{
    const QString task = m_shownTask();
    if (task.isEmpty())
        return {};
    const QString link = m_lists.Cell(tab, row, 1);
    const TDownloadRecord record(m_paths.TaskFolder(task));
    const QHash<QString, TDownloadEntry> outcomes = record.LastOutcomes();
    const auto found = outcomes.constFind(link);
    if (found != outcomes.constEnd() && found->Succeeded() && QFileInfo(found->FileName).isFile())
        return found->FileName;
    const QString byName = ResultTabFolder(m_paths, task, tab) + u'/' + m_lists.Cell(tab, row, 0);
    return !m_lists.Cell(tab, row, 0).isEmpty() && QFileInfo(byName).isFile() ? byName : QString();
}

QString TResultRowMenu::AddressOfFile(const QString& path) const
{
    const QString task = m_shownTask();
    if (task.isEmpty())
        return {};
    const QString canonical = QFileInfo(path).absoluteFilePath();
    const QList<TDownloadEntry> entries = TDownloadRecord(m_paths.TaskFolder(task)).Entries();
    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        if (QFileInfo(it->FileName).absoluteFilePath() == canonical)
            return IsWebAddress(it->URL) ? it->URL.trimmed() : QString();
    return {};
}

QMenu* TResultRowMenu::BuildMenu(const TRowTargets& targets, QWidget* parent)
{
    if (targets.URL.isEmpty() && targets.Value.isEmpty() && targets.File.isEmpty())
        return nullptr;
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("ResultRowContextMenu"));
    const auto item = [menu](const char* name, const QString& caption, std::function<void()> run) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        QObject::connect(action, &QAction::triggered, menu, std::move(run));
    };
    if (!targets.URL.isEmpty()) {
        item("RowOpenURL", QStringLiteral("&Open in Browser"), [url = targets.URL] { TDesktop::OpenWebPage(url); });
        item("RowCopyURL", QStringLiteral("Copy &Address"),
             [url = targets.URL] { QGuiApplication::clipboard()->setText(url); });
    }
    if (!targets.Value.isEmpty() && targets.Value != targets.URL)
        item("RowCopyValue", QStringLiteral("Copy &Value"),
             [value = targets.Value] { QGuiApplication::clipboard()->setText(value); });
    if (!targets.File.isEmpty()) {
        if (!menu->isEmpty())
            menu->addSeparator();
        item("RowOpenFile", QStringLiteral("Open &File"), [file = targets.File] { TDesktop::OpenLocalPath(file); });
        item("RowShowInFolder", QStringLiteral("Show in &Folder"),
             [file = targets.File] { TDesktop::OpenLocalPath(QFileInfo(file).absolutePath()); });
    }
    return menu;
}

void TResultRowMenu::ShowMenu(int tab, const QPoint& pos)
{
    QAbstractItemView* view = m_panel->View(tab);
    const QModelIndex index = view->indexAt(pos);
    if (!index.isValid())
        return;
    QMenu* menu = BuildMenu(Targets(tab, index.row(), index.column()), view);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(view->viewport()->mapToGlobal(pos));
}
