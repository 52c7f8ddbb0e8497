#pragma once

#include "ZRJira/ZRJAccount.h"

#include <QJsonObject>

#include <optional>

/*! The token endpoint's answer as the client hands it on: both tokens, the expiry instant and the scope.
    Only the client creates it, and only when all four values came back. */
class FetchTokenResponse final : public ZRJAccount {
public:
    FetchTokenResponse(QString accessToken, QString refreshToken, QDateTime expires, QString scope);

    QString accessToken() const override { return m_accessToken; }
    QString refreshToken() const override { return m_refreshToken; }
    QDateTime expires() const override { return m_expires; }
    QString scope() const override { return m_scope; }

    /*! Keys "accessToken", "refreshToken", "expires" (seconds since 2001-01-01 UTC) and "scope". */
    QJsonObject toJson() const;
    /*! All four keys are required, with the types toJson() writes; anything else gives nothing. */
    static std::optional<FetchTokenResponse> fromJson(const QJsonObject& json);

    bool operator==(const FetchTokenResponse& other) const;

private:
    QString m_accessToken;
    QString m_refreshToken;
    QDateTime m_expires;
    QString m_scope;
};
