// GoogleTest entry for the core tests: a QGuiApplication on the offscreen platform,
// so QImage, QPainter, QTimer and queued calls work without a display.
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gmock/gmock.h>

#include "support/sanitizeroptions.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("LANG"))
        qputenv("LANG", "C.UTF-8");
    // The desktop's shared thumbnail cache of whoever runs the tests is never touched.
    QTemporaryDir cacheHome;
    if (cacheHome.isValid())
        qputenv("XDG_CACHE_HOME", cacheHome.path().toUtf8());
    QGuiApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
