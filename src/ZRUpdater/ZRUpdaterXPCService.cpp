#include "ZRUpdater/ZRUpdaterXPCService.h"

#include "Platform/Assert.h"
#include "Platform/Bundle.h"
#include "Platform/ErrorPresenter.h"
#include "Platform/MainThread.h"

using namespace ZRUpdaterSandboxServiceMessages;

ZRUpdaterSandboxServiceProxy::ZRUpdaterSandboxServiceProxy(Platform::XPCConnection& connection,
                                                           ErrorHandler errorHandler)
    : m_connection(connection)
    , m_errorHandler(std::move(errorHandler)) {}

std::optional<QCborMap> ZRUpdaterSandboxServiceProxy::send(const Request& request) {
    Platform::Error error;
    std::optional<QCborMap> reply = m_connection.sendMessageWithReplySync(encodeRequest(request), &error);
    if (!reply)
        m_errorHandler(error);
    return reply;
}

void ZRUpdaterSandboxServiceProxy::replyUnreadable() {
    m_errorHandler(Platform::Error(
        Platform::XPCConnection::ErrorDomain, Platform::XPCConnection::ConnectionInvalid,
        QStringLiteral("The reply of service named %1 could not be read.").arg(ZRUpdaterSandboxServiceName)));
}

void ZRUpdaterSandboxServiceProxy::sendFileOperation(Method method, const QString& source,
                                                     const QString& destination, const SuccessReply& reply) {
    Request request;
    request.method = method;
    request.source = source;
    request.destination = destination;
    if (const std::optional<QCborMap> message = send(request)) {
        bool success = false;
        Platform::OptionalError error;
        if (decodeSuccessReply(*message, &success, &error))
            reply(success, error);
        else
            replyUnreadable();
    }
}

void ZRUpdaterSandboxServiceProxy::copyPathWithAuthentication(const QString& source,
                                                              const QString& destination,
                                                              SuccessReply reply) {
    sendFileOperation(Method::Copy, source, destination, reply);
}

void ZRUpdaterSandboxServiceProxy::movePathWithAuthentication(const QString& source,
                                                              const QString& destination,
                                                              SuccessReply reply) {
    sendFileOperation(Method::Move, source, destination, reply);
}

void ZRUpdaterSandboxServiceProxy::releaseItemAtPathFromQuarantine(const QString& path, EmptyReply reply) {
    Request request;
    request.method = Method::ReleaseFromQuarantine;
    request.path = path;
    if (const std::optional<QCborMap> message = send(request)) {
        if (decodeEmptyReply(*message))
            reply();
        else
            replyUnreadable();
    }
}

void ZRUpdaterSandboxServiceProxy::launchTaskWithLaunchPath(const QString& launchPath,
                                                            const QStringList& arguments, bool waitUntilExit,
                                                            StatusReply reply) {
    Request request;
    request.method = Method::LaunchTask;
    request.path = launchPath;
    request.arguments = arguments;
    request.waitUntilExit = waitUntilExit;
    if (const std::optional<QCborMap> message = send(request)) {
        qint32 status = 0;
        if (decodeStatusReply(*message, &status))
            reply(status);
        else
            replyUnreadable();
    }
}

void ZRUpdaterSandboxServiceProxy::waitForApplicationWithProcessIDToQuit(qint32 processID,
                                                                         const QString& launchPath,
                                                                         const QString& temporaryFolder,
                                                                         EmptyReply reply) {
    Request request;
    request.method = Method::WaitForApplication;
    request.processID = processID;
    request.path = launchPath;
    request.temporaryFolder = temporaryFolder;
    if (const std::optional<QCborMap> message = send(request)) {
        if (decodeEmptyReply(*message))
            reply();
        else
            replyUnreadable();
    }
}

