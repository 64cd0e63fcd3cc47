#include "crawl/webengine/webengineenvironment.h"

#include <QByteArrayList>
#include <QCoreApplication>

void pagemint::PrepareWebEngineEnvironment()
{
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const QByteArrayList required = {"--disable-gpu", "--disable-background-networking",
                                     "--disable-component-update", "--disable-sync",
                                     "--no-first-run"};
    const QByteArrayList present = flags.split(' ');
    for (const QByteArray& flag : required) {
        if (present.contains(flag))
            continue;
        if (!flags.isEmpty())
            flags += ' ';
        flags += flag;
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);

    if (!QCoreApplication::instance()) {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        // Compiled shaders would otherwise be cached under the user's cache folder, outside
        // the program folder that holds everything the program keeps.
        QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    }
}
