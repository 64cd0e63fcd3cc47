// The desktop program: one main window over the program folder that holds the executable.
#include "crawl/webengine/webengineenvironment.h"
#include "download/downloadthread.h"
#include "ui/mainunit.h"

#include <QApplication>
#include <csignal>

using namespace pagemint;

int main(int argc, char** argv)
{
    // Both must happen before any thread exists: WebEngine's process setup, and libcurl's
    // global state (an HTTPS peer closing its socket must not end the program with SIGPIPE).
    PrepareWebEngineEnvironment();
    std::signal(SIGPIPE, SIG_IGN);
    TDownloadThead::GlobalInit();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagemint"));
    // Ties the window to the installed pagemint.desktop entry (its icon and name in task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral("pagemint"));

    TMainForm form(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    form.showMaximized();
    return QApplication::exec();
}
