// The sign-in window opened and closed ten times, each time with the login page of the local stand-in
// loaded in it: the resident memory of the process after every close, against the first close as the
// baseline of the same run. Each window brings its own web engine profile and page, and both must go
// with it; what stays behind after the first one (the engine itself) must not grow with every sign-in.
#include "UI/AuthorizeWebViewController.h"

#include "../tests/support/TestUtils.h"
#include "JiraStandIn.h"
#include "Platform/Bundle.h"
#include "ZRJira/ZRJConnector.h"
#include "ZRJira/ZRJConnectorDelegate.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace {

constexpr int Openings = 10;

class StandInSettings final : public ZRJConnectorDelegate {
public:
    explicit StandInSettings(const JiraStandIn& standIn)
        : m_standIn(standIn) {}
    QString clientSecret() const override { return m_standIn.clientSecret; }
    QString clientID() const override { return m_standIn.clientID; }
    QString callbackURL() const override { return m_standIn.redirectURI; }
    QString scopes() const override { return QStringLiteral("read:jira-work offline_access"); }

private:
    const JiraStandIn& m_standIn;
};

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

/*! Opens the window, waits for the login page, closes it and waits until the window is gone. */
bool openAndClose() {
    QPointer<AuthorizeWebViewController> controller = new AuthorizeWebViewController();
    if (controller->webview() == nullptr)
        return false;
    bool loaded = false;
    controller->webview()->setLoadFinishedHandler([&](bool ok) { loaded = ok; });
    controller->showFreeWindow();
    if (!TestUtils::waitUntil([&] { return loaded; }, 30000))
        return false;
    controller->close();
    return TestUtils::waitUntil([&] { return controller == nullptr; }, 10000);
}

void signInSheetOpenedAndClosedTenTimes(benchmark::State& state) {
    JiraStandIn standIn;
    if (!standIn.listen()) {
        state.SkipWithError("the stand-in cannot listen");
        return;
    }
    standIn.requireLogin = true;
    qputenv("CORVANTIDE_AUTH_URL", standIn.authBaseUrl().toEncoded());
    qputenv("CORVANTIDE_API_URL", standIn.apiBaseUrl().toEncoded());
    StandInSettings settings(standIn);
    ZRJConnector::setDelegate(&settings);

    for (auto _ : state) {
        double first = 0;
        double last = 0;
        double highest = 0;
        for (int i = 0; i < Openings; ++i) {
            if (!openAndClose()) {
                state.SkipWithError("the sign-in window did not load its page or did not close");
                break;
            }
            TestUtils::spin(500);
            last = residentMegabytes();
            if (i == 0)
                first = last;
            highest = std::max(highest, last);
        }
        state.counters["first_close_MB"] = first;
        state.counters["tenth_close_MB"] = last;
        state.counters["highest_close_MB"] = highest;
        state.counters["growth_over_first_MB"] = last - first;
        state.counters["within_30MB"] = highest - first <= 30.0 ? 1 : 0;
    }
    ZRJConnector::setDelegate(nullptr);
}

} // namespace

BENCHMARK(signInSheetOpenedAndClosedTenTimes)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QTemporaryDir home;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, home.filePath(QString::fromLatin1(name)).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (geteuid() == 0) // the engine's sandbox refuses to run as root
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
