#include "Model/JiraIssue.h"

#include "Model/JSONValue.h"
#include "Model/KeyValueCoding.h"
#include "Model/StableSort.h"
#include "Model/StateMapping.h"
#include "Platform/Bundle.h"
#include "ZRJira/ZRJJSONUtilities.h"

#include <array>

namespace {

/*! The status-category keys in the order issues are sorted by. */
std::optional<int> statusTypeOrder(const std::optional<QString>& categoryKey) {
    static const std::array<QString, 3> order{QStringLiteral("new"), QStringLiteral("indeterminate"),
                                              QStringLiteral("done")};
    if (!categoryKey)
        return std::nullopt;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == *categoryKey)
            return int(i);
    }
    return std::nullopt;
}

std::optional<QString> stringIn(const std::optional<QJsonObject>& object, const QString& key) {
    return object ? JSONValue::string(*object, key) : std::nullopt;
}

std::optional<QUrl> browseURL(const std::optional<QString>& baseURL, const QString& key) {
    if (!baseURL)
        return std::nullopt;
    const QUrl url(*baseURL + QStringLiteral("/browse/") + key, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace

std::optional<JiraIssue> JiraIssue::create(const QString& cloudID, const std::optional<QString>& baseURL,
                                           const QString& projectName, const QJsonObject& json) {
    const std::optional<QString> identifier = JSONValue::string(json, QStringLiteral("id"));
    const std::optional<QString> key = JSONValue::string(json, QStringLiteral("key"));
    if (!identifier || !key)
        return std::nullopt;
    JiraIssue issue;
    issue.m_cloudID = cloudID;
    issue.m_identifier = *identifier;
    issue.m_key = *key;
    issue.m_projectName = projectName;
    issue.m_fields = JSONValue::object(json, QStringLiteral("fields")).value_or(QJsonObject());
    issue.m_baseURL = baseURL;
    return issue;
}

const std::optional<QUrl>& JiraIssue::url() const {
    if (!m_url)
        m_url = browseURL(m_baseURL, m_key);
    return *m_url;
}

std::optional<QString> JiraIssue::summary() const {
    return JSONValue::string(m_fields, QStringLiteral("summary"));
}
std::optional<QJsonObject> JiraIssue::assigneeDict() const {
    return JSONValue::object(m_fields, QStringLiteral("assignee"));
}
std::optional<QString> JiraIssue::assigneeAccountID() const {
    return stringIn(assigneeDict(), QStringLiteral("accountId"));
}
std::optional<QString> JiraIssue::assigneeDisplayName() const {
    return stringIn(assigneeDict(), QStringLiteral("displayName"));
}
std::optional<QJsonObject> JiraIssue::creatorDict() const {
    return JSONValue::object(m_fields, QStringLiteral("creator"));
}
std::optional<QString> JiraIssue::creatorDisplayName() const {
    return stringIn(creatorDict(), QStringLiteral("displayName"));
}
std::optional<QDateTime> JiraIssue::createdDate() const {
    const std::optional<QString> created = JSONValue::string(m_fields, QStringLiteral("created"));
    return created ? ZRJJSONUtilities::dateFromString(*created) : std::nullopt;
}
std::optional<QJsonObject> JiraIssue::statusDict() const {
    return JSONValue::object(m_fields, QStringLiteral("status"));
}
std::optional<QString> JiraIssue::statusName() const {
    return stringIn(statusDict(), QStringLiteral("name"));
}
std::optional<QString> JiraIssue::statusCategoryName() const {
    const std::optional<QJsonObject> status = statusDict();
    return stringIn(status ? JSONValue::object(*status, QStringLiteral("statusCategory")) : std::nullopt,
                    QStringLiteral("name"));
}
std::optional<QString> JiraIssue::statusCategoryKey() const {
    const std::optional<QJsonObject> status = statusDict();
    return stringIn(status ? JSONValue::object(*status, QStringLiteral("statusCategory")) : std::nullopt,
                    QStringLiteral("key"));
}

QString JiraIssue::menuItemTitle() const {
    return m_key + QLatin1Char(' ') + summary().value_or(QString());
}

std::optional<QUrl> JiraIssue::menuItemImageURL() const {
    const std::optional<QString> icon = stringIn(statusDict(), QStringLiteral("iconUrl"));
    if (!icon)
        return std::nullopt;
    // The address comes from the server and is fetched as an image: only the web, never a local file
    // or another scheme that the network layer would also read.
    const QUrl url(*icon, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return std::nullopt;
    return url;
}

std::optional<QString> JiraIssue::menuItemImageName() const {
    const std::optional<StateMapping>& mapping = StateMapping::application();
    if (!mapping)
        return std::nullopt;
    return mapping->imageName(statusName(), statusCategoryKey());
}

QIcon JiraIssue::menuItemImage() const {
    const std::optional<QString> name = menuItemImageName();
    if (!name)
        return QIcon();
    const QString path = Platform::Bundle::mainBundle().pathForResource(QStringLiteral("images/") + *name,
                                                                        QStringLiteral("svg"));
    return path.isNull() ? QIcon() : QIcon(path);
}

JiraIssue::StatusSortKey JiraIssue::statusSortKey() const {
    // One walk through the status object serves the category's key and name and the status name.
    const std::optional<QJsonObject> status = statusDict();
    const std::optional<QJsonObject> category =
        status ? JSONValue::object(*status, QStringLiteral("statusCategory")) : std::nullopt;
    StatusSortKey key{statusTypeOrder(stringIn(category, QStringLiteral("key"))), QString()};
    if (const std::optional<QString> categoryName = stringIn(category, QStringLiteral("name")))
        key.text = *categoryName;
    else
        key.text = stringIn(status, QStringLiteral("name")).value_or(m_key);
    return key;
}

int JiraIssue::compare(const StatusSortKey& a, const StatusSortKey& b) {
    if (a.order && b.order)
        return *a.order < *b.order ? -1 : (*a.order > *b.order ? 1 : 0);
    const int result = a.text.compare(b.text, Qt::CaseInsensitive);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int JiraIssue::compareByJiraStatus(const JiraIssue& other) const {
    return compare(statusSortKey(), other.statusSortKey());
}

bool JiraIssue::matchesString(const QString& searchText) const {
    const QString needle = searchText.toLower();
    if (m_key.toLower().contains(needle))
        return true;
    if (const std::optional<QString> text = summary(); text && text->toLower().contains(needle))
        return true;
    const std::optional<QString> assignee = assigneeDisplayName();
    return assignee && assignee->toLower().contains(needle);
}

QList<JiraIssue> JiraIssue::sortedByJiraStatus(const QList<JiraIssue>& issues) {
    // Each issue's key is read from its JSON once, not once per comparison.
    QList<StatusSortKey> keys;
    QList<qsizetype> order;
    keys.reserve(issues.size());
    order.reserve(issues.size());
    for (qsizetype i = 0; i < issues.size(); ++i) {
        keys.append(issues[i].statusSortKey());
        order.append(i);
    }
    order = stableSorted<qsizetype>(
        order, [&keys](const qsizetype& a, const qsizetype& b) { return compare(keys[a], keys[b]) < 0; });
    QList<JiraIssue> sorted;
    sorted.reserve(issues.size());
    for (const qsizetype index : order)
        sorted.append(issues[index]);
    return sorted;
}

QVariant JiraIssue::value(const QString& keyPath) const {
    using KeyValueCoding::optional;
    return KeyValueCoding::valueForKeyPath(keyPath, [this](const QString& key) -> QVariant {
        if (key == u"cloudID")
            return m_cloudID;
        if (key == u"identifier")
            return m_identifier;
        if (key == u"key")
            return m_key;
        if (key == u"projectName")
            return m_projectName;
        if (key == u"fields")
            return QVariant::fromValue(m_fields);
        if (key == u"url")
            return optional(url());
        if (key == u"summary")
            return optional(summary());
        if (key == u"assigneeDict")
            return optional(assigneeDict());
        if (key == u"assigneeAccountID")
            return optional(assigneeAccountID());
        if (key == u"assigneeDisplayName")
            return optional(assigneeDisplayName());
        if (key == u"creatorDict")
            return optional(creatorDict());
        if (key == u"creatorDisplayName")
            return optional(creatorDisplayName());
        if (key == u"createdDate")
            return optional(createdDate());
        if (key == u"statusDict")
            return optional(statusDict());
        if (key == u"statusName")
            return optional(statusName());
        if (key == u"statusCategoryName")
            return optional(statusCategoryName());
        if (key == u"statusCategoryKey")
            return optional(statusCategoryKey());
        if (key == u"menuItemTitle")
            return menuItemTitle();
        if (key == u"menuItemImageURL")
            return optional(menuItemImageURL());
        if (key == u"menuItemImageName")
            return optional(menuItemImageName());
        if (key == u"menuItemImage") {
            const QIcon image = menuItemImage();
            return image.isNull() ? QVariant() : QVariant::fromValue(image);
        }
        return {};
    });
}
