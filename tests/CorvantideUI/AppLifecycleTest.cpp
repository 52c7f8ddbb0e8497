// The application's life as the desktop sees it: the real executable on a virtual display, a second start,
// a panel that comes and goes on the session bus, the window that stands in for the tray, real signals.
#include "TrayFixture.h"

#include <QDateTime>
#include <QStandardPaths>

#include <cstring>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Every file of the user's folders (settings, data, caches) with its size and modification time.
QMap<QString, QString> userFiles() {
    QMap<QString, QString> files;
    for (const QString& path : tray::userFiles()) {
        const QFileInfo info(path);
        files.insert(path,
                     QStringLiteral("%1 %2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()));
    }
    return files;
}

// Asks the window to close, as a window manager does when the user clicks its close button.
bool closeWindow(const QString& display, const QString& windowId) {
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return value;
    };
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = windowId.toUInt(nullptr, 16);
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    // Checked, so that the server has taken the request before the connection closes: a request only
    // flushed may be lost with a connection that closes at once.
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_send_event_checked(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                                           reinterpret_cast<const char*>(&event)));
    const bool sent = error == nullptr;
    free(error);
    xcb_disconnect(connection);
    return sent;
}

} // namespace

class AppLifecycleTest : public TrayTest {
protected:
    bool windowShows(bool shows) {
        return TestUtils::waitUntil([&] { return tray::shownWindows(display.display()).isEmpty() != shows; },
                                    20000);
    }
};

TEST_F(AppLifecycleTest, ASecondStartTouchesNoFileAndShowsTheRunningOne) {
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(TestUtils::waitUntil([this] { return !menu->rows().isEmpty(); }, 20000));
    TestUtils::spin(500);
    ASSERT_TRUE(windowShows(false));
    const QMap<QString, QString> before = userFiles();
    ASSERT_FALSE(before.isEmpty());

    QProcess second;
    startApp(second);
    ASSERT_TRUE(second.waitForFinished(20000)) << "the second start ends by itself";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    const QString output = QString::fromLocal8Bit(second.readAllStandardError());
    EXPECT_TRUE(output.contains("Corvantide is running already: it was asked to show itself"))
        << output.toStdString();
    EXPECT_EQ(userFiles(), before);
    EXPECT_TRUE(windowShows(true)) << "the running one opened its menu";
    terminate();

    // A start that finds the lock held by a process that does not answer (one that is ending, as at a
    // relaunch after an update) waits for it.
    const QString lockPath =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Corvantide/Instance.lock";
    const int held = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0) << "the ended process left the lock";
    watcher.stop();
    ASSERT_TRUE(watcher.start());
    // Not the first launch any more: the update question is answered already.
    Platform::UserDefaults::standard().setValue("shouldCheckForUpdates", false);
    Platform::UserDefaults::standard().synchronize();
    startApp(app);
    TestUtils::spin(1500);
    EXPECT_TRUE(watcher.items().isEmpty()) << "it waits for the lock";
    EXPECT_EQ(app.state(), QProcess::Running);
    ::close(held);
    EXPECT_TRUE(TestUtils::waitUntil([this] { return !watcher.items().isEmpty(); }, 20000));
    terminate();
}

TEST_F(AppLifecycleTest, TheItemFollowsThePanelAndClosingTheStandInWindowQuits) {
    watcher.stop();
    startApp(app);
    ASSERT_TRUE(windowShows(true)) << "without a panel, the window stands in for the tray";
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(watcher.start());
        EXPECT_TRUE(TestUtils::waitUntil([this] { return !watcher.items().isEmpty(); }, 20000))
            << "a panel that starts later gets the item";
        EXPECT_TRUE(windowShows(false));
        watcher.stop();
        EXPECT_TRUE(windowShows(true)) << "the panel went: the window is back";
    }
    ASSERT_EQ(tray::shownWindows(display.display()).size(), 1);
    // A close that reaches the window before it is ready to take it leaves it on screen, and the user
    // clicks again; a window that went away leaves nothing to click.
    for (int click = 0; click < 3 && app.state() != QProcess::NotRunning; ++click) {
        for (const tray::ShownWindow& window : tray::shownWindows(display.display()))
            ASSERT_TRUE(closeWindow(display.display(), window.id));
        app.waitForFinished(5000);
    }
    ASSERT_EQ(app.state(), QProcess::NotRunning) << "closing the window quits";
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
}

TEST_F(AppLifecycleTest, ATerminationSignalQuitsFromTheFirstLaunchQuestionWithoutAnAnswer) {
    Platform::UserDefaults::standard().setValue("skippedFirstLaunchForUpdateCheck", true);
    Platform::UserDefaults::standard().synchronize();
    startApp(app);
    ASSERT_TRUE(windowShows(true)) << "the question is open";
    terminate();
    const Platform::UserDefaults stored(Platform::UserDefaults::standard().filePath());
    EXPECT_FALSE(stored.hasUserValue("shouldCheckForUpdates")) << "no answer was given";
    // The quit path ran: the crash reporter ended the run's session as a normal exit.
    QFile session(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                  "/Corvantide/CrashReports/session.json");
    ASSERT_TRUE(session.open(QIODevice::ReadOnly));
    EXPECT_TRUE(session.readAll().contains("\"status\":\"exited\""));
}

// Every test here starts its clients one after another on one display (xwininfo, the application, its
// second start): a display that reset itself whenever its last client left would drop a client that came
// while it did, and lose what the earlier ones left on it.
TEST(AppLifecycleDisplayTest, TheVirtualDisplayOutlivesItsLastClient) {
    XvfbServer display;
    ASSERT_TRUE(display.start());
    const QByteArray name = display.display().toLocal8Bit();
    const QByteArray marker = "CORVANTIDE_TEST_MARKER";
    const auto markerAtom = [&marker](xcb_connection_t* connection) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(marker.size()), marker.constData()), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    };
    xcb_connection_t* first = xcb_connect(name.constData(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(first), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(first)).data->root;
    xcb_generic_error_t* error =
        xcb_request_check(first, xcb_change_property_checked(first, XCB_PROP_MODE_REPLACE, root,
                                                             markerAtom(first), XCB_ATOM_STRING, 8, 2, "on"));
    EXPECT_EQ(error, nullptr);
    free(error);
    xcb_disconnect(first);
    // Time for a server that resets to do so.
    TestUtils::spin(1000);

    xcb_connection_t* second = xcb_connect(name.constData(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(second), 0) << "the display dropped the next client";
    xcb_get_property_reply_t* property = xcb_get_property_reply(
        second, xcb_get_property(second, 0, root, markerAtom(second), XCB_ATOM_STRING, 0, 16), nullptr);
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(QByteArray(static_cast<const char*>(xcb_get_property_value(property)),
                         xcb_get_property_value_length(property)),
              "on")
        << "the display reset when its last client left";
    free(property);
    xcb_disconnect(second);
}
