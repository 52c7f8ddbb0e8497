#include "ZRJira/ZRJRedaction.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QUrlQuery>

#include <optional>

namespace ZRJRedaction {

namespace {

const QString& redactionMark() {
    static const QString mark = QStringLiteral("<redacted>");
    return mark;
}

const QStringList& secretKeys() {
    static const QStringList keys{QStringLiteral("access_token"), QStringLiteral("refresh_token"),
                                  QStringLiteral("id_token"),     QStringLiteral("client_secret"),
                                  QStringLiteral("code"),         QStringLiteral("accessToken"),
                                  QStringLiteral("refreshToken")};
    return keys;
}

bool isSecretKey(const QString& key) {
    return secretKeys().contains(key, Qt::CaseInsensitive);
}

bool isBlank(QChar c) {
    return c.isSpace();
}

// A body of key=value items joined by "&": no blanks and none of {}"<> anywhere, and a "=" after the
// first character.
bool isFormLike(const QString& text) {
    qsizetype firstEquals = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isBlank(c) || c == QLatin1Char('{') || c == QLatin1Char('}') || c == QLatin1Char('"') ||
            c == QLatin1Char('<') || c == QLatin1Char('>'))
            return false;
        if (c == QLatin1Char('=') && firstEquals < 0 && i > 0)
            firstEquals = i;
    }
    return firstEquals > 0;
}

bool isQuote(QChar c) {
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

// Where the value of a secret key begins when one such key, with its ":" or "=", starts at `at`
// (key, optional quote, blanks, separator, blanks, optional quote); nothing otherwise.
std::optional<qsizetype> secretValueStart(const QString& text, qsizetype at) {
    for (const QString& key : secretKeys()) {
        if (QStringView(text).mid(at, key.size()).compare(key, Qt::CaseInsensitive) != 0)
            continue;
        qsizetype i = at + key.size();
        if (i < text.size() && isQuote(text.at(i)))
            ++i;
        while (i < text.size() && isBlank(text.at(i)))
            ++i;
        if (i >= text.size() || (text.at(i) != QLatin1Char(':') && text.at(i) != QLatin1Char('=')))
            continue;
        ++i;
        while (i < text.size() && isBlank(text.at(i)))
            ++i;
        if (i < text.size() && isQuote(text.at(i)))
            ++i;
        return i;
    }
    return std::nullopt;
}

bool endsValue(QChar c) {
    return isBlank(c) || isQuote(c) || c == QLatin1Char('&') || c == QLatin1Char(',') ||
           c == QLatin1Char(';') || c == QLatin1Char('}') || c == QLatin1Char('<');
}

// Any other text (broken JSON, HTML), in one pass: the value after every "key": or key= of a secret key
// is masked. A value ends where the next secret key begins, so an empty value never takes the key after
// it along.
QString maskedPairs(const QString& text) {
    QString masked;
    qsizetype copied = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const std::optional<qsizetype> valueStart = secretValueStart(text, i);
        if (!valueStart) {
            ++i;
            continue;
        }
        qsizetype end = *valueStart;
        while (end < text.size() && !endsValue(text.at(end)) && !secretValueStart(text, end))
            ++end;
        if (end > *valueStart) {
            masked += QStringView(text).mid(copied, *valueStart - copied);
            masked += redactionMark();
            copied = end;
        }
        i = end;
    }
    if (copied == 0)
        return text;
    masked += QStringView(text).mid(copied);
    return masked;
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
    if (isFormLike(text))
        return redactedQuery(text);
    return maskedPairs(text);
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
