#pragma once

#include "Platform/Error.h"
#include "Platform/XPCConnection.h"
#include "ZRUpdater/ZRUpdaterSandboxServiceProtocol.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

/*! The protocol over one service connection: each method sends its message, blocks until the reply and
    then calls either the reply or, when the connection failed or the service refused, the error handler. */
class ZRUpdaterSandboxServiceProxy final : public ZRUpdaterSandboxServiceProtocol {
public:
    using ErrorHandler = std::function<void(const Platform::Error& error)>;

    ZRUpdaterSandboxServiceProxy(Platform::XPCConnection& connection, ErrorHandler errorHandler);

    void copyPathWithAuthentication(const QString& source, const QString& destination,
                                    SuccessReply reply) override;
    void movePathWithAuthentication(const QString& source, const QString& destination,
                                    SuccessReply reply) override;
    void releaseItemAtPathFromQuarantine(const QString& path, EmptyReply reply) override;
    void launchTaskWithLaunchPath(const QString& launchPath, const QStringList& arguments, bool waitUntilExit,
                                  StatusReply reply) override;
    void waitForApplicationWithProcessIDToQuit(qint32 processID, const QString& launchPath,
                                               const QString& temporaryFolder, EmptyReply reply) override;

private:
    std::optional<QCborMap> send(const ZRUpdaterSandboxServiceMessages::Request& request);
    void sendFileOperation(ZRUpdaterSandboxServiceMessages::Method method, const QString& source,
                           const QString& destination, const SuccessReply& reply);
    void replyUnreadable();

    Platform::XPCConnection& m_connection;
    ErrorHandler m_errorHandler;
};

/*! The application's side of the sandbox service: every call opens its own connection (starting the
    service from the bundle's libexec/ when it is not running), blocks the calling thread until the
    service replied or the connection failed, and closes the connection. */
class ZRUpdaterXPCService {
public:
    enum OperationType : long { Copy = 0, Move = 1 };

    /*! A connection to the service of the running bundle and, in outProxy, the protocol over it whose
        failures go to errorHandler. Both arguments are required. */
    static std::unique_ptr<Platform::XPCConnection>
    setupConnectionAndProxy(std::unique_ptr<ZRUpdaterSandboxServiceProtocol>* outProxy,
                            ZRUpdaterSandboxServiceProxy::ErrorHandler errorHandler);

    /*! The service's copy (type 0) or move (type 1); NO with the connection's error when it failed. */
    static bool copyOrMovePathWithAuthentication(const QString& source, const QString& destination,
                                                 long operationType, Platform::OptionalError* error);
    static bool copyPathWithAuthentication(const QString& source, const QString& destination,
                                           Platform::OptionalError* error = nullptr);
    /*! Sends the copy operation as well: the source stays where it is. */
    static bool movePathWithAuthentication(const QString& source, const QString& destination,
                                           Platform::OptionalError* error = nullptr);
    /*! Runs the tool in the service and waits: its termination status, -1 when the service failed. */
    static int terminationStatusOfTaskWithLaunchPath(const QString& launchPath, const QStringList& arguments);
    /*! Starts the tool in the service without waiting: YES once the service replied. */
    static bool launchTaskWithLaunchPath(const QString& launchPath, const QStringList& arguments);
    /*! Failures are presented to the user. */
    static void waitForApplicationWithProcessIDToQuit(qint32 processID, const QString& launchPath,
                                                      const QString& temporaryFolder);
    /*! Failures are presented to the user. */
    static void releaseItemAtPathFromQuarantine(const QString& path);
    /*! Presents the error on the main thread, later: the caller may be blocking it. */
    static void proxyErrorHandler(const Platform::Error& error);
};
