#pragma once

#include "Platform/Error.h"
#include "Platform/HttpSession.h"
#include "Platform/Progress.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

/*! Paging progress of the project search: once the page size and the total are known, each page's
    transfer joins as a child worth total / pageSize * 100 units, held between 0 and 10^9 whatever the
    server claims (no child for a page size of 0 or less). */
struct ZRJOperationProgress {
    std::shared_ptr<Platform::Progress> progress = std::make_shared<Platform::Progress>();
    std::optional<qint64> pageSize;
    std::optional<qint64> total;

    void addChildForOnePage(const std::shared_ptr<Platform::Progress>& child);
};

/*! The base of every Jira request: the shared session, the Jira prefix, and the request building and
    answer checking that all operations have in common. Operations live in the manager's set of running
    operations until their answer has been handed on. GUI thread only. */
class ZRJOperation : public std::enable_shared_from_this<ZRJOperation> {
public:
    using JSONObjectCompletion =
        std::function<void(const std::optional<QJsonObject>&, const Platform::OptionalError&)>;
    using JSONArrayCompletion =
        std::function<void(const std::optional<QJsonArray>&, const Platform::OptionalError&)>;

    explicit ZRJOperation(Platform::HttpSession& sessionManager);
    virtual ~ZRJOperation();
    ZRJOperation(const ZRJOperation&) = delete;
    ZRJOperation& operator=(const ZRJOperation&) = delete;

    Platform::HttpSession& sessionManager() const { return m_sessionManager; }
    const QString& jiraURL() const { return m_jiraURL; }
    /*! The task most recently started by this operation. */
    const std::shared_ptr<Platform::HttpTask>& dataTask() const { return m_dataTask; }
    const std::optional<QString>& accessToken() const { return m_accessToken; }
    const std::optional<QString>& cloudID() const { return m_cloudID; }
    const std::optional<ZRJOperationProgress>& progress() const { return m_progress; }

    /*! The Jira prefix, the cloud id (percent-encoded as one path segment), "/rest/api/3" and the path, one
        slash between each. An empty URL when the cloud id cannot be a path segment; a request for it
        fails with requestError(). */
    QUrl url(const QString& path) const;
    /*! A GET of the URL with the bearer token and "Accept: application/json", 60 s timeout. */
    Platform::HttpRequest request(const QUrl& url) const;
    /*! Starts a task for the request; the handler runs on the GUI thread with the answer. A request whose
        URL could not be formed is not sent: the handler gets requestError() on a later turn. */
    void startDataTask(const Platform::HttpRequest& request, Platform::HttpTask::Completion handler);
    /*! The value as one percent-encoded path segment; nothing for a value that cannot be one (empty, "."
        or ".."). Every value a server sent goes into a path this way. */
    static std::optional<QString> pathComponent(const QString& value);
    /*! The error of a request that could not be formed from the values it was given. */
    static Platform::Error requestError();
    /*! Compact JSON of a string dictionary. */
    static QByteArray encodeJSON(const QHash<QString, QString>& dictionary);

protected:
    /*! The common answer: an error passes through unchanged, a value of the expected type is handed on,
        anything else is logged as "Wrong response type: " and becomes the operation's error text. */
    static void deliverObject(const QJsonValue& responseObject, const Platform::OptionalError& error,
                              const QString& errorText, const JSONObjectCompletion& completion);
    static void deliverArray(const QJsonValue& responseObject, const Platform::OptionalError& error,
                             const QString& errorText, const JSONArrayCompletion& completion);
    /*! The error of a 401 that says the token lacks a scope ("scope does not match") names the scopes the
        request needs; any other error is left as it is. */
    static Platform::OptionalError namingMissingScopes(const Platform::OptionalError& error,
                                                       const QStringList& scopes);
    /*! Logs the wrong response and gives the operation's error. */
    static Platform::Error wrongResponseType(const QJsonValue& responseObject, const QString& errorText);
    /*! The Jira prefix, the cloud id as one path segment, and the path (its own values already encoded);
        an empty URL when the cloud id cannot be a path segment. Fatal only when the prefix itself does not
        form a URL. */
    QUrl siteURL(const QString& cloudID, const QString& path) const;
    /*! A GET of the URL with the common headers and the query items, percent-encoded ("+" as %2B, except
        the search text "+" of a "query" item, which stays a literal "+"). */
    Platform::HttpRequest searchRequest(const QString& accessToken, const QUrl& url,
                                        const QList<QPair<QString, QString>>& queryItems) const;

    std::optional<QString> m_accessToken;
    std::optional<QString> m_cloudID;
    std::optional<ZRJOperationProgress> m_progress;

private:
    Platform::HttpSession& m_sessionManager;
    QString m_jiraURL;
    std::shared_ptr<Platform::HttpTask> m_dataTask;
};
