// The updater's sandbox service: started by the application's first connection, it serves until it has
// been idle for a while.
#include "Platform/Bundle.h"
#include "Platform/XPCListener.h"
#include "ZRUpdater/ZRUpdaterSandboxServiceProtocol.h"
#include "ZRUpdaterSandboxServiceDelegate.h"

int main() {
    Platform::XPCListener listener(ZRUpdaterSandboxServiceName, Platform::Bundle::mainBundle().bundlePath());
    ZRUpdaterSandboxServiceDelegate delegate;
    listener.setDelegate(&delegate);
    return listener.resume();
}
