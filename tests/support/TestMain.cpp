// Every test process runs with its own empty HOME and XDG folders, so user defaults, Application Support
// files and caches never leak from one test into another, even when ctest runs them in parallel. Its main
// bundle is the built Corvantide.app.
#include "Platform/Bundle.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/corvantide-test-XXXXXX"));
    if (!home.isValid())
        return 2;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        const QString dir = home.filePath(QString::fromLatin1(name).toLower());
        QDir().mkpath(dir);
        qputenv(name, dir.toLocal8Bit());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Web views (a plugin library loaded later) share the application's OpenGL contexts; this can only
    // be said before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Resources are looked up in the built application bundle unless a test points elsewhere.
    Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
    return RUN_ALL_TESTS();
}
