#pragma once

#include "Platform/Error.h"
#include "Platform/HttpSession.h"
#include "Platform/Progress.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

/*! Paging progress of the project search: once the page size and the total are known, each page's
    transfer joins as a child worth total / pageSize * 100 units. */
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

    /*! The Jira prefix, the cloud id, "/rest/api/3" and the path, one slash between each. */
    QUrl url(const QString& path) const;
    /*! A GET of the URL with the bearer token and "Accept: application/json", 60 s timeout. */
    Platform::HttpRequest request(const QUrl& url) const;
    /*! Starts a task for the request; the handler runs on the GUI thread with the answer. */
    void startDataTask(const Platform::HttpRequest& request, Platform::HttpTask::Completion handler);
    /*! Compact JSON of a string dictionary. */
    static QByteArray encodeJSON(const QHash<QString, QString>& dictionary);

protected:
    /*! The common answer: an error passes through unchanged, a value of the expected type is handed on,
        anything else is logged as "Wrong response type: " and becomes the operation's error text. */
    static void deliverObject(const QJsonValue& responseObject, const Platform::OptionalError& error,
                              const QString& errorText, const JSONObjectCompletion& completion);
    static void deliverArray(const QJsonValue& responseObject, const Platform::OptionalError& error,
                             const QString& errorText, const JSONArrayCompletion& completion);
    /*! Logs the wrong response and gives the operation's error. */
    static Platform::Error wrongResponseType(const QJsonValue& responseObject, const QString& errorText);
    /*! A GET of a text URL with the common headers and query items, for the searches that build their
        URL themselves; fatal when the text does not form a URL. */
    Platform::HttpRequest searchRequest(const QString& accessToken, const QString& urlText,
                                        const QList<QPair<QString, QString>>& queryItems) const;

    std::optional<QString> m_accessToken;
    std::optional<QString> m_cloudID;
    std::optional<ZRJOperationProgress> m_progress;

private:
    Platform::HttpSession& m_sessionManager;
    QString m_jiraURL;
    std::shared_ptr<Platform::HttpTask> m_dataTask;
};
