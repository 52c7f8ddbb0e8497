#include "ZRJira/ZRJRestOperations.h"

#include "ZRJira/ZRJEndpoints.h"

#include "Platform/MainThread.h"

#include <QCoreApplication>

namespace {

QString resourcesErrorText() {
    return QCoreApplication::translate("ZRJOperation", "Could not download Jira resources.");
}

} // namespace

void ZRJGetAccessibleResourcesOperation::getAccessibleResources(const QString& accessToken,
                                                                JSONArrayCompletion completion) {
    const QUrl url(ZRJEndpoints::apiGatewayBaseURL().toString() +
                       QStringLiteral("/oauth/token/accessible-resources"),
                   QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        Platform::fatalError(QStringLiteral("could not create accessible-resources url"));
    Platform::HttpRequest request;
    request.url = url;
    request.timeoutMs = 60000;
    request.setHeader("Authorization", "Bearer " + accessToken.toUtf8());
    startDataTask(request, [completion = std::move(completion)](const auto&, const QJsonValue& object,
                                                                const Platform::OptionalError& error) {
        deliverArray(object, error, resourcesErrorText(), completion);
    });
}

void ZRJGetCurrentUserOperation::getCurrentUser(const QString& accessToken, const QString& cloudID,
                                                JSONObjectCompletion completion) {
    m_accessToken = accessToken;
    m_cloudID = cloudID;
    Platform::HttpRequest request = this->request(url(QStringLiteral("/myself")));
    request.setHeader("Authorization", "Bearer " + accessToken.toUtf8());
    startDataTask(request, [completion = std::move(completion)](const auto&, const QJsonValue& object,
                                                                const Platform::OptionalError& error) {
        deliverObject(object, error,
                      QCoreApplication::translate("ZRJOperation", "Could not download current user."),
                      completion);
    });
}

void ZRJSearchForBoardsOperation::getBoards(const QString& accessToken, const QString& cloudID,
                                            const std::optional<QString>& projectIDOrKey,
                                            JSONObjectCompletion completion) {
    QList<QPair<QString, QString>> items{{QStringLiteral("query"), QStringLiteral("+")},
                                         {QStringLiteral("maxResults"), QStringLiteral("1000")}};
    QStringList scopes{QStringLiteral("read:board-scope:jira-software")};
    if (projectIDOrKey) {
        items.append({QStringLiteral("projectKeyOrId"), *projectIDOrKey});
        scopes.append(QStringLiteral("read:project:jira"));
    }
    startDataTask(
        searchRequest(accessToken, siteURL(cloudID, QStringLiteral("/rest/agile/1.0/board")), items),
        [completion = std::move(completion), scopes](const auto&, const QJsonValue& object,
                                                     const Platform::OptionalError& error) {
            deliverObject(object, namingMissingScopes(error, scopes), resourcesErrorText(), completion);
        });
}

void ZRJSearchForSprintsOperation::getSprintsForBoard(const QString& accessToken, const QString& cloudID,
                                                      const QString& boardID,
                                                      JSONObjectCompletion completion) {
    const std::optional<QString> board = pathComponent(boardID);
    const QUrl url =
        board
            ? siteURL(cloudID, QStringLiteral("/rest/agile/1.0/board/") + *board + QStringLiteral("/sprint"))
            : QUrl();
    startDataTask(searchRequest(accessToken, url,
                                {{QStringLiteral("query"), QStringLiteral("+")},
                                 {QStringLiteral("maxResults"), QStringLiteral("1000")}}),
                  [completion = std::move(completion)](const auto&, const QJsonValue& object,
                                                       const Platform::OptionalError& error) {
                      deliverObject(object,
                                    namingMissingScopes(error, {QStringLiteral("read:sprint:jira-software")}),
                                    resourcesErrorText(), completion);
                  });
}

void ZRJSearchForUsersOperation::getAllUsers(const QString& accessToken, const QString& cloudID,
                                             JSONArrayCompletion completion) {
    startDataTask(searchRequest(accessToken, siteURL(cloudID, QStringLiteral("/rest/api/3/user/search")),
                                {{QStringLiteral("query"), QStringLiteral("+")},
                                 {QStringLiteral("maxResults"), QStringLiteral("1000")}}),
                  [completion = std::move(completion)](const auto&, const QJsonValue& object,
                                                       const Platform::OptionalError& error) {
                      deliverArray(object, error, resourcesErrorText(), completion);
                  });
}
