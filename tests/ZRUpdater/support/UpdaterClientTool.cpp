// The application's side of an update, run from inside a test bundle (the service serves only its own
// bundle's processes): a background launch-time check with automatic updates on. Prints one line per
// event: "alert <title>", then "terminating <download path>", "later <download path>" or "idle".
//   updater-client-tool now|later
#include "Platform/UI/Alert.h"
#include "Platform/UserDefaults.h"
#include "ZRUpdater/ZRUpdater.h"
#include "ZRUpdater/ZRUpdaterPreferencesManager.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace Prefs = ZRUpdaterPreferencesManager;

namespace {
void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool later = argc > 1 && QString::fromLocal8Bit(argv[1]) == QLatin1String("later");
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    defaults.setValue(Prefs::CheckForUpdatesKey, true);
    defaults.setValue(Prefs::DownloadInBackgroundKey, true);
    defaults.removeObject(Prefs::LastVersionCheckDateKey);

    ZRUpdater& updater = ZRUpdater::sharedUpdaterForSandboxedApp(true);
    bool declined = false;
    Platform::Alert::setResponderForTesting([&](const Platform::Alert& alert) {
        say(QStringLiteral("alert ") + alert.messageText());
        declined = later;
        return Platform::Alert::Answer{
            later ? Platform::ModalResponse::SecondButton : Platform::ModalResponse::FirstButton, false};
    });
    ZRUpdater::setTerminateHandlerForTesting([&] {
        say(QStringLiteral("terminating ") + updater.downloadPath);
        app.quit();
    });
    updater.eventuallyCheckForUpdatesInBackground();

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (declined) {
            say(QStringLiteral("later ") + updater.downloadPath);
            app.quit();
        } else if (!updater.updateInProgress) {
            say(QStringLiteral("idle"));
            app.quit();
        }
    });
    poll.start(50);
    QTimer::singleShot(100000, &app, [&] {
        say(QStringLiteral("timeout"));
        app.exit(2);
    });
    return app.exec();
}
