#include "ZRUpdaterSandboxService.h"

#include "Platform/SystemLog.h"
#include "Platform/XPCWire.h"
#include "ZRUpdater/ZRSecurityExtensions.h"
#include "ZRUpdater/ZRTask.h"

#include <mutex>
#include <utility>

namespace {

// The file operations are made one at a time, whichever connection asks; tool runs may overlap.
std::mutex& fileOperationsMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

ZRUpdaterSandboxService::ZRUpdaterSandboxService(ZRUpdaterSandboxServiceConfinement confinement)
    : m_confinement(std::move(confinement)) {}

QCborMap ZRUpdaterSandboxService::handleMessage(const QCborMap& message) {
    QString reason;
    const std::optional<ZRUpdaterSandboxServiceMessages::Request> request =
        ZRUpdaterSandboxServiceMessages::decodeRequest(message, &reason);
    if (!request)
        return Platform::XPCWire::errorReply(
            Platform::Error(ErrorDomain, RequestUnreadable,
                            QStringLiteral("The service cannot read the request: %1.").arg(reason)));
    if (const std::optional<QString> refusal = m_confinement.refusal(*request)) {
        Platform::SystemLog::log(
            QStringLiteral("refused %1: %2")
                .arg(ZRUpdaterSandboxServiceMessages::selector(request->method), *refusal));
        return Platform::XPCWire::errorReply(
            Platform::Error(ErrorDomain, RequestRefused,
                            QStringLiteral("The service refused the request: %1.").arg(*refusal)));
    }
    const QCborMap reply = ZRUpdaterSandboxServiceMessages::dispatch(*request, *this);
    if (const std::optional<Platform::Error> failure = std::exchange(m_failure, std::nullopt))
        return Platform::XPCWire::errorReply(*failure);
    return reply;
}

void ZRUpdaterSandboxService::copyPathWithAuthentication(const QString& source, const QString& destination,
                                                         SuccessReply reply) {
    std::lock_guard lock(fileOperationsMutex());
    Platform::OptionalError error;
    const bool success = ZRSecurityExtensions::copyPathWithAuthentication(source, destination, &error);
    reply(success, error);
}

void ZRUpdaterSandboxService::movePathWithAuthentication(const QString& source, const QString& destination,
                                                         SuccessReply reply) {
    std::lock_guard lock(fileOperationsMutex());
    Platform::OptionalError error;
    const bool success = ZRSecurityExtensions::movePathWithAuthentication(source, destination, &error);
    reply(success, error);
}

void ZRUpdaterSandboxService::releaseItemAtPathFromQuarantine(const QString& path, EmptyReply reply) {
    {
        std::lock_guard lock(fileOperationsMutex());
        ZRSecurityExtensions::releaseItemFromQuarantine(path);
    }
    reply();
}

void ZRUpdaterSandboxService::launchTaskWithLaunchPath(const QString& launchPath,
                                                       const QStringList& arguments, bool waitUntilExit,
                                                       StatusReply reply) {
    ZRTask::Options options;
    options.waitUntilExit = waitUntilExit;
    options.timeLimit = ToolTimeLimit;
    QString error;
    const int status = ZRTask::launch(launchPath, arguments, options, &error);
    if (!error.isEmpty())
        Platform::SystemLog::log(error);
    if (status == ZRTask::TimedOut)
        m_failure = Platform::Error(ErrorDomain, ToolTimedOut,
                                    QStringLiteral("The tool %1 did not finish in time: the service ended it "
                                                   "after %2 minutes.")
                                        .arg(arguments.value(0))
                                        .arg(ToolTimeLimit.count()));
    reply(status);
}

void ZRUpdaterSandboxService::waitForApplicationWithProcessIDToQuit(qint32 processID,
                                                                    const QString& launchPath,
                                                                    const QString& temporaryFolder,
                                                                    EmptyReply reply) {
    {
        std::lock_guard lock(fileOperationsMutex());
        ZRSecurityExtensions::waitForApplicationWithProcessIDToQuit(processID, launchPath, temporaryFolder);
    }
    reply();
}
