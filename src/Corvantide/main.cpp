#include "Platform/Bundle.h"
#include "Platform/UI/ErrorAlert.h"
#include "UserDefaultsKeys.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Web views (a plugin library loaded later) share the application's OpenGL contexts; this can only
    // be said before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Platform::Bundle::mainBundle().installTranslations(&app);
    // Errors presented to the user (such as a damaged installation) show as alerts.
    Platform::installAlertErrorPresenter();

    UserDefaultsKeys::registerStandardDefaults();

    return QApplication::exec();
}
