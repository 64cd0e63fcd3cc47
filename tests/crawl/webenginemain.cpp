// GoogleTest entry for the tests on the real Qt WebEngine: the engine's environment is prepared
// before the application object exists, on the offscreen platform.
#include "crawl/webengine/webengineenvironment.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    PrepareWebEngineEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
