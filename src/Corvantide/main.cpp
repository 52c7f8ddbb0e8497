#include "AppDelegate.h"

#include "Platform/Bundle.h"
#include "Platform/TerminationSignals.h"
#include "Platform/UI/ErrorAlert.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    // No shared OpenGL context: it would load the OpenGL driver at start-up (about 50 MB resident on Mesa)
    // for the whole day. The web-view plugin makes it when a web view is first shown.
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Platform::Bundle::mainBundle().installTranslations(&app);
    // Errors presented to the user (such as a damaged installation) show as alerts.
    Platform::installAlertErrorPresenter();

    AppDelegate delegate;
    // A quit command, a termination signal and the end of the desktop session all end the loop normally;
    // the session manager's request to save comes first at logout.
    Platform::quitOnTerminationSignals(&app);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    // Launch work runs once the event loop turns, as it would after the application finished launching.
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });

    return QApplication::exec();
}
