// The tray application against a bare Qt tray application (bench/baseline), both started the same way on
// a virtual display beside a tray watcher of this program's own session: the time until the item's menu
// can be read on the bus, the resident memory a few seconds later, and the context switches of all the
// process's threads over 30 idle seconds (its wake-ups). Without an account the application makes no
// request, so what is measured is the application itself.
#include "PrivateSession.h"
#include "StatusNotifierWatcher.h"
#include "TestUtils.h"
#include "XvfbServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

struct Environment {
    XvfbServer display;
    StatusNotifierWatcher watcher;
    QTemporaryDir home;
};

Environment* environment = nullptr;

QString bareApp() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/BareTrayApp");
}
QString corvantide() {
    return QStringLiteral(CORVANTIDE_BUNDLE_DIR "/bin/Corvantide");
}
QString menuIcon() {
    return QStringLiteral(CORVANTIDE_BUNDLE_DIR "/Resources/images/menuIcon.svg");
}

struct Running {
    std::unique_ptr<QProcess> process;
    double readyMs = 0;
    bool ready = false;
};

// Starts the program and waits until its item is registered and its menu has rows on the bus.
Running launch(const QString& program, const QStringList& arguments, const QByteArray& settings = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", environment->display.display());
    env.remove("XDG_CURRENT_DESKTOP");
    // Each start sees a fresh home: no account, no filters, the first launch's settings.
    const QString home = environment->home.filePath(QString::number(QDateTime::currentMSecsSinceEpoch()));
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        const QString dir = home + "/" + QString::fromLatin1(name).toLower();
        QDir().mkpath(dir);
        env.insert(QString::fromLatin1(name), dir);
    }
    if (!settings.isEmpty())
        TestUtils::writeFile(home + "/xdg_config_home/Corvantide/Corvantide.conf", settings);
    Running running;
    running.process = std::make_unique<QProcess>();
    running.process->setProcessEnvironment(env);
    running.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qsizetype before = environment->watcher.items().size();
    QElapsedTimer timer;
    timer.start();
    running.process->start(program, arguments);
    if (!running.process->waitForStarted(5000))
        return running;
    running.ready = TestUtils::waitUntil(
        [&] {
            if (environment->watcher.items().size() <= before)
                return false;
            const auto menu = DBusMenuReader::forItem(environment->watcher.items().last());
            return menu && !menu->rows().isEmpty();
        },
        30000);
    running.readyMs = double(timer.nsecsElapsed()) / 1e6;
    return running;
}

void stop(Running& running) {
    running.process->terminate();
    if (!running.process->waitForFinished(5000))
        running.process->kill();
    running.process->waitForFinished(2000);
}

double residentMB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Voluntary and involuntary context switches of every thread of the process.
qint64 contextSwitches(qint64 pid) {
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task) + "/status");
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.contains("ctxt_switches:"))
                total += line.split(':').last().trimmed().toLongLong();
    }
    return total;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values.at(values.size() / 2);
}

void BM_StartUpToMenuOnTheBus(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<double> bare, app;
        for (int round = 0; round < 5; ++round) {
            for (auto* times : {&bare, &app}) {
                Running running = times == &bare ? launch(bareApp(), {menuIcon()}) : launch(corvantide(), {});
                if (!running.ready) {
                    state.SkipWithError("a program's menu never appeared on the bus");
                    return;
                }
                times->push_back(running.readyMs);
                stop(running);
            }
        }
        state.SetIterationTime(median(app) / 1000.0);
        state.counters["bare_ms"] = median(bare);
        state.counters["corvantide_ms"] = median(app);
        state.counters["ratio"] = median(app) / median(bare);
        state.counters["within_2x"] = median(app) <= 2 * median(bare) ? 1 : 0;
    }
}

void BM_IdleMemoryAndWakeUps(benchmark::State& state) {
    for (auto _ : state) {
        Running bare = launch(bareApp(), {menuIcon()});
        Running app = launch(corvantide(), {});
        // Once more with app-hang tracking off, to tell what the watchdog costs (it should cost nothing
        // while the application sleeps).
        Running quiet = launch(corvantide(), {}, "[General]\nsentryEnableAppHangTracking=false\n");
        if (!bare.ready || !app.ready || !quiet.ready) {
            state.SkipWithError("a program's menu never appeared on the bus");
            return;
        }
        // Let start-up work settle (the first timed pass, crash-report sending), then watch both idle.
        TestUtils::spin(5000);
        const double bareMB = residentMB(bare.process->processId());
        const double appMB = residentMB(app.process->processId());
        const qint64 bareStart = contextSwitches(bare.process->processId());
        const qint64 appStart = contextSwitches(app.process->processId());
        const qint64 quietStart = contextSwitches(quiet.process->processId());
        TestUtils::spin(30000);
        const qint64 bareSwitches = contextSwitches(bare.process->processId()) - bareStart;
        const qint64 appSwitches = contextSwitches(app.process->processId()) - appStart;
        const qint64 quietSwitches = contextSwitches(quiet.process->processId()) - quietStart;
        stop(bare);
        stop(app);
        stop(quiet);
        state.SetIterationTime(30);
        state.counters["bare_rss_MB"] = bareMB;
        state.counters["corvantide_rss_MB"] = appMB;
        state.counters["rss_ratio"] = bareMB > 0 ? appMB / bareMB : 0;
        state.counters["rss_within_1.5x"] = appMB <= 1.5 * bareMB ? 1 : 0;
        state.counters["bare_switches_30s"] = double(bareSwitches);
        state.counters["corvantide_switches_30s"] = double(appSwitches);
        state.counters["corvantide_no_hang_watchdog_switches_30s"] = double(quietSwitches);
    }
}

BENCHMARK(BM_StartUpToMenuOnTheBus)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleMemoryAndWakeUps)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    // Everything runs on this program's own bus and display, away from any desktop session.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!PrivateSession::start()) {
        std::fprintf(stderr, "TrayAppBench: no private D-Bus session (dbus-daemon, gnome-keyring)\n");
        return 1;
    }
    QApplication app(argc, argv);
    Environment env;
    environment = &env;
    if (!env.home.isValid() || !env.display.start() || !env.watcher.start()) {
        std::fprintf(stderr, "TrayAppBench: no virtual display or tray watcher\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    environment = nullptr;
    return 0;
}
