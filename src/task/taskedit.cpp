#include "task/taskedit.h"

#include "task/errors.h"
#include "task/paths.h"
#include "task/taskfile.h"
#include "task/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace pagemint;

namespace {

bool NameTakenOnDisk(const TPaths& paths, const QString& name)
{
    // A dangling link counts as taken too: a rename onto it would fail or follow it.
    const QFileInfo info(paths.TaskFolder(name));
    return info.exists() || info.isSymLink();
}

/** Removes a folder this unit has just made for a new name; never one that held a task. */
void RemoveMadeFolder(const TPaths& paths, const QString& name)
{
    QDir(paths.TaskFolder(name)).removeRecursively();
}

} // namespace

QString pagemint::TaskRenameRefusal(const TPaths& paths, const QString& oldName, const QString& newName)
{
    if (newName == oldName)
        return QString();
    if (!TPaths::IsUsableTaskName(newName))
        return QStringLiteral("The task name \"") + newName
            + QStringLiteral("\" can't be used as a folder name: it may not be \".\" or \"..\" or contain \"/\".");
    if (NameTakenOnDisk(paths, newName))
        return QStringLiteral("The task can't be renamed to \"") + newName + QStringLiteral("\": ")
            + paths.TaskFolder(newName) + QStringLiteral(" already exists. Please select another name.");
    return QString();
}

void pagemint::SaveEditedTask(const TTaskItem& task, const QString& oldName, const TPaths& paths)
{
    const QString& newName = task.TaskName;
    if (newName == oldName) {
        SaveTaskFile(task, paths);
        return;
    }
    const QString refusal = TaskRenameRefusal(paths, oldName, newName);
    if (!refusal.isEmpty())
        throw EPagemintError(refusal);

    const QString from = paths.TaskFolder(oldName);
    const QString to = paths.TaskFolder(newName);
    const bool moved = QFileInfo(from).isDir();
    // A task whose folder has gone since it was listed simply gets a new one.
    if (moved && !QDir().rename(from, to))
        throw EPagemintError(QStringLiteral("The task folder ") + from + QStringLiteral(" can't be renamed to ")
                             + to + QStringLiteral("."));
    try {
        SaveTaskFile(task, paths);
    } catch (...) {
        if (moved)
            QDir().rename(to, from);
        else
            RemoveMadeFolder(paths, newName);
        throw;
    }
}

QString pagemint::TaskCopyName(const QString& name, const QStringList& taken, const TPaths& paths)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*) \\(([1-9][0-9]{0,8})\\)$"),
                                             QRegularExpression::DotMatchesEverythingOption);
    QString base = name;
    qint64 number = 2;
    const QRegularExpressionMatch match = numbered.match(name);
    if (match.hasMatch() && !match.captured(1).isEmpty()) {
        base = match.captured(1);
        number = qMax<qint64>(2, match.captured(2).toLongLong() + 1);
    }
    // Each number is refused by at most one tree caption or one folder, so this ends.
    for (;; ++number) {
        const QString candidate = base + QStringLiteral(" (") + QString::number(number) + u')';
        if (!taken.contains(candidate) && !NameTakenOnDisk(paths, candidate))
            return candidate;
    }
}

TTaskItem pagemint::DuplicateTask(const TPaths& paths, const QString& sourceName, const QString& copyName)
{
    const QString sourceFile = paths.TaskSettingsFile(sourceName);
    QFile source(sourceFile);
    if (!QFileInfo(sourceFile).isFile() || !source.open(QIODevice::ReadOnly))
        throw EPagemintError(QStringLiteral("The settings of task ") + sourceName
                             + QStringLiteral(" can't be read from ") + sourceFile + QStringLiteral("."));
    const QByteArray bytes = source.readAll();
    source.close();
    const QString refusal = TaskRenameRefusal(paths, sourceName, copyName);
    if (copyName == sourceName || !refusal.isEmpty())
        throw EPagemintError(refusal.isEmpty() ? QStringLiteral("A copy needs a name of its own.") : refusal);

    TTaskItem task = LoadTaskFile(sourceFile);
    task.TaskName = copyName;
    task.TaskDir = paths.TaskFolder(copyName);
    try {
        if (!QDir().mkpath(paths.TaskFolder(copyName)))
            throw EPagemintError(QStringLiteral("Unable to write to ") + paths.TaskSettingsFile(copyName));
        // The source's file first, so lines the task file does not know of are kept; then
        // every key of the copy over it.
        WriteFileAtomically(paths.TaskSettingsFile(copyName), bytes);
        SaveTaskFile(task, paths);
    } catch (...) {
        RemoveMadeFolder(paths, copyName);
        throw;
    }
    return task;
}
