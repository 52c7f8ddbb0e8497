#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

/*! Child processes started directly (never through a shell): the argument list reaches the program as
    it is. */
namespace ZRTask {

struct Options {
    /*! Wait for the program to end and answer its status. */
    bool waitUntilExit = true;
    /*! Start it in a session of its own, so that it outlives whatever ends this process's group. */
    bool newSession = false;
    /*! How long the program may run; zero: as long as it takes. Past it the program is asked to end
        (SIGTERM), killed (SIGKILL) when it has not ended a few seconds later, and reaped. */
    std::chrono::milliseconds timeLimit{0};
};

/*! The answer of a waited program that was ended at its time limit. */
inline constexpr int TimedOut = -2;

/*! Starts launchPath (an absolute path) with the arguments. Waiting, the answer is the exit status, or
    the number of the signal that ended it, or TimedOut with the reason; not waiting, 0 at once (the
    child is reaped when it ends). A program that cannot be started answers -1 and, when asked, the
    reason. */
int launch(const QString& launchPath, const QStringList& arguments, Options options,
           QString* error = nullptr);

/*! launch() with waiting. */
int terminationStatus(const QString& launchPath, const QStringList& arguments, QString* error = nullptr);

} // namespace ZRTask
