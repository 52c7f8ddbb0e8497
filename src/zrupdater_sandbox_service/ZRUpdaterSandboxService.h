#pragma once

#include "Platform/XPCListener.h"
#include "ZRUpdater/ZRUpdaterSandboxServiceProtocol.h"
#include "ZRUpdaterSandboxServiceConfinement.h"

#include <chrono>
#include <optional>

/*! The object a connection of the service talks to: it reads each request, refuses what is malformed or
    outside its confinement with an error reply, and otherwise does the work with the file operations or
    a child process, which it ends at ToolTimeLimit. It keeps nothing between calls. */
class ZRUpdaterSandboxService final : public Platform::XPCExportedObject,
                                      public ZRUpdaterSandboxServiceProtocol {
public:
    static inline const QString ErrorDomain = QStringLiteral("com.dunwarbeck.zrupdater-sandbox-service");
    static constexpr int RequestUnreadable = 1;
    static constexpr int RequestRefused = 2;
    static constexpr int ToolTimedOut = 3;
    /*! How long a tool may run, far beyond any real unpacking, mount or detach: past it the tool is ended
        and the request fails with an error, so that a tool stuck on what it was given holds neither its
        connection nor the service for ever. */
    static constexpr std::chrono::minutes ToolTimeLimit{10};

    explicit ZRUpdaterSandboxService(ZRUpdaterSandboxServiceConfinement confinement);

    QCborMap handleMessage(const QCborMap& message) override;

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
    ZRUpdaterSandboxServiceConfinement m_confinement;
    /*! Set by a tool run that was ended at the time limit: the request's reply is this error. */
    std::optional<Platform::Error> m_failure;
};
