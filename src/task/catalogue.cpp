#include "task/catalogue.h"

#include "task/paths.h"
#include "task/textfile.h"

#include <QFileInfo>

using namespace pagemint;

QStringList pagemint::LoadTaskList(const TPaths& paths)
{
    QStringList names;
    for (const QString& line : ReadTextLines(paths.TaskListFile())) {
        // A line that is no single folder name would send every path of the task outside
        // Task/: it is skipped like a line whose settings.ini is missing.
        if (!TPaths::IsUsableTaskName(line))
            continue;
        const QFileInfo settings(paths.TaskSettingsFile(line));
        if (settings.exists() && !settings.isDir())
            names.append(line);
    }
    return names;
}

void pagemint::SaveTaskList(const TPaths& paths, const QStringList& names)
{
    WriteTextLines(paths.TaskListFile(), names);
}
