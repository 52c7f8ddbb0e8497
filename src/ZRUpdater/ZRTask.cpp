#include "ZRUpdater/ZRTask.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace ZRTask {

namespace {

int waitForChild(pid_t pid) {
    int status = 0;
    pid_t reaped;
    do {
        reaped = ::waitpid(pid, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    if (reaped != pid)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return WTERMSIG(status);
    return -1;
}

int failed(QString* error, const QString& reason) {
    if (error != nullptr)
        *error = reason;
    return -1;
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
    if (options.waitUntilExit)
        return waitForChild(pid);
    std::thread([pid] { waitForChild(pid); }).detach();
    return 0;
}

int terminationStatus(const QString& launchPath, const QStringList& arguments, QString* error) {
    return launch(launchPath, arguments, Options{}, error);
}

} // namespace ZRTask
