#pragma once

#include "Platform/Error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCborMap>
#include <QString>

#include <optional>

/*! The wire form of service messages: each message is a CBOR map, sent as a 4-byte big-endian length
    followed by that many bytes of CBOR. Nothing here trusts the bytes it reads. */
namespace Platform::XPCWire {

/*! Larger messages are refused on both sides; service messages carry a few paths and arguments. */
inline constexpr qsizetype MaximumMessageSize = 1024 * 1024;

/*! The framed bytes of the message, or an empty array when it is larger than MaximumMessageSize. */
QByteArray frame(const QCborMap& message);

/*! The message in one frame's payload; nullopt with a reason when it is not exactly one CBOR map. */
std::optional<QCborMap> decodePayload(QByteArrayView payload, QString* error = nullptr);

/*! An error as a message value: {"domain", "code", "description"}; missing or mistyped fields read as
    empty. */
QCborMap errorValue(const Error& error);
Error errorFromValue(const QCborMap& value);

/*! A reply that reports a failure instead of the answer: {"error": {"domain", "code", "description"}}. */
QCborMap errorReply(const Error& error);
/*! The failure a reply reports, when it is one (missing or mistyped fields read as empty). */
std::optional<Error> errorInReply(const QCborMap& message);

/*! Collects bytes as they arrive and hands out whole messages. After an error it stays failed. */
class FrameReader {
public:
    enum class Status { NeedMore, Message, Failed };

    void append(QByteArrayView bytes);
    /*! The next whole message when there is one. */
    Status next(QCborMap* message);
    /*! Why reading failed (empty while it did not). */
    const QString& error() const { return m_error; }
    /*! Bytes received that do not belong to a message handed out yet. */
    qsizetype pendingBytes() const { return m_buffer.size(); }

private:
    Status fail(const QString& reason);

    QByteArray m_buffer;
    QString m_error;
};

} // namespace Platform::XPCWire
