// Not part of the suite (the test is disabled): it makes docs/tray-menu.png, the tray menu with issues as
// a real panel shows it. Run it by hand with xfce4-panel and xdotool installed:
//   scripts/test-env build/tests/TrayScreenshotTest --gtest_also_run_disabled_tests
#include "AppDelegateFixture.h"

#include "XvfbServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace {

bool run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
         QByteArray* output = nullptr) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

// The root window as xwd writes it (24 or 32 bits per pixel, least significant byte first) as an image.
QImage fromXwd(const QByteArray& data) {
    const auto field = [&](int index) {
        const auto* p = reinterpret_cast<const uchar*>(data.constData()) + index * 4;
        return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
    };
    if (data.size() < 100 || (field(11) != 32 && field(11) != 24) || field(7) != 0)
        return {};
    const int width = int(field(4)), height = int(field(5)), stride = int(field(12));
    const qsizetype offset = qsizetype(field(0)) + qsizetype(field(19)) * 12;
    if (offset + qsizetype(stride) * height > data.size())
        return {};
    QImage image(reinterpret_cast<const uchar*>(data.constData()) + offset, width, height, stride,
                 field(11) == 32 ? QImage::Format_RGB32 : QImage::Format_BGR888);
    return image.copy();
}

} // namespace

class TrayScreenshotTest : public AppDelegateTest {};

TEST_F(TrayScreenshotTest, DISABLED_TheTrayMenuWithIssuesInXfcePanel) {
    const JiraAccount ada = storeAccount();
    addFilter(ada, 0, QStringLiteral("Alpha Board Client"));
    addFilter(ada, 1, QStringLiteral("Delta Engine Firmware"));
    XvfbServer display;
    ASSERT_TRUE(display.start(QStringLiteral("800x420x24")));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display.display());
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.remove("XDG_CURRENT_DESKTOP");
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_TRUE(QFile::copy(TestUtils::sourcePath("tests/CorvantideUI/screenshot/xfce4-panel.xml"), [&] {
        QDir().mkpath(config + "/xfce4/xfconf/xfce-perchannel-xml");
        return config + "/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml";
    }()));

    QProcess panel;
    panel.setProcessEnvironment(environment);
    panel.setProcessChannelMode(QProcess::ForwardedChannels);
    panel.start("xfce4-panel", {"--disable-wm-check"});
    ASSERT_TRUE(panel.waitForStarted());
    ASSERT_TRUE(TestUtils::waitUntil(
        [] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                "org.kde.StatusNotifierWatcher");
        },
        20000));

    QProcess app;
    app.setProcessEnvironment(environment);
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    app.start(QStringLiteral(CORVANTIDE_BUNDLE_DIR "/bin/Corvantide"), {});
    ASSERT_TRUE(app.waitForStarted());
    TestUtils::spin(5000);

    // The item sits at the right end of the top panel; a right click opens its menu (a left click asks the
    // application to activate).
    ASSERT_TRUE(run("xdotool", {"mousemove", "786", "14", "click", "3"}, environment));
    TestUtils::spin(2000);
    QByteArray xwd;
    ASSERT_TRUE(run("xwd", {"-root", "-silent"}, environment, &xwd));
    const QImage screen = fromXwd(xwd);
    ASSERT_FALSE(screen.isNull());
    // The right part of the screen: the panel's end with the item and the menu below it.
    const int width = 400;
    ASSERT_TRUE(screen.copy(screen.width() - width, 0, width, screen.height())
                    .save(TestUtils::sourcePath("docs/tray-menu.png")));

    ::kill(pid_t(app.processId()), SIGTERM);
    app.waitForFinished(5000);
    panel.terminate();
    panel.waitForFinished(5000);
}
