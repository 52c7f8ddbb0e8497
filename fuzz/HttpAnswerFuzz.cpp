// An HTTP answer from outside: its first line is the Retry-After header, the rest the body. The JSON
// serializer, the Retry-After reading and the redaction of bodies and errors never crash, waits are never
// negative, and a secret put into a JSON body, or after any text, never survives redaction.
#include "FuzzSupport.h"
#include "Platform/JSONResponseSerializer.h"
#include "ZRJira/ZRJRedaction.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = FuzzSupport::bytes(data, size);
    const qsizetype newline = input.indexOf('\n');
    const QByteArray retryAfter = newline < 0 ? QByteArray() : input.left(newline);
    const QByteArray body = newline < 0 ? input : input.mid(newline + 1);

    Platform::HttpResponse response;
    response.url = QUrl(QStringLiteral("https://api.example/x"));
    response.statusCode = body.isEmpty() ? 200 : (static_cast<unsigned char>(body.front()) % 2 ? 429 : 200);
    Platform::setHeaderValue(response.headers, "Content-Type", "application/json");
    Platform::setHeaderValue(response.headers, "Retry-After", retryAfter);
    if (const std::optional<qint64> wait = response.retryAfterSeconds())
        FuzzSupport::check(*wait >= 0, "a wait is never negative");

    Platform::JSONResponseSerializer serializer;
    serializer.removesKeysWithNullValues = true;
    const Platform::JSONResponseSerializer::Result result = serializer.serialize(response, body);
    if (result.error) {
        const Platform::Error redacted = ZRJRedaction::redactedError(*result.error);
        FuzzSupport::check(redacted.httpStatus() == result.error->httpStatus(), "redaction keeps the status");
    }
    (void)ZRJRedaction::printedForm(result.responseObject);
    (void)ZRJRedaction::redactedBody(body);
    // Whatever text stands before it, a secret of plain text is masked.
    const std::optional<QString> masked = ZRJRedaction::redactedBody(body + " access_token: zzFUZZSECRETzz");
    FuzzSupport::check(!masked || !masked->contains(QStringLiteral("zzFUZZSECRETzz")),
                       "a token after any text never survives redaction");
    (void)ZRJRedaction::redactedURL(QUrl(QString::fromUtf8(body)));

    if (result.responseObject.isObject()) {
        QJsonObject object = result.responseObject.toObject();
        object.insert(QStringLiteral("refresh_token"), QStringLiteral("zzFUZZSECRETzz"));
        const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
        const std::optional<QString> printed = ZRJRedaction::redactedBody(json);
        FuzzSupport::check(!printed || !printed->contains(QStringLiteral("zzFUZZSECRETzz")),
                           "a refresh token never survives redaction");
    }
    return 0;
}
