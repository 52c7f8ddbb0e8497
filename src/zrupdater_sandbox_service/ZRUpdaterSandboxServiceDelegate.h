#pragma once

#include "Platform/XPCListener.h"

#include <QString>

#include <mutex>

/*! Accepts connections only from processes of the same user whose executable lies inside the service's
    own bundle, and gives each accepted connection a fresh ZRUpdaterSandboxService.

    Replacing the bundle moves the running application's executable out of it (to the Trash, or deleted),
    yet that application still has to ask for its relaunch. So every accepted process is remembered by
    its process id and start time in a file beside the socket (the user's private runtime folder), and a
    remembered process is accepted again wherever its executable now lies. */
class ZRUpdaterSandboxServiceDelegate final : public Platform::XPCListenerDelegate {
public:
    /*! knownPeersPath: the file of remembered processes. */
    explicit ZRUpdaterSandboxServiceDelegate(QString knownPeersPath);

    bool listenerShouldAcceptNewConnection(Platform::XPCListener& listener,
                                           Platform::XPCIncomingConnection& connection,
                                           Platform::Error* refusal) override;

private:
    bool isKnownPeer(const QString& identity);
    void rememberPeer(const QString& identity);

    QString m_knownPeersPath;
    std::mutex m_mutex;
};
