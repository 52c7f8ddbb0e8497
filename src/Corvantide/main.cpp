#include "Platform/Bundle.h"
#include "UserDefaultsKeys.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Platform::Bundle::mainBundle().installTranslations(&app);

    UserDefaultsKeys::registerStandardDefaults();

    return QApplication::exec();
}
