#include "results/resultbackup.h"

#include "results/resulttabs.h"
#include "task/errors.h"
#include "task/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <filesystem>
#include <system_error>

using namespace pagemint;

namespace {

constexpr std::size_t CountListTabs()
{
    std::size_t count = 0;
    for (const TResultTabInfo& info : ResultTabs)
        count += info.HasListFile ? 1 : 0;
    return count;
}

// The result tabs that have a list file, in tab order.
constexpr std::array<int, CountListTabs()> kListTabs = [] {
    std::array<int, CountListTabs()> tabs{};
    std::size_t next = 0;
    for (const TResultTabInfo& info : ResultTabs)
        if (info.HasListFile)
            tabs[next++] = info.Tab;
    return tabs;
}();

QString ListFileName(const TPaths& paths, const QString& taskName, int tab)
{
    return QFileInfo(paths.ListFile(taskName, tab)).fileName();
}

QString StagingFolder(const TPaths& paths, const QString& taskName)
{
    return paths.TaskFolder(taskName) + QStringLiteral("/Previous.new");
}

bool Exists(const QString& path)
{
    return QFileInfo(path).isFile();
}

/** Renames from over to (replacing it) in one step; throws naming the target on failure. */
void MoveOver(const QString& from, const QString& to)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(from).toStdString()),
                            std::filesystem::path(QFile::encodeName(to).toStdString()), error);
    if (error)
        throw EPagemintError(QStringLiteral("Unable to write to ") + to);
}

/** Where a restore parks the current file while the backup takes its place. */
QString SwapFile(const QString& backupFile)
{
    return backupFile + QStringLiteral(".swap");
}

/**
 * Finishes or undoes a restore that ended part-way (power loss, a failed rename): a parked
 * file goes back to the current name when that is free, or else to the backup name.
 */
void RecoverInterruptedRestore(const TPaths& paths, const QString& taskName)
{
    const QString backup = ResultBackupFolder(paths, taskName);
    for (int tab : kListTabs) {
        const QString current = paths.ListFile(taskName, tab);
        const QString kept = backup + u'/' + ListFileName(paths, taskName, tab);
        const QString parked = SwapFile(kept);
        if (!Exists(parked))
            continue;
        if (!Exists(current))
            MoveOver(parked, current);
        else if (!Exists(kept))
            MoveOver(parked, kept);
    }
}

} // namespace

QString pagemint::ResultBackupFolder(const TPaths& paths, const QString& taskName)
{
    return paths.TaskFolder(taskName) + QStringLiteral("/Previous");
}

bool pagemint::HasResultBackup(const TPaths& paths, const QString& taskName)
{
    const QString backup = ResultBackupFolder(paths, taskName);
    for (int tab : kListTabs)
        if (Exists(backup + u'/' + ListFileName(paths, taskName, tab)))
            return true;
    return false;
}

bool pagemint::BackupResultLists(const TPaths& paths, const QString& taskName)
{
    RecoverInterruptedRestore(paths, taskName);
    bool any = false;
    for (int tab : kListTabs)
        any = any || Exists(paths.ListFile(taskName, tab));
    if (!any)
        return false;

    // The new generation is copied into a staging folder first: a copy that fails (a full
    // disk) leaves the former backup untouched. Moving the copies in is a rename per file.
    const QString backup = ResultBackupFolder(paths, taskName);
    const QString staging = StagingFolder(paths, taskName);
    QDir(staging).removeRecursively();
    if (!QDir().mkpath(staging))
        throw EPagemintError(QStringLiteral("Unable to write to ") + staging);
    for (int tab : kListTabs) {
        const QString current = paths.ListFile(taskName, tab);
        if (!Exists(current))
            continue;
        const QString copy = staging + u'/' + ListFileName(paths, taskName, tab);
        if (!QFile::copy(current, copy)) {
            QDir(staging).removeRecursively();
            throw EPagemintError(QStringLiteral("Unable to write to ") + copy);
        }
    }
    if (!QDir().mkpath(backup)) {
        QDir(staging).removeRecursively();
        throw EPagemintError(QStringLiteral("Unable to write to ") + backup);
    }
    for (int tab : kListTabs) {
        const QString name = ListFileName(paths, taskName, tab);
        const QString copy = staging + u'/' + name;
        const QString kept = backup + u'/' + name;
        if (Exists(copy))
            MoveOver(copy, kept);
        else if (Exists(kept) && !QFile::remove(kept))
            throw EPagemintError(QStringLiteral("Unable to write to ") + kept);
    }
    QDir(staging).removeRecursively();
    return true;
}

bool pagemint::RestoreResultLists(const TPaths& paths, const QString& taskName)
{
    RecoverInterruptedRestore(paths, taskName);
    if (!HasResultBackup(paths, taskName))
        return false;
    const QString backup = ResultBackupFolder(paths, taskName);
    for (int tab : kListTabs) {
        const QString current = paths.ListFile(taskName, tab);
        const QString kept = backup + u'/' + ListFileName(paths, taskName, tab);
        const bool hasCurrent = Exists(current);
        const bool hasKept = Exists(kept);
        if (hasCurrent && hasKept) {
            const QString parked = SwapFile(kept);
            MoveOver(current, parked);
            try {
                MoveOver(kept, current);
            } catch (const EPagemintError&) {
                MoveOver(parked, current);
                throw;
            }
            MoveOver(parked, kept);
        } else if (hasKept) {
            MoveOver(kept, current);
        } else if (hasCurrent) {
            MoveOver(current, kept);
        }
    }
    return true;
}
