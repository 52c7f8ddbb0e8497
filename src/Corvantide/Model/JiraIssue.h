#pragma once

#include <QDateTime>
#include <QIcon>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <optional>

/*! One issue of a Jira search result: its identity, its raw "fields" and what the menu, the issue list
    and the advanced filters read from them. Immutable once made. */
class JiraIssue {
public:
    /*! Nothing when the JSON has no string "id" or "key". baseURL is the site's URL without a trailing
        slash; the issue's browse page is baseURL + "/browse/" + key. */
    static std::optional<JiraIssue> create(const QString& cloudID, const std::optional<QString>& baseURL,
                                           const QString& projectName, const QJsonObject& json);

    const QString& cloudID() const { return m_cloudID; }
    const QString& identifier() const { return m_identifier; }
    const QString& key() const { return m_key; }
    const QString& projectName() const { return m_projectName; }
    const QJsonObject& fields() const { return m_fields; }
    /*! Only for an http or https base URL. Made on first use: most issues are never opened. */
    const std::optional<QUrl>& url() const;

    std::optional<QString> summary() const;
    std::optional<QJsonObject> assigneeDict() const;
    std::optional<QString> assigneeAccountID() const;
    std::optional<QString> assigneeDisplayName() const;
    std::optional<QJsonObject> creatorDict() const;
    std::optional<QString> creatorDisplayName() const;
    /*! "created" as an ISO 8601 date-time with fractional seconds; nothing for any other form. */
    std::optional<QDateTime> createdDate() const;
    std::optional<QJsonObject> statusDict() const;
    std::optional<QString> statusName() const;
    std::optional<QString> statusCategoryName() const;
    std::optional<QString> statusCategoryKey() const;

    /*! The key, a blank and the summary (the key and a blank without one). */
    QString menuItemTitle() const;
    /*! The status icon's address: "status" -> "iconUrl" when it is an http or https URL with a host. */
    std::optional<QUrl> menuItemImageURL() const;
    /*! The status image's name in the application's mapping. */
    std::optional<QString> menuItemImageName() const;
    /*! The status image from Resources/images; a null icon when there is none. */
    QIcon menuItemImage() const;

    /*! Negative, zero or positive as this issue sorts before, with or after the other by status: by
        category order (new, indeterminate, done) when both have one of these, otherwise by category name,
        status name or key, case-insensitively. */
    int compareByJiraStatus(const JiraIssue& other) const;
    /*! Whether the text (case-insensitively) is part of the key, the summary or the assignee's name. */
    bool matchesString(const QString& searchText) const;

    /*! The issues in status order, stably (equal ones keep their order). */
    static QList<JiraIssue> sortedByJiraStatus(const QList<JiraIssue>& issues);

    /*! The value at a key path for predicates and tables: every property above by name ("key",
        "statusName", "createdDate", ...), and dotted paths into the dictionaries ("fields.priority.name",
        "statusDict.statusCategory.key"). No value is an invalid QVariant. */
    QVariant value(const QString& keyPath) const;

private:
    /*! What the status order compares: the category's rank when it is one of the three, and the text
        compared otherwise. */
    struct StatusSortKey {
        std::optional<int> order;
        QString text;
    };

    JiraIssue() = default;
    StatusSortKey statusSortKey() const;
    static int compare(const StatusSortKey& a, const StatusSortKey& b);

    QString m_cloudID;
    QString m_identifier;
    QString m_key;
    QString m_projectName;
    QJsonObject m_fields;
    std::optional<QString> m_baseURL;
    mutable std::optional<std::optional<QUrl>> m_url;
};
