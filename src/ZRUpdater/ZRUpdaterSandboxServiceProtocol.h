#pragma once

#include "Platform/Error.h"

#include <QCborMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

/*! The service name; the bundle's libexec/ holds its executable under ZRUpdaterSandboxServiceExecutable. */
inline const QString ZRUpdaterSandboxServiceName = QStringLiteral("com.dunwarbeck.zrupdater-sandbox-service");
inline const QString ZRUpdaterSandboxServiceExecutable = QStringLiteral("zrupdater_sandbox_service");

/*! The five operations the updater's sandbox service performs for the application. Each calls its reply
    exactly once, after the work. */
class ZRUpdaterSandboxServiceProtocol {
public:
    using SuccessReply = std::function<void(bool success, const Platform::OptionalError& error)>;
    using EmptyReply = std::function<void()>;
    using StatusReply = std::function<void(qint32 terminationStatus)>;

    virtual ~ZRUpdaterSandboxServiceProtocol() = default;

    virtual void copyPathWithAuthentication(const QString& source, const QString& destination,
                                            SuccessReply reply) = 0;
    virtual void movePathWithAuthentication(const QString& source, const QString& destination,
                                            SuccessReply reply) = 0;
    virtual void releaseItemAtPathFromQuarantine(const QString& path, EmptyReply reply) = 0;
    /*! The termination status when waiting, else 0 once the task started. */
    virtual void launchTaskWithLaunchPath(const QString& launchPath, const QStringList& arguments,
                                          bool waitUntilExit, StatusReply reply) = 0;
    virtual void waitForApplicationWithProcessIDToQuit(qint32 processID, const QString& launchPath,
                                                       const QString& temporaryFolder, EmptyReply reply) = 0;
};

/*! The messages of the protocol: a request is {"selector": <method name>, "arguments": [...]}, a reply
    {"reply": [...]}; a refusal is Platform::XPCWire::errorReply. */
namespace ZRUpdaterSandboxServiceMessages {

enum class Method { Copy, Move, ReleaseFromQuarantine, LaunchTask, WaitForApplication };

/*! One decoded request; only the fields of its method are meaningful. */
struct Request {
    Method method = Method::Copy;
    QString source;             // Copy, Move
    QString destination;        // Copy, Move
    QString path;               // ReleaseFromQuarantine; the launch path of LaunchTask and WaitForApplication
    QStringList arguments;      // LaunchTask
    bool waitUntilExit = false; // LaunchTask
    qint32 processID = 0;       // WaitForApplication
    QString temporaryFolder;    // WaitForApplication

    bool operator==(const Request&) const = default;
};

QString selector(Method method);

QCborMap encodeRequest(const Request& request);
/*! The request in the message; nullopt with the reason when the selector is unknown or an argument is
    missing, of the wrong type, or a text holding a NUL character. */
std::optional<Request> decodeRequest(const QCborMap& message, QString* error);

/*! Calls the method of the request on the object and answers the reply message. */
QCborMap dispatch(const Request& request, ZRUpdaterSandboxServiceProtocol& object);

QCborMap successReply(bool success, const Platform::OptionalError& error);
QCborMap statusReply(qint32 status);
QCborMap emptyReply();

/*! The values of a reply; false when the message is not a reply of that form. */
bool decodeSuccessReply(const QCborMap& message, bool* success, Platform::OptionalError* error);
bool decodeStatusReply(const QCborMap& message, qint32* status);
bool decodeEmptyReply(const QCborMap& message);

} // namespace ZRUpdaterSandboxServiceMessages
