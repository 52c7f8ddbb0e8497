#include "AppDelegate.h"
#include "AppLifecycle.h"

#include "Platform/Bundle.h"
#include "Platform/UI/ErrorAlert.h"
#include "ZRKit/ZRBundle.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    // No shared OpenGL context: it would load the OpenGL driver at start-up (about 50 MB resident on Mesa)
    // for the whole day. The web-view plugin makes it when a web view is first shown.
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    // One application per user: a second start reads and writes none of the files the first one keeps,
    // and only asks it to show itself.
    AppLifecycle lifecycle;
    switch (
        lifecycle.claimInstance(ZRBundle::existingApplicationSupportFolder(Platform::Bundle::mainBundle()))) {
    case AppLifecycle::Instance::First:
        break;
    case AppLifecycle::Instance::AlreadyShown:
        return 0;
    case AppLifecycle::Instance::NotAnswering:
        return 1;
    }

    Platform::Bundle::mainBundle().installTranslations(&app);
    // Errors presented to the user (such as a damaged installation) show as alerts.
    Platform::installAlertErrorPresenter();

    AppDelegate delegate;
    // A quit command, a termination signal and the end of the desktop session all end the loop normally;
    // the session manager's request to save comes first at logout.
    lifecycle.quitOnTerminationSignals();
    lifecycle.listenForShowRequests([&delegate] { delegate.showStatusMenuOrWindow(); });
    lifecycle.watchTrayHost();
    QObject::connect(&lifecycle, &AppLifecycle::trayHostAppeared, &delegate, &AppDelegate::trayHostAppeared);
    QObject::connect(&lifecycle, &AppLifecycle::trayHostVanished, &delegate, &AppDelegate::trayHostVanished);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    // Launch work runs once the event loop turns, as it would after the application finished launching.
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });

    return QApplication::exec();
}
