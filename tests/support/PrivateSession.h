#pragma once

#include <QProcessEnvironment>
#include <QString>

/*! A D-Bus session bus and an unlocked gnome-keyring of this test process alone, so that what the test
    stores or registers (accounts, a tray watcher's well-known name) meets nothing of the tests running
    beside it. Started once per process, before anything in it talks to D-Bus; both daemons end with the
    process. */
namespace PrivateSession {

/*! Starts the session (the first call only) and points this process's environment at it; false when a
    daemon would not start. */
bool start();

/*! The environment for a child process that is to use the same session. */
QProcessEnvironment environment();

} // namespace PrivateSession
