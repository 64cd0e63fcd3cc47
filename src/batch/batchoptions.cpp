#include "batch/batchoptions.h"

#include "task/paths.h"

namespace {

const QString ProgramFolderOption = QStringLiteral("--program-folder");

} // namespace

TBatchOptions ParseBatchArguments(const QStringList& arguments)
{
    TBatchOptions options;
    bool folderGiven = false;
    bool optionsEnded = false;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!optionsEnded && argument.startsWith(u'-') && argument.size() > 1) {
            if (argument == u"--") {
                optionsEnded = true;
                continue;
            }
            if (argument == u"--help" || argument == u"-h") {
                options.Help = true;
                continue;
            }
            if (argument == u"--retry-failed") {
                options.RetryFailed = true;
                continue;
            }
            QString folder;
            if (argument == ProgramFolderOption) {
                if (i + 1 >= arguments.size()) {
                    options.Error = QStringLiteral("option --program-folder needs a folder");
                    return options;
                }
                folder = arguments.at(++i);
            } else if (argument.startsWith(ProgramFolderOption + u'=')) {
                folder = argument.mid(ProgramFolderOption.size() + 1);
            } else {
                options.Error = QStringLiteral("unknown option %1").arg(argument);
                return options;
            }
            if (folderGiven) {
                options.Error = QStringLiteral("option --program-folder given twice");
                return options;
            }
            if (folder.isEmpty()) {
                options.Error = QStringLiteral("option --program-folder needs a folder");
                return options;
            }
            folderGiven = true;
            options.ProgramFolder = folder;
            continue;
        }
        // A task name is one folder name under Task/; anything else would reach outside it.
        if (!TPaths::IsUsableTaskName(argument)) {
            options.Error = QStringLiteral("\"%1\" is not a task name").arg(argument);
            return options;
        }
        options.Tasks.append(argument);
    }

    if (!options.Help && options.Tasks.isEmpty())
        options.Error = QStringLiteral("no task named");
    return options;
}

QString BatchUsage()
{
    return QStringLiteral(
        "Usage: pagemint-batch [--program-folder DIR] [--retry-failed] TASK [TASK...]\n"
        "\n"
        "Runs Pagemint tasks without a window, one after the other, exactly as the\n"
        "desktop program's \"Start\" runs them, and saves each task's result lists when\n"
        "its crawl and its downloads are done.\n"
        "\n"
        "  TASK                    a task name; its settings are DIR/Task/TASK/settings.ini\n"
        "  --program-folder DIR    the Pagemint program folder (default: the folder that\n"
        "                          holds this program); pmsettings.ini and the browser\n"
        "                          profile are read from it\n"
        "  --retry-failed          do not run the tasks; download again, into their\n"
        "                          existing files, the URLs whose latest download\n"
        "                          failed (see downloads.log in the task's folder)\n"
        "  -h, --help              print this text\n"
        "\n"
        "Progress goes to standard error, the program's messages to standard output;\n"
        "at the end, the number of failed downloads of each task.\n"
        "The first SIGINT or SIGTERM stops the running task (its lists are saved and the\n"
        "queued downloads still finish); a second one aborts the downloads and exits.\n"
        "\n"
        "Exit status: 0 when every task ran, 1 when a run ended on an error, 2 for bad\n"
        "arguments or a task without settings.ini (no task is run then), 128 plus the\n"
        "signal number when stopped by a signal.\n");
}
