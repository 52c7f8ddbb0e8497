#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <optional>

/*! The updater's settings: user defaults, and the two addresses of the application's Info.plist. */
namespace ZRUpdaterPreferencesManager {

inline const QString CheckForUpdatesKey = QStringLiteral("shouldCheckForUpdates");
inline const QString LastVersionCheckDateKey = QStringLiteral("lastVersionCheckDate");
inline const QString SkippedReleaseVersionKey = QStringLiteral("updaterSkippedReleaseVersion");
inline const QString DownloadInBackgroundKey = QStringLiteral("updaterDownloadInBackground");
inline const QString IncludeSystemInformationKey = QStringLiteral("shouldIncludeSystemInformationForUpdates");
inline const QString UpdateURLDefaultsKey = QStringLiteral("updateURL");
inline const QString UpdateURLInfoKey = QStringLiteral("ZRUpdaterURL");
inline const QString DownloadWebsiteURLInfoKey = QStringLiteral("ZRUpdaterDownloadWebsiteURL");

/*! std::nullopt: the user has not been asked. */
std::optional<bool> checkForUpdates();
void setCheckForUpdates(bool check);
/*! Only a stored date counts. */
std::optional<QDateTime> lastVersionCheckDate();
void setLastVersionCheckDate(const QDateTime& date);
QString updaterSkippedReleaseVersion();
/*! An empty version removes the setting. */
void setUpdaterSkippedReleaseVersion(const QString& version);
bool updaterDownloadInBackground();
bool shouldIncludeSystemInformationForUpdates();
/*! The Info.plist's "ZRUpdaterURL", else the user default "updateURL". */
QString updateURL();
/*! The Info.plist's "ZRUpdaterDownloadWebsiteURL", or empty. */
QString updateDownloadWebsiteURL();

} // namespace ZRUpdaterPreferencesManager
