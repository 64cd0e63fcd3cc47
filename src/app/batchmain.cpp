// pagemint-batch: runs Pagemint tasks headless, one after the other, over a program folder.
#include "batch/batchoptions.h"
#include "batch/batchrunner.h"
#include "batch/signalrelay.h"
#include "crawl/webengine/webenginebrowser.h"
#include "crawl/webengine/webengineenvironment.h"
#include "download/downloadthread.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

using namespace pagemint;

namespace {

void WriteLine(std::FILE* stream, const QString& text)
{
    std::fputs((text + u'\n').toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void WriteText(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString ProgramFolder(const TBatchOptions& options)
{
    // Like the desktop program: the folder that holds the executable, unless one is given.
    if (options.ProgramFolder.isEmpty())
        return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return QDir(options.ProgramFolder).absolutePath();
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const TBatchOptions options = ParseBatchArguments(arguments);
    if (options.Help) {
        WriteText(stdout, BatchUsage());
        return TBatchRunner::ExitOk;
    }
    if (!options.IsValid()) {
        WriteLine(stderr, QStringLiteral("pagemint-batch: ") + options.Error);
        WriteText(stderr, u'\n' + BatchUsage());
        return TBatchRunner::ExitUsage;
    }

    // Every task is checked before the first one runs, and before the browser engine starts.
    const TPaths paths(ProgramFolder(options));
    const QStringList missing = TBatchRunner::TasksWithoutSettings(paths, options.Tasks);
    if (!missing.isEmpty()) {
        for (const QString& name : missing)
            WriteLine(stderr, QStringLiteral("pagemint-batch: task %1 has no settings: %2")
                                  .arg(name, paths.TaskSettingsFile(name)));
        WriteText(stderr, u'\n' + BatchUsage());
        return TBatchRunner::ExitUsage;
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Both before any thread exists: WebEngine's process setup and libcurl's global state
    // (a peer closing its socket must not end the program with SIGPIPE).
    PrepareWebEngineEnvironment();
    std::signal(SIGPIPE, SIG_IGN);
    TDownloadThead::GlobalInit();

    // Qt sees no arguments: a task name such as "-reverse" must not reach its option parser.
    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    QGuiApplication::setApplicationName(QStringLiteral("Pagemint"));

    int status = TBatchRunner::ExitOk;
    {
        TWebEngineBrowser browser(paths.BrowserProfileFolder());
        TBatchRunner runner(
            paths, browser, [](const QString& line) { WriteLine(stdout, line); },
            [](const QString& line) { WriteLine(stderr, line); });
        runner.SetRetryFailed(options.RetryFailed);
        TSignalRelay relay;
        QObject::connect(&relay, &TSignalRelay::Signalled, &runner, &TBatchRunner::Interrupt);
        QTimer::singleShot(0, &runner, [&] {
            status = runner.Run(options.Tasks);
            QCoreApplication::quit();
        });
        QGuiApplication::exec();
    }
    return status;
}
