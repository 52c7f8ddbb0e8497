#pragma once

#include "Platform/UserDefaults.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

/*! The application's settings keys and their typed accessors on a defaults store (the standard one unless
    given), the registration of defaults.plist, and the two enumerations of the General pane's pop-ups. */
namespace UserDefaultsKeys {

/*! Each key is stored under its own name (rawValue). */
enum class Key {
    selectedProjectID,
    selectedIssueFilter,
    jiraClientSecret,
    jiraClientID,
    jiraCallbackURL,
    selectedPreferencesTab,
    useMenuItemImagesFromJira,
    updateIssuesIntervalMinutes,
    orderIssuesType,
    hideDockIcon,
};

QString rawValue(Key key);
/*! Every key in declaration order. */
QList<Key> allKeys();

// Keys the application reads without going through Key.
inline const QString UseCustomFilter = QStringLiteral("useCustomFilter");
inline const QString CustomIssueFilter = QStringLiteral("customIssueFilter");
inline const QString SkippedFirstLaunchForUpdateCheck = QStringLiteral("skippedFirstLaunchForUpdateCheck");
inline const QString SentryEnableAppHangTracking = QStringLiteral("sentryEnableAppHangTracking");
inline const QString SentryEnableNetworkBreadcrumbs = QStringLiteral("sentryEnableNetworkBreadcrumbs");
inline const QString LogLevel = QStringLiteral("logLevel");

/*! Stores the value; an invalid (no) value removes the key's stored value. */
void set(const QVariant& value, Key key,
         Platform::UserDefaults& defaults = Platform::UserDefaults::standard());
void set(qint64 value, Key key, Platform::UserDefaults& defaults = Platform::UserDefaults::standard());
std::optional<QString> string(Key key,
                              const Platform::UserDefaults& defaults = Platform::UserDefaults::standard());
/*! 0 when nothing is stored or registered. */
qint64 integer(Key key, const Platform::UserDefaults& defaults = Platform::UserDefaults::standard());
/*! false when nothing is stored or registered. */
bool boolean(Key key, const Platform::UserDefaults& defaults = Platform::UserDefaults::standard());
std::optional<QDateTime> date(Key key,
                              const Platform::UserDefaults& defaults = Platform::UserDefaults::standard());

/*! Registers Resources/defaults.plist of the main bundle as the store's registration domain. A missing
    file, or one that is not a dictionary with string keys, ends the process with "couldn't find
    defaults.plist". Called once, first thing at start-up. */
void registerStandardDefaults(Platform::UserDefaults& defaults = Platform::UserDefaults::standard());

} // namespace UserDefaultsKeys

/*! How often issues are downloaded, in minutes. */
enum class IssuesUpdateIntervalMinutes {
    fiveMinutes = 5,
    fifteenMinutes = 15,
    thirtyMinutes = 30,
    oneHour = 60,
    twoHours = 120,
    sixHours = 360,
    twelveHours = 720,
};

namespace IssuesUpdateInterval {
/*! 5, 15, 30, 60, 120, 360, 720 in that order. */
QList<IssuesUpdateIntervalMinutes> allCases();
/*! The case with that many minutes, or none. */
std::optional<IssuesUpdateIntervalMinutes> fromRawValue(qint64 minutes);
/*! Seconds. */
double timeInterval(IssuesUpdateIntervalMinutes interval);
/*! "Every %d minutes" up to an hour, "Every %d hours" above, localized. */
QString localizedPopupString(IssuesUpdateIntervalMinutes interval);
} // namespace IssuesUpdateInterval

/*! The issue download interval in seconds from "updateIssuesIntervalMinutes"; 900 when the stored value
    is not one of the intervals. */
double issuesUpdateTimeInterval(const Platform::UserDefaults& defaults = Platform::UserDefaults::standard());

/*! How issues are ordered. */
enum class IssuesOrderType { byKey = 0, byStatus = 1 };

namespace IssuesOrder {
QList<IssuesOrderType> allCases();
std::optional<IssuesOrderType> fromRawValue(qint64 value);
/*! "By Key" or "By Status", localized. */
QString localizedPopupString(IssuesOrderType order);
} // namespace IssuesOrder
