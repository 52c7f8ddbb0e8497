#pragma once

#include "ZRJira/FetchTokenResponse.h"
#include "ZRJira/ZRJOperation.h"

/*! The token endpoint: exchanges an authorization code for tokens, or a refresh token for new ones. */
class ZRJGetAuthTokenOperation final : public ZRJOperation {
public:
    /*! Either all four token values, or nothing and the error. */
    using TokenCompletion = std::function<void(const std::optional<FetchTokenResponse>& response,
                                               const Platform::OptionalError& error)>;

    using ZRJOperation::ZRJOperation;

    void fetchToken(const QString& code, TokenCompletion completion);
    void refreshExpiredToken(const QString& refreshToken, TokenCompletion completion);

private:
    QUrl oauthURL();
    void post(const QHash<QString, QString>& body, TokenCompletion completion);
    void handleTokenReponse(const std::optional<Platform::HttpResponse>& response,
                            const QJsonValue& responseObject, const Platform::OptionalError& error,
                            const TokenCompletion& completion);

    std::optional<QUrl> m_oauthURL;
};
