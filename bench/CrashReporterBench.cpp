// What crash reporting costs the application: the time start() adds to start-up (a fresh run, and a run
// after a crash whose report is read, symbolized and queued), beside the baseline of starting and
// stopping one thread; and how often an idle process wakes up with reporting on, with and without the
// app-hang watchdog, beside the same process idle without reporting.
//
// Counters: "ms" is the time of one start; "budget" is that time over the 5 ms start() may add;
// "wakeups_per_s" counts the context switches of every thread of the process while its event loop idles
// (the watchdog is meant to add none: it sleeps while the GUI thread does).
#include "Platform/CrashReporterClient.h"
#include "Platform/SystemLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

QString unreachableDsn() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("http://benchkey@127.0.0.1:%1/1").arg(port);
}

Platform::CrashReporterOptions options(bool tracking) {
    Platform::CrashReporterOptions result;
    static const QString dsn = unreachableDsn();
    result.dsn = dsn;
    result.environment = QStringLiteral("production");
    result.release = QStringLiteral("com.dunwarbeck.Corvantide@1.0+1");
    result.enableAppHangTracking = tracking;
    result.appHangTimeoutInterval = 4.0;
    result.enableNetworkBreadcrumbs = true;
    result.enableCaptureFailedRequests = true;
    result.enableAutoBreadcrumbTracking = false;
    return result;
}

// A crash report as the handler writes it, with this process's own memory map.
QByteArray crashReport() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    maps.open(QIODevice::ReadOnly);
    QByteArray report = "CorvantideCrashReport 1\nsignal 11\ncode 1\naddress 0x0\ntime 1765000000\n";
    for (int i = 0; i < 40; ++i)
        report += "frame 0x" + QByteArray::number(reinterpret_cast<quintptr>(&qVersion) + i * 16, 16) + "\n";
    report += "maps\n" + maps.readAll();
    return report;
}

void startOnce(benchmark::State& state, bool tracking, bool afterCrash) {
    Platform::SystemLog::Capture quiet;
    QTemporaryDir folder;
    const QByteArray report = afterCrash ? crashReport() : QByteArray();
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(folder.path() + QStringLiteral("/outbox")).removeRecursively();
        if (afterCrash) {
            QFile file(folder.filePath(QStringLiteral("crash.report")));
            file.open(QIODevice::WriteOnly);
            file.write(report);
        }
        state.ResumeTiming();
        const auto began = std::chrono::steady_clock::now();
        auto* client = new Platform::CrashReporterClient(options(tracking), folder.path());
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
        state.PauseTiming();
        delete client;
        state.ResumeTiming();
    }
    const double ms = total / static_cast<double>(state.iterations());
    state.counters["ms"] = ms;
    state.counters["budget"] = ms / 5.0;
}

void BM_BaselineThreadStartStop(benchmark::State& state) {
    for (auto _ : state) {
        QThread thread;
        thread.start();
        thread.quit();
        thread.wait();
    }
}

void BM_Start(benchmark::State& state) {
    startOnce(state, false, false);
}

void BM_StartWithAppHangTracking(benchmark::State& state) {
    startOnce(state, true, false);
}

void BM_StartAfterCrash(benchmark::State& state) {
    startOnce(state, false, true);
}

// Context switches of every thread of this process so far.
long long contextSwitches() {
    long long total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return total;
}

// Wake-ups per second of the idle process: -1 no reporting, 0 reporting, 1 reporting with the watchdog.
void BM_IdleWakeups(benchmark::State& state) {
    Platform::SystemLog::Capture quiet;
    QTemporaryDir folder;
    const int mode = static_cast<int>(state.range(0));
    std::unique_ptr<Platform::CrashReporterClient> client;
    if (mode >= 0)
        client = std::make_unique<Platform::CrashReporterClient>(options(mode == 1), folder.path());
    // Let the first attempt to send (refused at once) and the start-up settle.
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
    const int windowMs = 3000;
    long long wakeups = 0;
    for (auto _ : state) {
        const long long before = contextSwitches();
        QEventLoop idle;
        QTimer::singleShot(windowMs, &idle, &QEventLoop::quit);
        idle.exec();
        wakeups += contextSwitches() - before;
        state.SetIterationTime(windowMs / 1000.0);
    }
    const double seconds = windowMs / 1000.0 * static_cast<double>(state.iterations());
    state.counters["wakeups_per_s"] = static_cast<double>(wakeups) / seconds;
}

} // namespace

BENCHMARK(BM_BaselineThreadStartStop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Start)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_StartWithAppHangTracking)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_StartAfterCrash)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_IdleWakeups)->Arg(-1)->Arg(0)->Arg(1)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
