#include "UserDefaultsKeys.h"

#include "Platform/Bundle.h"
#include "Platform/MainThread.h"
#include "Platform/PropertyList.h"
#include "Platform/StringFormat.h"

#include <QCoreApplication>

#include <array>

namespace {

// The enumeration case whose raw value is value, or none.
template <typename Enum> std::optional<Enum> caseWithRawValue(const QList<Enum>& cases, qint64 value) {
    for (Enum candidate : cases)
        if (static_cast<qint64>(candidate) == value)
            return candidate;
    return std::nullopt;
}

} // namespace

namespace UserDefaultsKeys {

namespace {

constexpr std::array KeyNames{
    "selectedProjectID", "selectedIssueFilter",    "jiraClientSecret",          "jiraClientID",
    "jiraCallbackURL",   "selectedPreferencesTab", "useMenuItemImagesFromJira", "updateIssuesIntervalMinutes",
    "orderIssuesType",   "hideDockIcon",
};
static_assert(KeyNames.size() == static_cast<size_t>(Key::hideDockIcon) + 1, "one name per key");

} // namespace

QString rawValue(Key key) {
    return QString::fromLatin1(KeyNames.at(static_cast<size_t>(key)));
}

QList<Key> allKeys() {
    QList<Key> keys;
    for (size_t i = 0; i < KeyNames.size(); ++i)
        keys.append(static_cast<Key>(i));
    return keys;
}

void set(const QVariant& value, Key key, Platform::UserDefaults& defaults) {
    defaults.setValue(rawValue(key), value);
}

void set(qint64 value, Key key, Platform::UserDefaults& defaults) {
    defaults.setValue(rawValue(key), value);
}

std::optional<QString> string(Key key, const Platform::UserDefaults& defaults) {
    return defaults.string(rawValue(key));
}

qint64 integer(Key key, const Platform::UserDefaults& defaults) {
    return defaults.integer(rawValue(key));
}

bool boolean(Key key, const Platform::UserDefaults& defaults) {
    return defaults.boolean(rawValue(key));
}

std::optional<QDateTime> date(Key key, const Platform::UserDefaults& defaults) {
    return defaults.date(rawValue(key));
}

void registerStandardDefaults(Platform::UserDefaults& defaults) {
    Platform::assertMainThread();
    const QString path =
        Platform::Bundle::mainBundle().pathForResource(QStringLiteral("defaults"), QStringLiteral("plist"));
    // A property-list dictionary has string keys by construction, so "not a dictionary" covers both cases.
    const std::optional<QVariantMap> registered =
        path.isEmpty() ? std::nullopt : Platform::PropertyList::readDictionaryFile(path);
    if (!registered)
        Platform::fatalError(QStringLiteral("couldn't find defaults.plist"));
    defaults.registerDefaults(*registered);
}

} // namespace UserDefaultsKeys

namespace IssuesUpdateInterval {

QList<IssuesUpdateIntervalMinutes> allCases() {
    return {IssuesUpdateIntervalMinutes::fiveMinutes,   IssuesUpdateIntervalMinutes::fifteenMinutes,
            IssuesUpdateIntervalMinutes::thirtyMinutes, IssuesUpdateIntervalMinutes::oneHour,
            IssuesUpdateIntervalMinutes::twoHours,      IssuesUpdateIntervalMinutes::sixHours,
            IssuesUpdateIntervalMinutes::twelveHours};
}

std::optional<IssuesUpdateIntervalMinutes> fromRawValue(qint64 minutes) {
    return caseWithRawValue(allCases(), minutes);
}

double timeInterval(IssuesUpdateIntervalMinutes interval) {
    return static_cast<int>(interval) * 60.0;
}

QString localizedPopupString(IssuesUpdateIntervalMinutes interval) {
    const int minutes = static_cast<int>(interval);
    if (minutes <= 60)
        return Platform::stringWithFormat(
            QCoreApplication::translate("UserDefaultsKeys", "Every %d minutes", "update interval"), minutes);
    return Platform::stringWithFormat(
        QCoreApplication::translate("UserDefaultsKeys", "Every %d hours", "update interval"), minutes / 60);
}

} // namespace IssuesUpdateInterval

double issuesUpdateTimeInterval(const Platform::UserDefaults& defaults) {
    const auto interval = IssuesUpdateInterval::fromRawValue(
        UserDefaultsKeys::integer(UserDefaultsKeys::Key::updateIssuesIntervalMinutes, defaults));
    return IssuesUpdateInterval::timeInterval(interval.value_or(IssuesUpdateIntervalMinutes::fifteenMinutes));
}

namespace IssuesOrder {

QList<IssuesOrderType> allCases() {
    return {IssuesOrderType::byKey, IssuesOrderType::byStatus};
}

std::optional<IssuesOrderType> fromRawValue(qint64 value) {
    return caseWithRawValue(allCases(), value);
}

QString localizedPopupString(IssuesOrderType order) {
    switch (order) {
    case IssuesOrderType::byKey:
        return QCoreApplication::translate("UserDefaultsKeys", "By Key", "update interval");
    case IssuesOrderType::byStatus:
        break;
    }
    return QCoreApplication::translate("UserDefaultsKeys", "By Status", "update interval");
}

} // namespace IssuesOrder
