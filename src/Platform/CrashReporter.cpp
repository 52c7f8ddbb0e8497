#include "Platform/CrashReporter.h"

#include "Platform/CrashReporterClient.h"
#include "Platform/SystemLog.h"

#include <QCoreApplication>

#include <atomic>

namespace Platform {

namespace {

std::atomic<bool> g_started{false};
CrashReporterClient* g_client = nullptr;

void stopReporting() {
    delete g_client;
    g_client = nullptr;
}

} // namespace

bool CrashReporter::start(const CrashReporterOptions& options) {
    if (g_started.exchange(true)) {
        SystemLog::log(QStringLiteral("Crash reporting was started already; this start is ignored."));
        return g_client != nullptr && g_client->isEnabled();
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        SystemLog::log(QStringLiteral("Crash reporting is off: it needs the application object."));
        return false;
    }
    auto* client = new CrashReporterClient(options, CrashReporterClient::defaultFolder());
    if (!client->isEnabled()) {
        delete client;
        return false;
    }
    g_client = client;
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] {
        if (g_client == nullptr)
            return;
        g_client->close();
        // The session's end leaves now, so that the next start does not send it again; a server that
        // does not answer holds the quit up two seconds at most, and the end waits in the outbox.
        g_client->flush(std::chrono::seconds(2));
    });
    // The client's threads end with the application object, before Qt is torn down.
    qAddPostRoutine(stopReporting);
    return true;
}

} // namespace Platform
