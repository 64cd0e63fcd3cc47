#pragma once

#include <QString>
#include <QStringList>

/**
 * The command line of pagemint-batch:
 *   pagemint-batch [--program-folder DIR] [--retry-failed] TASK [TASK...]
 *   pagemint-batch --help
 * Plain data and a pure parser; nothing here touches the file system.
 */
struct TBatchOptions
{
    bool Help = false;
    /** --retry-failed: instead of running the tasks, download again the URLs whose latest
     *  download failed, into their existing files. */
    bool RetryFailed = false;
    /** The folder given with --program-folder, as typed; empty when the default applies. */
    QString ProgramFolder;
    /** Task names in the order given; a name may repeat (the task then runs again). */
    QStringList Tasks;
    /** Why the arguments are unusable; empty when they are usable (or Help is set). */
    QString Error;

    bool IsValid() const { return Error.isEmpty(); }
};

/** Parses the arguments after the program name. "--" ends the options, so that a task
 *  whose name begins with "-" can still be named. */
TBatchOptions ParseBatchArguments(const QStringList& arguments);

/** The usage text printed by --help and after a usage error. */
QString BatchUsage();
