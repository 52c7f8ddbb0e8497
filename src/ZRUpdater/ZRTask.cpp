#include "ZRUpdater/ZRTask.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace ZRTask {

namespace {

using namespace std::chrono_literals;

// How long a program asked to end at its time limit has before it is killed.
constexpr std::chrono::milliseconds TerminationGrace = 5s;

// Reaps the child if it ends within the time (zero: however long it takes); false while it still runs.
bool reapWithin(pid_t pid, std::chrono::milliseconds time, pid_t* reaped, int* status) {
    if (time <= 0ms) {
        do {
            *reaped = ::waitpid(pid, status, 0);
        } while (*reaped < 0 && errno == EINTR);
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + time;
    for (auto pause = 1ms;; pause = std::min(pause * 2, 100ms)) {
        *reaped = ::waitpid(pid, status, WNOHANG);
        if (*reaped != 0 && !(*reaped < 0 && errno == EINTR))
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    }
}

int waitForChild(pid_t pid, std::chrono::milliseconds timeLimit) {
    int status = 0;
    pid_t reaped = 0;
    if (!reapWithin(pid, timeLimit, &reaped, &status)) {
        ::kill(pid, SIGTERM);
        if (!reapWithin(pid, TerminationGrace, &reaped, &status)) {
            ::kill(pid, SIGKILL);
            reapWithin(pid, 0ms, &reaped, &status);
        }
        return TimedOut;
    }
    if (reaped != pid)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return WTERMSIG(status);
    return -1;
}

int failed(QString* error, const QString& reason, int status = -1) {
    if (error != nullptr)
        *error = reason;
    return status;
}

} // namespace

int launch(const QString& launchPath, const QStringList& arguments, Options options, QString* error) {
    if (!QDir::isAbsolutePath(launchPath))
        return failed(error, QStringLiteral("launch path %1 is not absolute").arg(launchPath));
    std::vector<QByteArray> encoded;
    encoded.reserve(size_t(arguments.size()) + 1);
    encoded.push_back(QFile::encodeName(launchPath));
    for (const QString& argument : arguments)
        encoded.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : encoded) {
        if (argument.contains('\0'))
            return failed(error, QStringLiteral("an argument holds a NUL character"));
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (options.newSession)
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (result != 0)
        return failed(
            error,
            QStringLiteral("cannot start %1: %2").arg(launchPath, QString::fromLocal8Bit(strerror(result))));
    if (options.waitUntilExit) {
        const int status = waitForChild(pid, options.timeLimit);
        if (status == TimedOut)
            return failed(error, QStringLiteral("%1 did not finish in time and was ended").arg(launchPath),
                          TimedOut);
        return status;
    }
    std::thread([pid, timeLimit = options.timeLimit] { waitForChild(pid, timeLimit); }).detach();
    return 0;
}

int terminationStatus(const QString& launchPath, const QStringList& arguments, QString* error) {
    return launch(launchPath, arguments, Options{}, error);
}

} // namespace ZRTask
