#include "ZRUpdater/ZRPrivilegedRunner.h"

#include "ZRUpdater/ZRTask.h"

#include <mutex>
#include <utility>

namespace ZRPrivilegedRunner {

namespace {

const QString Pkexec = QStringLiteral("/usr/bin/pkexec");

std::mutex& runnerMutex() {
    static std::mutex mutex;
    return mutex;
}

Runner& testRunner() {
    static Runner runner;
    return runner;
}

} // namespace

Result run(const QString& program, const QStringList& arguments) {
    Runner runner;
    {
        std::lock_guard lock(runnerMutex());
        runner = testRunner();
    }
    if (runner)
        return runner(program, arguments);
    Result result;
    result.exitStatus = ZRTask::terminationStatus(Pkexec, QStringList{program} + arguments, &result.error);
    result.started = result.error.isEmpty();
    return result;
}

Runner setRunnerForTesting(Runner runner) {
    std::lock_guard lock(runnerMutex());
    return std::exchange(testRunner(), std::move(runner));
}

} // namespace ZRPrivilegedRunner
