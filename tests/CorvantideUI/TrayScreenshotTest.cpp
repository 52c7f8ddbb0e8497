// Not part of the suite (the tests are disabled): they make docs/tray-menu.png, the tray menu with issues
// as a real panel shows it, docs/screenshots/tray-menu-250-issues.png, the menu the application draws
// after a left click with 250 issues, scrolled to its end, and docs/screenshots/preferences-projects-
// signed-in.png. Run them by hand with xfce4-panel, xdotool and x11-apps installed:
//   scripts/test-env build/tests/TrayScreenshotTest --gtest_also_run_disabled_tests
#include "AppDelegateFixture.h"

#include "XvfbServer.h"

#include "Preferences/ProjectsPreferenceViewController.h"

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

class TrayScreenshotTest : public AppDelegateTest {
protected:
    void TearDown() override {
        if (app.state() != QProcess::NotRunning) {
            ::kill(pid_t(app.processId()), SIGTERM);
            app.waitForFinished(5000);
        }
        if (panel.state() != QProcess::NotRunning) {
            panel.terminate();
            panel.waitForFinished(5000);
        }
        AppDelegateTest::TearDown();
    }

    /*! A virtual screen of the size with xfce4-panel along its top, and the application started on it. */
    void startPanelAndApplication(const QString& screen, int settleMs) {
        ASSERT_TRUE(display.start(screen));
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display.display());
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.remove("XDG_CURRENT_DESKTOP");
        const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + "/xfce4/xfconf/xfce-perchannel-xml";
        QDir().mkpath(folder);
        QFile::remove(folder + "/xfce4-panel.xml");
        ASSERT_TRUE(QFile::copy(TestUtils::sourcePath("tests/CorvantideUI/screenshot/xfce4-panel.xml"),
                                folder + "/xfce4-panel.xml"));
        for (QProcess* process : {&panel, &app}) {
            process->setProcessEnvironment(environment);
            process->setProcessChannelMode(QProcess::ForwardedChannels);
        }
        panel.start("xfce4-panel", {"--disable-wm-check"});
        ASSERT_TRUE(panel.waitForStarted());
        ASSERT_TRUE(TestUtils::waitUntil(
            [] {
                return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    "org.kde.StatusNotifierWatcher");
            },
            20000));
        app.start(QStringLiteral(CORVANTIDE_BUNDLE_DIR "/bin/Corvantide"), {});
        ASSERT_TRUE(app.waitForStarted());
        TestUtils::spin(settleMs);
    }

    /*! The screen as it shows now. */
    QImage screenImage() {
        QByteArray xwd;
        EXPECT_TRUE(run("xwd", {"-root", "-silent"}, environment, &xwd));
        return fromXwd(xwd);
    }

    XvfbServer display;
    QProcessEnvironment environment;
    QProcess panel;
    QProcess app;
};

TEST_F(TrayScreenshotTest, DISABLED_TheTrayMenuWithIssuesInXfcePanel) {
    const JiraAccount ada = storeAccount();
    addFilter(ada, 0, QStringLiteral("Alpha Board Client"));
    addFilter(ada, 1, QStringLiteral("Delta Engine Firmware"));
    ASSERT_NO_FATAL_FAILURE(startPanelAndApplication(QStringLiteral("800x420x24"), 5000));

    // The item sits at the right end of the top panel; a right click opens its menu (a left click asks the
    // application to activate).
    ASSERT_TRUE(run("xdotool", {"mousemove", "786", "14", "click", "3"}, environment));
    TestUtils::spin(2000);
    const QImage screen = screenImage();
    ASSERT_FALSE(screen.isNull());
    // The right part of the screen: the panel's end with the item and the menu below it.
    const int width = 400;
    ASSERT_TRUE(screen.copy(screen.width() - width, 0, width, screen.height())
                    .save(TestUtils::sourcePath("docs/tray-menu.png")));
}

TEST_F(TrayScreenshotTest, DISABLED_TheMenuOf250IssuesScrollsToQuitOnA768PixelScreen) {
    const JiraAccount ada = storeAccount();
    const QStringList names{"Alpha Board Client", "Delta Engine Firmware", "Gamma Help Index"};
    for (int project = 0; project < 3; ++project)
        addFilter(ada, project, names.at(project));
    JiraStandIn::Site& site = standIn.sites().first();
    QJsonArray issues;
    for (int number = 1; number <= 250; ++number) {
        QJsonObject issue = site.issues.at(number % site.issues.size()).toObject();
        const QString key = issue.value("key").toString().section(u'-', 0, 0);
        issue.insert("id", QString::number(50000 + number));
        issue.insert("key", QStringLiteral("%1-%2").arg(key).arg(number));
        QJsonObject fields = issue.value("fields").toObject();
        fields.insert("summary", QStringLiteral("R&D follow-up number %1 of snake_case_team").arg(number));
        issue.insert("fields", fields);
        issues.append(issue);
    }
    site.issues = issues;

    ASSERT_NO_FATAL_FAILURE(startPanelAndApplication(QStringLiteral("1024x768x24"), 8000));

    // A left click opens the application's own menu; Down then End scroll it to its last row, Quit.
    ASSERT_TRUE(run("xdotool", {"mousemove", "1010", "14", "click", "1"}, environment));
    TestUtils::spin(1500);
    ASSERT_TRUE(run("xdotool", {"key", "Down", "key", "End"}, environment));
    TestUtils::spin(1000);
    const QImage screen = screenImage();
    ASSERT_FALSE(screen.isNull());
    ASSERT_TRUE(screen.copy(screen.width() - 512, 0, 512, screen.height())
                    .save(TestUtils::sourcePath("docs/screenshots/tray-menu-250-issues.png")));
}

TEST_F(TrayScreenshotTest, DISABLED_TheProjectsPaneAfterTheFirstSignIn) {
    storeAccount();
    ProjectsPreferenceViewController pane;
    pane.awake();
    pane.resize(640, 420);
    pane.show();
    pane.willShowViewInPreferencesPanel();
    TestUtils::spin(1500);
    ASSERT_TRUE(
        pane.grab().save(TestUtils::sourcePath("docs/screenshots/preferences-projects-signed-in.png")));
}
