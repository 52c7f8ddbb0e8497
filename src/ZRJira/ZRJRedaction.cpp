#include "ZRJira/ZRJRedaction.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrlQuery>

namespace ZRJRedaction {

namespace {

const QString& redactionMark() {
    static const QString mark = QStringLiteral("<redacted>");
    return mark;
}

bool isSecretKey(const QString& key) {
    static const QStringList keys{QStringLiteral("access_token"), QStringLiteral("refresh_token"),
                                  QStringLiteral("id_token"),     QStringLiteral("client_secret"),
                                  QStringLiteral("code"),         QStringLiteral("accessToken"),
                                  QStringLiteral("refreshToken")};
    return keys.contains(key, Qt::CaseInsensitive);
}

QString redactedQuery(const QString& encodedQuery) {
    QUrlQuery query(encodedQuery);
    QList<QPair<QString, QString>> items = query.queryItems(QUrl::FullyEncoded);
    for (auto& [key, value] : items)
        if (isSecretKey(QUrl::fromPercentEncoding(key.toUtf8())))
            value = redactionMark();
    QUrlQuery cleaned;
    cleaned.setQueryItems(items);
    return cleaned.query(QUrl::FullyEncoded);
}

} // namespace

QJsonValue redacted(const QJsonValue& value) {
    if (value.isObject()) {
        QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            it.value() = isSecretKey(it.key()) ? QJsonValue(redactionMark()) : redacted(it.value());
        return object;
    }
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue& element : value.toArray())
            array.append(redacted(element));
        return array;
    }
    return value;
}

QString printedForm(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Undefined:
        return QStringLiteral("nil");
    case QJsonValue::Null:
        return QStringLiteral("<null>");
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(redacted(value).toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(redacted(value).toArray()).toJson(QJsonDocument::Compact));
    default:
        return value.toVariant().toString();
    }
}

std::optional<QString> redactedBody(const QByteArray& body) {
    if (body.isEmpty())
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error == QJsonParseError::NoError)
        return printedForm(document.isObject() ? QJsonValue(document.object())
                                               : QJsonValue(document.array()));
    static const QRegularExpression formLike(
        QStringLiteral(R"(^[^\s{}"<>]+=[^\s{}"<>]*(&[^\s{}"<>]+=[^\s{}"<>]*)*$)"));
    if (formLike.match(text).hasMatch())
        return redactedQuery(text);
    // Anything else (broken JSON, HTML): mask every "key": value or key=value pair of a secret key.
    static const QRegularExpression pair(
        QStringLiteral(
            R"re(((?:access_token|refresh_token|id_token|client_secret|code|accessToken|refreshToken)["']?\s*[:=]\s*["']?)([^"'&\s,;}<]+))re"),
        QRegularExpression::CaseInsensitiveOption);
    QString masked = text;
    masked.replace(pair, QStringLiteral("\\1") + redactionMark());
    return masked;
}

QString redactedURL(const QUrl& url) {
    if (!url.hasQuery())
        return url.toString();
    QUrl copy = url;
    copy.setQuery(redactedQuery(url.query(QUrl::FullyEncoded)), QUrl::StrictMode);
    return copy.toString();
}

Platform::Error redactedError(const Platform::Error& error) {
    if (!error.userInfo().contains(Platform::Error::HttpBodyKey))
        return error;
    Platform::Error copy = error;
    // A body that cannot be read for redaction is not handed on at all.
    const std::optional<QString> body = redactedBody(error.httpBody());
    copy.setUserInfoValue(Platform::Error::HttpBodyKey, body ? body->toUtf8() : QByteArray());
    return copy;
}

} // namespace ZRJRedaction
