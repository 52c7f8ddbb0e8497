#pragma once

#include "Platform/XPCListener.h"
#include "ZRUpdater/ZRUpdaterSandboxServiceProtocol.h"
#include "ZRUpdaterSandboxServiceConfinement.h"

/*! The object a connection of the service talks to: it reads each request, refuses what is malformed or
    outside its confinement with an error reply, and otherwise does the work with the file operations or
    a child process. It keeps nothing between calls. */
class ZRUpdaterSandboxService final : public Platform::XPCExportedObject,
                                      public ZRUpdaterSandboxServiceProtocol {
public:
    static inline const QString ErrorDomain = QStringLiteral("com.dunwarbeck.zrupdater-sandbox-service");
    static constexpr int RequestUnreadable = 1;
    static constexpr int RequestRefused = 2;

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
};
