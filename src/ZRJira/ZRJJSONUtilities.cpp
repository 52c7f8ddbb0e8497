#include "ZRJira/ZRJJSONUtilities.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimeZone>
#include <QUrlQuery>

#include <cmath>

namespace ZRJJSONUtilities {

namespace {

/*! Reads internet date-times with a mandatory fraction; one per thread, made on first use. */
class InternetDateTimeParser {
public:
    InternetDateTimeParser()
        : m_pattern(QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})\.(\d{1,9}))"
                                   R"((Z|([+-])(\d{2}):?(\d{2}))$)")) {
        m_pattern.optimize();
    }

    std::optional<QDateTime> parse(const QString& string) const {
        const QRegularExpressionMatch match = m_pattern.match(string);
        if (!match.hasMatch())
            return std::nullopt;
        const auto number = [&match](int group) { return match.capturedView(group).toInt(); };
        const QDate date(number(1), number(2), number(3));
        // Keep millisecond precision: pad or cut the fraction to three digits.
        const int milliseconds = match.captured(7).leftJustified(3, QLatin1Char('0'), true).toInt();
        const QTime time(number(4), number(5), number(6), milliseconds);
        if (!date.isValid() || !time.isValid())
            return std::nullopt;
        int offsetSeconds = 0;
        if (match.captured(8) != QLatin1String("Z")) {
            const int hours = number(10);
            const int minutes = number(11);
            if (hours > 23 || minutes > 59)
                return std::nullopt;
            offsetSeconds = (hours * 60 + minutes) * 60;
            if (match.captured(9) == QLatin1String("-"))
                offsetSeconds = -offsetSeconds;
        }
        return QDateTime(date, time, QTimeZone(offsetSeconds)).toUTC();
    }

private:
    QRegularExpression m_pattern;
};

const QDateTime& referenceDate() {
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

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

std::optional<QDateTime> dateFromString(const QString& string) {
    thread_local const InternetDateTimeParser parser;
    return parser.parse(string);
}

std::optional<qint64> integerValue(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    // 2^63 itself does not fit; every double below it that has no fraction does.
    constexpr double Limit = 9223372036854775808.0;
    if (std::trunc(number) != number || number >= Limit || number < -Limit)
        return std::nullopt;
    return static_cast<qint64>(number);
}

double secondsSinceReferenceDate(const QDateTime& date) {
    return static_cast<double>(referenceDate().msecsTo(date)) / 1000.0;
}

QDateTime dateFromSecondsSinceReferenceDate(double seconds) {
    return referenceDate().addMSecs(static_cast<qint64>(std::llround(seconds * 1000.0)));
}

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

} // namespace ZRJJSONUtilities