std::unique_ptr<Platform::XPCConnection>
ZRUpdaterXPCService::setupConnectionAndProxy(std::unique_ptr<ZRUpdaterSandboxServiceProtocol>* outProxy,
                                             ZRUpdaterSandboxServiceProxy::ErrorHandler errorHandler) {
    Platform::parameterAssert(outProxy != nullptr, "outProxy");
    Platform::parameterAssert(bool(errorHandler), "errorHandler");
    const QString bundlePath = Platform::Bundle::mainBundle().bundlePath();
    auto connection = std::make_unique<Platform::XPCConnection>(ZRUpdaterSandboxServiceName, bundlePath,
                                                                bundlePath + QStringLiteral("/libexec/") +
                                                                    ZRUpdaterSandboxServiceExecutable);
    *outProxy = std::make_unique<ZRUpdaterSandboxServiceProxy>(*connection, std::move(errorHandler));
    return connection;
}

bool ZRUpdaterXPCService::copyOrMovePathWithAuthentication(const QString& source, const QString& destination,
                                                           long operationType,
                                                           Platform::OptionalError* error) {
    if (operationType != Copy && operationType != Move)
        Platform::fatalError(QStringLiteral("Unknown opeeration type %1").arg(operationType));
    bool result = false;
    Platform::OptionalError failure;
    std::unique_ptr<ZRUpdaterSandboxServiceProtocol> proxy;
    auto connection = setupConnectionAndProxy(&proxy, [&failure](const Platform::Error& e) { failure = e; });
    // Replacing a bundle may take long (an administrator prompt, a slow disk), but not for ever.
    connection->setReplyTimeout(15 * 60 * 1000);
    auto reply = [&](bool success, const Platform::OptionalError& replyError) {
        result = success;
        failure = replyError;
    };
    if (operationType == Copy)
        proxy->copyPathWithAuthentication(source, destination, reply);
    else
        proxy->movePathWithAuthentication(source, destination, reply);
    connection->invalidate();
    if (error != nullptr)
        *error = failure;
    return result;
}

bool ZRUpdaterXPCService::copyPathWithAuthentication(const QString& source, const QString& destination,
                                                     Platform::OptionalError* error) {
    return copyOrMovePathWithAuthentication(source, destination, Copy, error);
}

bool ZRUpdaterXPCService::movePathWithAuthentication(const QString& source, const QString& destination,
                                                     Platform::OptionalError* error) {
    return copyOrMovePathWithAuthentication(source, destination, Copy, error);
}

int ZRUpdaterXPCService::terminationStatusOfTaskWithLaunchPath(const QString& launchPath,
                                                               const QStringList& arguments) {
    int status = -1;
    std::unique_ptr<ZRUpdaterSandboxServiceProtocol> proxy;
    auto connection = setupConnectionAndProxy(&proxy, [](const Platform::Error&) {});
    proxy->launchTaskWithLaunchPath(launchPath, arguments, true,
                                    [&status](qint32 terminationStatus) { status = terminationStatus; });
    connection->invalidate();
    return status;
}

bool ZRUpdaterXPCService::launchTaskWithLaunchPath(const QString& launchPath, const QStringList& arguments) {
    bool replied = false;
    std::unique_ptr<ZRUpdaterSandboxServiceProtocol> proxy;
    auto connection = setupConnectionAndProxy(&proxy, [](const Platform::Error&) {});
    proxy->launchTaskWithLaunchPath(launchPath, arguments, false, [&replied](qint32) { replied = true; });
    connection->invalidate();
    return replied;
}

void ZRUpdaterXPCService::waitForApplicationWithProcessIDToQuit(qint32 processID, const QString& launchPath,
                                                                const QString& temporaryFolder) {
    std::unique_ptr<ZRUpdaterSandboxServiceProtocol> proxy;
    auto connection = setupConnectionAndProxy(&proxy, &ZRUpdaterXPCService::proxyErrorHandler);
    proxy->waitForApplicationWithProcessIDToQuit(processID, launchPath, temporaryFolder, [] {});
    connection->invalidate();
}

void ZRUpdaterXPCService::releaseItemAtPathFromQuarantine(const QString& path) {
    std::unique_ptr<ZRUpdaterSandboxServiceProtocol> proxy;
    auto connection = setupConnectionAndProxy(&proxy, &ZRUpdaterXPCService::proxyErrorHandler);
    proxy->releaseItemAtPathFromQuarantine(path, [] {});
    connection->invalidate();
}

void ZRUpdaterXPCService::proxyErrorHandler(const Platform::Error& error) {
    Platform::runOnMain([error] { Platform::presentError(error); });
}
