#include "ZRJira/ZRJOperation.h"

#include "ZRJira/ZRJEndpoints.h"
#include "ZRJira/ZRJRedaction.h"

#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRError.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QUrlQuery>

#include <algorithm>

namespace {

// The common form of a REST request: a GET with the bearer token, JSON accepted, the 60 s timeout.
Platform::HttpRequest bearerRequest(const QUrl& url, const QString& accessToken) {
    Platform::HttpRequest request;
    request.url = url;
    request.timeoutMs = 60000;
    request.setHeader("Authorization", "Bearer " + accessToken.toUtf8());
    request.setHeader("Accept", "application/json");
    return request;
}

} // namespace

void ZRJOperationProgress::addChildForOnePage(const std::shared_ptr<Platform::Progress>& child) {
    // A page size of 0 or less would make the share meaningless; such a page simply adds no child.
    if (!pageSize || !total || *pageSize <= 0)
        return;
    // Whatever the server claims, the share stays a number that converts to an integer.
    constexpr float LargestShare = 1e9f;
    const float share = static_cast<float>(*total) / static_cast<float>(*pageSize) * 100.0f;
    progress->addChild(child, static_cast<qint64>(std::clamp(share, 0.0f, LargestShare)));
}

ZRJOperation::ZRJOperation(Platform::HttpSession& sessionManager)
    : m_sessionManager(sessionManager)
    , m_jiraURL(ZRJEndpoints::jiraURL()) {}

ZRJOperation::~ZRJOperation() = default;

QUrl ZRJOperation::url(const QString& path) const {
    if (!m_cloudID)
        Platform::fatalError(QStringLiteral("need cloudID"));
    QString rest = path;
    while (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    return siteURL(*m_cloudID, QStringLiteral("/rest/api/3/") + rest);
}

QUrl ZRJOperation::siteURL(const QString& cloudID, const QString& path) const {
    QString prefix = m_jiraURL;
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    const QUrl base(prefix, QUrl::StrictMode);
    if (!base.isValid() || base.host().isEmpty())
        Platform::fatalError(QStringLiteral("could not create Jira url"));
    const std::optional<QString> segment = pathComponent(cloudID);
    if (!segment)
        return {};
    const QUrl url(prefix + QLatin1Char('/') + *segment + path, QUrl::StrictMode);
    if (!url.isValid())
        Platform::fatalError(QStringLiteral("could not create issue/search url"));
    return url;
}

std::optional<QString> ZRJOperation::pathComponent(const QString& value) {
    if (value.isEmpty() || value == QLatin1String(".") || value == QLatin1String(".."))
        return std::nullopt;
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

Platform::Error ZRJOperation::requestError() {
    return Platform::Error(
        Platform::HttpSession::URLErrorDomain, Platform::HttpSession::BadURL,
        QCoreApplication::translate("ZRJOperation",
                                    "The request could not be made from the values the server sent."));
}

Platform::HttpRequest ZRJOperation::request(const QUrl& url) const {
    if (!m_accessToken)
        Platform::fatalError(QStringLiteral("need accessToken"));
    return bearerRequest(url, *m_accessToken);
}

void ZRJOperation::startDataTask(const Platform::HttpRequest& request,
                                 Platform::HttpTask::Completion handler) {
    Platform::assertMainThread();
    if (!request.url.isValid() || request.url.host().isEmpty()) {
        Platform::SystemLog::log(QStringLiteral("not sending a request that could not be formed"));
        m_dataTask.reset();
        Platform::runOnMain([handler = std::move(handler)] {
            handler(std::nullopt, QJsonValue(QJsonValue::Undefined), requestError());
        });
        return;
    }
    m_dataTask = m_sessionManager.dataTask(request, std::move(handler));
    m_dataTask->resume();
}

QByteArray ZRJOperation::encodeJSON(const QHash<QString, QString>& dictionary) {
    QJsonObject object;
    for (auto it = dictionary.begin(); it != dictionary.end(); ++it)
        object.insert(it.key(), it.value());
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

Platform::Error ZRJOperation::wrongResponseType(const QJsonValue& responseObject, const QString& errorText) {
    Platform::SystemLog::log(QStringLiteral("Wrong response type: ") +
                             Platform::SystemLog::escaped(ZRJRedaction::printedForm(responseObject)));
    return ZRError::zr_errorWithLocalizedDescription(errorText);
}

Platform::OptionalError ZRJOperation::namingMissingScopes(const Platform::OptionalError& error,
                                                          const QStringList& scopes) {
    if (!error || error->httpStatus() != 401 ||
        !error->httpBody().contains(QByteArrayLiteral("scope does not match")))
        return error;
    return Platform::Error(
        error->domain(), error->code(),
        QCoreApplication::translate("ZRJOperation",
                                    "Jira refused the request because the sign-in lacks the scopes %1. Add "
                                    "them to the app's permissions and sign the account in again.")
            .arg(scopes.join(QStringLiteral(", "))),
        error->localizedRecoverySuggestion(), error->userInfo());
}

void ZRJOperation::deliverObject(const QJsonValue& responseObject, const Platform::OptionalError& error,
                                 const QString& errorText, const JSONObjectCompletion& completion) {
    if (error)
        completion(std::nullopt, error);
    else if (responseObject.isObject())
        completion(responseObject.toObject(), std::nullopt);
    else
        completion(std::nullopt, wrongResponseType(responseObject, errorText));
}

void ZRJOperation::deliverArray(const QJsonValue& responseObject, const Platform::OptionalError& error,
                                const QString& errorText, const JSONArrayCompletion& completion) {
    if (error) {
        completion(std::nullopt, error);
        return;
    }
    const QJsonArray array = responseObject.toArray();
    const bool allObjects =
        std::all_of(array.begin(), array.end(), [](const QJsonValue& v) { return v.isObject(); });
    if (responseObject.isArray() && allObjects)
        completion(array, std::nullopt);
    else
        completion(std::nullopt, wrongResponseType(responseObject, errorText));
}

Platform::HttpRequest ZRJOperation::searchRequest(const QString& accessToken, const QUrl& url,
                                                  const QList<QPair<QString, QString>>& queryItems) const {
    QUrl withQuery = url;
    if (withQuery.isValid()) {
        QUrlQuery query;
        for (const auto& [name, value] : queryItems) {
            // Jira reads a bare "+" in a query as a blank, so a "+" of a value travels encoded. The one
            // exception is the search text "+" itself, which asks for everything.
            const bool matchesEverything = name == QLatin1String("query") && value == QLatin1String("+");
            query.addQueryItem(QString::fromUtf8(QUrl::toPercentEncoding(name)),
                               matchesEverything ? value : QString::fromUtf8(QUrl::toPercentEncoding(value)));
        }
        withQuery.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
    }
    return bearerRequest(withQuery, accessToken);
}
