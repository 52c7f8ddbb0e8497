#include "ZRUpdater/ZRUpdaterPreferencesManager.h"

#include "Platform/Bundle.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"

namespace ZRUpdaterPreferencesManager {

namespace {
Platform::UserDefaults& defaults() {
    return Platform::UserDefaults::standard();
}

QString infoString(const QString& key) {
    const QVariant value = Platform::Bundle::mainBundle().objectForInfoDictionaryKey(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}
} // namespace

std::optional<bool> checkForUpdates() {
    const QVariant value = defaults().value(CheckForUpdatesKey);
    if (!value.isValid())
        return std::nullopt;
    return value.toBool();
}

void setCheckForUpdates(bool check) {
    defaults().setValue(CheckForUpdatesKey, check);
}

std::optional<QDateTime> lastVersionCheckDate() {
    return defaults().date(LastVersionCheckDateKey);
}

void setLastVersionCheckDate(const QDateTime& date) {
    defaults().setValue(LastVersionCheckDateKey, date);
}

QString updaterSkippedReleaseVersion() {
    const QVariant value = defaults().value(SkippedReleaseVersionKey);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

void setUpdaterSkippedReleaseVersion(const QString& version) {
    if (version.isEmpty())
        defaults().removeObject(SkippedReleaseVersionKey);
    else
        defaults().setValue(SkippedReleaseVersionKey, version);
}

bool updaterDownloadInBackground() {
    return defaults().boolean(DownloadInBackgroundKey);
}

bool shouldIncludeSystemInformationForUpdates() {
    return defaults().boolean(IncludeSystemInformationKey);
}

QString updateURL() {
    const QString url = infoString(UpdateURLInfoKey);
    if (!url.isEmpty())
        return url;
    Platform::SystemLog::log(
        QStringLiteral("Did not find ZRUpdater URL in bundle, will fall back to preferences "
                       "(please add the %1 key to your info plist of the host application)")
            .arg(UpdateURLInfoKey));
    const QVariant value = defaults().value(UpdateURLDefaultsKey);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QString updateDownloadWebsiteURL() {
    const QString url = infoString(DownloadWebsiteURLInfoKey);
    if (url.isEmpty())
        Platform::SystemLog::log(
            QStringLiteral("Did not find ZRUpdater download website URL in bundle, please add "
                           "the %1 key to your info plist of the host application")
                .arg(DownloadWebsiteURLInfoKey));
    return url;
}

} // namespace ZRUpdaterPreferencesManager
