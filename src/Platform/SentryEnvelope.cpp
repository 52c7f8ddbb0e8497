#include "Platform/SentryEnvelope.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace Platform {

namespace {

std::optional<QJsonObject> jsonObjectLine(QByteArrayView line) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<SentryEnvelope> fail(QString* error, const QString& reason) {
    if (error != nullptr)
        *error = reason;
    return std::nullopt;
}

} // namespace

QJsonObject SentryEnvelopeItem::json() const {
    return jsonObjectLine(payload).value_or(QJsonObject());
}

SentryEnvelopeItem SentryEnvelopeItem::fromJson(const QString& type, const QJsonObject& payload) {
    SentryEnvelopeItem item;
    item.header.insert(QStringLiteral("type"), type);
    item.payload = QJsonDocument(payload).toJson(QJsonDocument::Compact);
    return item;
}

QByteArray SentryEnvelope::serialized() const {
    QByteArray out = QJsonDocument(header).toJson(QJsonDocument::Compact);
    out += '\n';
    for (const SentryEnvelopeItem& item : items) {
        QJsonObject itemHeader = item.header;
        itemHeader.insert(QStringLiteral("length"), static_cast<qint64>(item.payload.size()));
        out += QJsonDocument(itemHeader).toJson(QJsonDocument::Compact);
        out += '\n';
        out += item.payload;
        out += '\n';
    }
    return out;
}

std::optional<SentryEnvelope> SentryEnvelope::parse(const QByteArray& data, QString* error) {
    const QByteArrayView bytes(data);
    const qsizetype size = bytes.size();
    qsizetype headerEnd = bytes.indexOf('\n');
    if (headerEnd < 0)
        headerEnd = size;
    if (headerEnd == 0)
        return fail(error, QStringLiteral("missing envelope header"));
    SentryEnvelope envelope;
    const auto header = jsonObjectLine(bytes.first(headerEnd));
    if (!header)
        return fail(error, QStringLiteral("the envelope header is not a JSON object"));
    envelope.header = *header;

    qsizetype position = headerEnd + 1;
    while (position < size) {
        qsizetype lineEnd = bytes.indexOf('\n', position);
        if (lineEnd < 0)
            lineEnd = size;
        if (lineEnd == position)
            return fail(error, QStringLiteral("missing item header"));
        const auto itemHeader = jsonObjectLine(bytes.sliced(position, lineEnd - position));
        if (!itemHeader)
            return fail(error, QStringLiteral("an item header is not a JSON object"));
        const QJsonValue type = itemHeader->value(QLatin1String("type"));
        if (!type.isString() || type.toString().isEmpty())
            return fail(error, QStringLiteral("an item header has no type"));
        if (lineEnd == size)
            return fail(error, QStringLiteral("an item header is not followed by a newline"));
        SentryEnvelopeItem item;
        item.header = *itemHeader;
        const qsizetype payloadStart = lineEnd + 1;
        const QJsonValue length = itemHeader->value(QLatin1String("length"));
        if (length.isUndefined() || length.isNull()) {
            qsizetype payloadEnd = bytes.indexOf('\n', payloadStart);
            if (payloadEnd < 0)
                payloadEnd = size;
            item.payload = bytes.sliced(payloadStart, payloadEnd - payloadStart).toByteArray();
            position = payloadEnd + 1;
        } else {
            const double value = length.toDouble(-1);
            if (!length.isDouble() || value < 0 || std::floor(value) != value)
                return fail(error, QStringLiteral("an item length is not a non-negative integer"));
            if (value > static_cast<double>(size - payloadStart))
                return fail(error, QStringLiteral("an item length runs past the end of the envelope"));
            const auto payloadLength = static_cast<qsizetype>(value);
            const qsizetype payloadEnd = payloadStart + payloadLength;
            if (payloadEnd < size && bytes.at(payloadEnd) != '\n')
                return fail(error, QStringLiteral("an item payload is not followed by a newline"));
            item.payload = bytes.sliced(payloadStart, payloadLength).toByteArray();
            position = payloadEnd + 1;
        }
        envelope.items.append(std::move(item));
    }
    return envelope;
}

QString SentryEnvelope::category(const QString& itemType) {
    if (itemType == QLatin1String("event"))
        return QStringLiteral("error");
    return itemType;
}

QStringList SentryEnvelope::categories() const {
    QStringList result;
    for (const SentryEnvelopeItem& item : items) {
        const QString itemCategory = category(item.type());
        if (!result.contains(itemCategory))
            result.append(itemCategory);
    }
    return result;
}

QList<SentryEnvelopeItem> SentryEnvelope::itemsOfType(const QString& type) const {
    QList<SentryEnvelopeItem> result;
    for (const SentryEnvelopeItem& item : items)
        if (item.type() == type)
            result.append(item);
    return result;
}

} // namespace Platform
