#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Platform {

/*! One item of an envelope: its header (at least "type") and its payload bytes. */
struct SentryEnvelopeItem {
    QJsonObject header;
    QByteArray payload;

    QString type() const { return header.value(QLatin1String("type")).toString(); }
    /*! The payload read as one JSON object; empty when it is not one. */
    QJsonObject json() const;

    static SentryEnvelopeItem fromJson(const QString& type, const QJsonObject& payload);
};

/*! The unit a crash-report server takes: a header line, then per item a header line and the payload.

    Wire form: the header as one line of JSON; then for every item its header as one line of JSON
    (with "type" and the payload's "length" in bytes), the payload and a newline. */
struct SentryEnvelope {
    QJsonObject header;
    QList<SentryEnvelopeItem> items;

    /*! The wire form; every item header carries the payload's length. */
    QByteArray serialized() const;

    /*! Reads the wire form, or gives nothing and the reason in `error`. Refused: no header line, a header
        that is not a JSON object, an item header without a type, a length that is not a non-negative
        integer or runs past the end, and a payload not followed by a newline or the end. An item
        without a length runs to the next newline. */
    static std::optional<SentryEnvelope> parse(const QByteArray& data, QString* error = nullptr);

    /*! The rate-limit category of an item type: "event" -> "error", else the type itself. */
    static QString category(const QString& itemType);
    /*! The distinct categories of the items, in order. */
    QStringList categories() const;
    /*! The items of a type, in order. */
    QList<SentryEnvelopeItem> itemsOfType(const QString& type) const;
};

} // namespace Platform
