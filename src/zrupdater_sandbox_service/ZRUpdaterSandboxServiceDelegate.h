#pragma once

#include "Platform/XPCListener.h"

#include <QSet>
#include <QString>

#include <mutex>

/*! Accepts connections only from processes of the same user whose executable lies inside the service's
    own bundle, and gives each accepted connection a fresh ZRUpdaterSandboxService.

    Replacing the bundle moves the running application's executable out of it (to the Trash, or deleted),
    yet that application still has to ask for its relaunch. So every accepted process is remembered, in
    this process's memory only, by its process id and start time, and a remembered process is accepted
    again wherever its executable now lies. While such a process runs outside the bundle the service
    does not end for idleness, so that the memory lasts as long as it is needed. */
class ZRUpdaterSandboxServiceDelegate final : public Platform::XPCListenerDelegate {
public:
    bool listenerShouldAcceptNewConnection(Platform::XPCListener& listener,
                                           Platform::XPCIncomingConnection& connection,
                                           Platform::Error* refusal) override;
    bool listenerShouldStayAlive(Platform::XPCListener& listener) override;

private:
    QSet<QString> m_acceptedPeers;
    std::mutex m_mutex;
};
