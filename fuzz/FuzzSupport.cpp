#include "FuzzSupport.h"

#include "Platform/Bundle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace FuzzSupport {

namespace {
std::unique_ptr<QTemporaryDir> g_root;
QApplication* g_app = nullptr;
} // namespace

void initialize() {
    if (g_app)
        return;
    g_root = std::make_unique<QTemporaryDir>();
    g_root->setAutoRemove(true);
    const QString root = g_root->path();
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = root + QLatin1Char('/') + QString::fromLatin1(name).toLower();
        QDir().mkpath(folder);
        qputenv(name, folder.toLocal8Bit());
    }
    qputenv("HOME", root.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "fuzz";
    static char* argv[] = {arg0, nullptr};
    g_app = new QApplication(argc, argv);
    Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
}

QString scratchFolder() {
    initialize();
    const QString folder = g_root->path() + QStringLiteral("/scratch");
    QDir().mkpath(folder);
    return folder;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

void check(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace FuzzSupport
