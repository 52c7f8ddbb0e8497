#include "Platform/XPCWire.h"

#include <QCborStreamReader>
#include <QCborValue>
#include <QtEndian>

#include <climits>

namespace Platform::XPCWire {

namespace {
constexpr qsizetype HeaderSize = 4;
}

QByteArray frame(const QCborMap& message) {
    const QByteArray payload = message.toCborValue().toCbor();
    if (payload.size() > MaximumMessageSize)
        return {};
    QByteArray framed(HeaderSize, Qt::Uninitialized);
    qToBigEndian(quint32(payload.size()), framed.data());
    framed.append(payload);
    return framed;
}

std::optional<QCborMap> decodePayload(QByteArrayView payload, QString* error) {
    auto failed = [error](const QString& reason) -> std::optional<QCborMap> {
        if (error != nullptr)
            *error = reason;
        return std::nullopt;
    };
    QCborStreamReader reader(payload.toByteArray());
    const QCborValue value = QCborValue::fromCbor(reader);
    if (reader.lastError() != QCborError::NoError)
        return failed(QStringLiteral("message is not valid CBOR: %1").arg(reader.lastError().toString()));
    if (reader.currentOffset() != payload.size())
        return failed(QStringLiteral("message has trailing bytes"));
    if (!value.isMap())
        return failed(QStringLiteral("message is not a map"));
    return value.toMap();
}

void FrameReader::append(QByteArrayView bytes) {
    if (m_error.isEmpty())
        m_buffer.append(bytes.data(), bytes.size());
}

FrameReader::Status FrameReader::next(QCborMap* message) {
    if (!m_error.isEmpty())
        return Status::Failed;
    if (m_buffer.size() < HeaderSize)
        return Status::NeedMore;
    const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
    if (length > quint32(MaximumMessageSize))
        return fail(QStringLiteral("message of %1 bytes is too large").arg(length));
    if (m_buffer.size() - HeaderSize < qsizetype(length))
        return Status::NeedMore;
    QString error;
    std::optional<QCborMap> decoded =
        decodePayload(QByteArrayView(m_buffer.constData() + HeaderSize, qsizetype(length)), &error);
    m_buffer.remove(0, HeaderSize + qsizetype(length));
    if (!decoded)
        return fail(error);
    *message = std::move(*decoded);
    return Status::Message;
}

FrameReader::Status FrameReader::fail(const QString& reason) {
    m_error = reason;
    m_buffer.clear();
    return Status::Failed;
}

QCborMap errorValue(const Error& error) {
    QCborMap described;
    described.insert(QStringLiteral("domain"), error.domain());
    described.insert(QStringLiteral("code"), error.code());
    described.insert(QStringLiteral("description"), error.localizedDescription());
    return described;
}

Error errorFromValue(const QCborMap& described) {
    const QCborValue code = described.value(QStringLiteral("code"));
    return Error(described.value(QStringLiteral("domain")).toString(),
                 code.isInteger() ? int(qBound(qint64(INT_MIN), code.toInteger(), qint64(INT_MAX))) : 0,
                 described.value(QStringLiteral("description")).toString());
}

QCborMap errorReply(const Error& error) {
    QCborMap message;
    message.insert(QStringLiteral("error"), errorValue(error));
    return message;
}

std::optional<Error> errorInReply(const QCborMap& message) {
    const QCborValue value = message.value(QStringLiteral("error"));
    if (value.isUndefined())
        return std::nullopt;
    return errorFromValue(value.toMap());
}

} // namespace Platform::XPCWire
