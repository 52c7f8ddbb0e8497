#include "ZRJira/ZRJGetAuthTokenOperation.h"

#include "ZRJira/ZRJConnector.h"
#include "ZRJira/ZRJEndpoints.h"
#include "ZRJira/ZRJJSONUtilities.h"
#include "ZRJira/ZRJRedaction.h"

#include "Platform/Clock.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRError.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ZRJGetAuthTokenOperation", text);
}

} // namespace

QUrl ZRJGetAuthTokenOperation::oauthURL() {
    if (!m_oauthURL) {
        const QUrl url(ZRJEndpoints::authorizationServerBaseURL().toString() + QStringLiteral("/oauth/token"),
                       QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty())
            Platform::fatalError(QStringLiteral("could not create oauth url"));
        m_oauthURL = url;
    }
    return *m_oauthURL;
}

void ZRJGetAuthTokenOperation::fetchToken(const QString& code, TokenCompletion completion) {
    post({{QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
          {QStringLiteral("client_id"), ZRJConnector::clientID()},
          {QStringLiteral("client_secret"), ZRJConnector::clientSecret()},
          {QStringLiteral("code"), code},
          {QStringLiteral("redirect_uri"), ZRJConnector::callbackURL()}},
         std::move(completion));
}

void ZRJGetAuthTokenOperation::refreshExpiredToken(const QString& refreshToken, TokenCompletion completion) {
    post({{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
          {QStringLiteral("client_id"), ZRJConnector::clientID()},
          {QStringLiteral("client_secret"), ZRJConnector::clientSecret()},
          {QStringLiteral("refresh_token"), refreshToken}},
         std::move(completion));
}

void ZRJGetAuthTokenOperation::post(const QHash<QString, QString>& body, TokenCompletion completion) {
    Platform::HttpRequest request;
    request.method = "POST";
    request.url = oauthURL();
    request.timeoutMs = 60000;
    request.setHeader("Content-Type", "application/json");
    request.body = encodeJSON(body);
    const std::weak_ptr<ZRJOperation> weakSelf = weak_from_this();
    startDataTask(request, [weakSelf, completion = std::move(completion)](
                               const std::optional<Platform::HttpResponse>& response,
                               const QJsonValue& responseObject, const Platform::OptionalError& error) {
        const auto self = std::static_pointer_cast<ZRJGetAuthTokenOperation>(weakSelf.lock());
        if (self)
            self->handleTokenReponse(response, responseObject, error, completion);
    });
}

void ZRJGetAuthTokenOperation::handleTokenReponse(const std::optional<Platform::HttpResponse>& response,
                                                  const QJsonValue& responseObject,
                                                  const Platform::OptionalError& error,
                                                  const TokenCompletion& completion) {
    // A token answer's body may hold live tokens: it reaches the application redacted, as in the log.
    if (error) {
        completion(std::nullopt, ZRJRedaction::redactedError(*error));
        return;
    }
    const QString responseDescription = response ? response->description() : QStringLiteral("nil");
    const auto fail = [&](const QString& logPrefix, const QString& errorText) {
        Platform::SystemLog::log(
            logPrefix + Platform::SystemLog::escaped(responseDescription) + QStringLiteral("\nobject: ") +
            Platform::SystemLog::escaped(ZRJRedaction::printedForm(responseObject)) + QStringLiteral(")"));
        completion(std::nullopt, ZRError::zr_errorWithLocalizedDescription(errorText));
    };
    if (!responseObject.isObject()) {
        fail(QStringLiteral("Unknown responseObject while fetching auth token: "),
             tr("Could not download Jira authentication token, missing response data."));
        return;
    }
    const QJsonObject object = responseObject.toObject();
    const QJsonValue accessToken = object.value(QStringLiteral("access_token"));
    const QJsonValue refreshToken = object.value(QStringLiteral("refresh_token"));
    const QJsonValue scope = object.value(QStringLiteral("scope"));
    const QJsonValue expiresIn = object.value(QStringLiteral("expires_in"));
    if (object.isEmpty() || !accessToken.isString()) {
        fail(QStringLiteral("No accessToken returned for fetch auth token: "),
             tr("Could not download Jira authentication token, missing access token."));
        return;
    }
    if (!refreshToken.isString()) {
        fail(QStringLiteral("No refreshToken returned for fetch auth token: "),
             tr("Could not download Jira authentication token, missing refresh token."));
        return;
    }
    if (!scope.isString()) {
        fail(QStringLiteral("No scope returned for fetch auth token: "),
             tr("Could not download Jira authentication token, missing scope."));
        return;
    }
    // Tokens live for an hour; a lifetime beyond a century is no expiry that an account can keep.
    constexpr qint64 LongestLifetime = 100LL * 365 * 24 * 60 * 60;
    const std::optional<qint64> seconds = ZRJJSONUtilities::integerValue(expiresIn);
    if (!seconds || *seconds > LongestLifetime || *seconds < -LongestLifetime) {
        fail(QStringLiteral("No expires_in returned for fetch auth token: "),
             tr("Could not download Jira authentication token, missing expiration time."));
        return;
    }
    completion(FetchTokenResponse(accessToken.toString(), refreshToken.toString(),
                                  Platform::Clock::now().addSecs(*seconds), scope.toString()),
               std::nullopt);
}
