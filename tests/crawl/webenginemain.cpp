// GoogleTest entry for the tests on the real Qt WebEngine: the engine's environment is prepared
// before the application object exists, on the offscreen platform.
#include "crawl/webengine/webengineenvironment.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace pagemint;

// Under AddressSanitizer: the engine's own library frees one of its objects with a mismatched
// size and keeps some allocations to the end; neither concerns our code.
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0:detect_leaks=0";
}

int main(int argc, char** argv)
{
    PrepareWebEngineEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LANG", "C.UTF-8");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
