// What the tray tests share: the real executable on a virtual display, a watcher on the test's own
// session bus that its item registers with, the exported menu read as a panel reads it, the stand-in.
#pragma once

#include "AppDelegateFixture.h"

#include "StatusNotifierWatcher.h"
#include "XvfbServer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>

namespace tray {

// The application's windows that the X server shows now: their ids and sizes, as xwininfo reads them.
struct ShownWindow {
    QString id;
    QString size;
};
inline QList<ShownWindow> shownWindows(const QString& display) {
    const auto xwininfo = [&display](const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display);
        process.setProcessEnvironment(environment);
        process.start("xwininfo", arguments);
        process.waitForFinished(5000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    };
    QList<ShownWindow> shown;
    for (const QString& line : xwininfo({"-root", "-tree"}).split(u'\n')) {
        const QString window = line.trimmed().section(u' ', 0, 0);
        if (!window.startsWith(u"0x") || !line.contains(u"corvantide", Qt::CaseInsensitive))
            continue;
        const QString details = xwininfo({"-id", window});
        if (!details.contains(u"Map State: IsViewable"))
            continue;
        const auto value = [&details](const QString& name) {
            return details.section(name + u':', 1, 1).section(u'\n', 0, 0).trimmed();
        };
        shown.append({window, value("Width") + u'x' + value("Height")});
    }
    return shown;
}

// The sizes of the application's windows that the X server shows now.
inline QStringList viewableWindows(const QString& display) {
    QStringList sizes;
    for (const ShownWindow& window : shownWindows(display))
        sizes.append(window.size);
    return sizes;
}

// Every file below the user's settings, data and cache folders.
inline QStringList userFiles() {
    QStringList files;
    for (const auto location : {QStandardPaths::GenericConfigLocation, QStandardPaths::GenericDataLocation,
                                QStandardPaths::GenericCacheLocation}) {
        QDirIterator it(QStandardPaths::writableLocation(location), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(it.next());
    }
    return files;
}

// Removes those files but the keyrings of the session's Secret Service; the folders stay.
inline void removeUserFiles() {
    const QString keyrings =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/keyrings/");
    for (const QString& path : userFiles())
        if (!path.startsWith(keyrings))
            QFile::remove(path);
}

} // namespace tray

class TrayTest : public AppDelegateTest {
protected:
    void SetUp() override {
        AppDelegateTest::SetUp();
        // The executable shares this process's user folders: it starts as on a new machine, without what
        // an earlier test's run of it left there (its settings, its lock, its crash reports).
        tray::removeUserFiles();
        ASSERT_TRUE(display.start());
        ASSERT_TRUE(watcher.start());
        ASSERT_TRUE(folder.isValid());
        // The browser is a script that notes the address it was handed.
        opened = folder.filePath("opened.txt");
        const QString opener = folder.filePath("bin/xdg-open");
        ASSERT_TRUE(TestUtils::writeFile(opener, "#!/bin/sh\necho \"$1\" >> \"$CORVANTIDE_TEST_OPENED\"\n"));
        QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // Status icons on the stand-in, one address per status category.
        standIn.addRoute("GET", QStringLiteral("^/icons/([a-z]+)\\.png$"), false,
                         [](const JiraStandIn::Request&, const QRegularExpressionMatch& match) {
                             const QColor color = match.captured(1) == u"done" ? Qt::green : Qt::blue;
                             return JiraStandIn::Reply::text(TestUtils::pngImage(16, color), "image/png",
                                                             200);
                         });
        QJsonArray issues;
        for (const QJsonValue& value : standIn.sites().first().issues) {
            QJsonObject issue = value.toObject();
            QJsonObject fields = issue.value("fields").toObject();
            QJsonObject status = fields.value("status").toObject();
            const QString category = status.value("statusCategory").toObject().value("key").toString();
            status.insert("iconUrl", standIn.baseUrl().toString() + "/icons/" + category + ".png");
            fields.insert("status", status);
            issue.insert("fields", fields);
            issues.append(issue);
        }
        standIn.sites().first().issues = issues;
    }

    void TearDown() override {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished(5000);
        }
        AppDelegateTest::TearDown();
    }

    void launch() {
        startApp(app);
        ASSERT_TRUE(TestUtils::waitUntil([this] { return !watcher.items().isEmpty(); }, 30000))
            << "the application's item never registered";
        menu = DBusMenuReader::forItem(watcher.items().first());
        ASSERT_TRUE(menu.has_value());
    }

    /*! Starts the executable in process, on the virtual display, without waiting for its item. */
    void startApp(QProcess& process) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DISPLAY", display.display());
        environment.remove("XDG_CURRENT_DESKTOP");
        environment.insert("PATH", folder.filePath("bin") + ":" + environment.value("PATH"));
        environment.insert("CORVANTIDE_TEST_OPENED", opened);
        process.setProcessEnvironment(environment);
        if (&process == &app)
            process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral(CORVANTIDE_BUNDLE_DIR "/bin/Corvantide"), {});
        ASSERT_TRUE(process.waitForStarted(5000));
    }

    /*! Waits until the exported menu reads as expected (the application rebuilds it as passes return). */
    bool menuShows(const QStringList& expected) {
        return TestUtils::waitUntil([&] { return menu->rowTexts() == expected; }, 20000);
    }

    void terminate() {
        ::kill(pid_t(app.processId()), SIGTERM);
        ASSERT_TRUE(app.waitForFinished(10000));
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(app.exitCode(), 0);
    }

    QList<JiraStandIn::Request> iconRequests() const { return standIn.requests(QStringLiteral("^/icons/")); }

    XvfbServer display;
    StatusNotifierWatcher watcher;
    QTemporaryDir folder;
    QString opened;
    QProcess app;
    std::optional<DBusMenuReader> menu;
};
