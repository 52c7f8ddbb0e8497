// crash-reporter-child <crash|terminate|wait|run>: starts crash reporting towards $CRASH_REPORTER_DSN
// (files under $XDG_CACHE_HOME) with network breadcrumbs, requests $CRASH_REPORTER_PROBE when set, then
//   crash      dereferences a null pointer,
//   terminate  lets an exception escape,
//   wait       waits to be killed,
//   run        sends what the outbox holds and quits normally.
#include "Platform/CrashReporter.h"
#include "Platform/CrashReporterClient.h"
#include "Platform/HttpSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <stdexcept>

int* volatile g_nowhere = nullptr;

// Left alone by the sanitizers, so that the store itself faults as it would in a release build.
extern "C" __attribute__((noinline, no_sanitize("address", "undefined"))) void crashByNullDereference() {
    *g_nowhere = 42;
}

__attribute__((noinline)) void throwUncaught() {
    throw std::runtime_error("the child gave up");
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    Platform::CrashReporterOptions options;
    options.dsn = qEnvironmentVariable("CRASH_REPORTER_DSN");
    options.environment = QStringLiteral("production");
    options.release = QStringLiteral("com.dunwarbeck.Corvantide@1.2.3+45");
    options.enableNetworkBreadcrumbs = true;
    if (!Platform::CrashReporter::start(options)) {
        std::fprintf(stderr, "crash reporting did not start\n");
        return 3;
    }
    if (qEnvironmentVariableIsSet("CRASH_REPORTER_PROBE")) {
        Platform::HttpSession session;
        Platform::HttpRequest request;
        request.url = QUrl(qEnvironmentVariable("CRASH_REPORTER_PROBE"));
        bool done = false;
        session.dataTask(request, [&](const auto&, const auto&, const auto&) { done = true; })->resume();
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // Once per process: a second start changes nothing and tells that reporting is on.
    if (!Platform::CrashReporter::start(options))
        return 4;
    std::printf("started\n");
    std::fflush(stdout);
    if (mode == QLatin1String("crash"))
        crashByNullDereference();
    if (mode == QLatin1String("terminate"))
        throwUncaught();
    if (mode == QLatin1String("wait")) {
        for (;;)
            QThread::sleep(1);
    }
    // run: quit once the outbox has been sent.
    const QDir outbox(Platform::CrashReporterClient::defaultFolder() + QStringLiteral("/outbox"));
    QDeadlineTimer deadline(30000);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (outbox.entryList(QDir::Files).isEmpty() || deadline.hasExpired())
            app.quit();
    });
    poll.start(50);
    return app.exec();
}
