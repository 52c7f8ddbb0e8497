#include "Platform/JSONResponseSerializer.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace Platform {

namespace {

Error responseError(int code, const QString& description, const HttpResponse& response,
                    const QByteArray& body) {
    Error error(JSONResponseSerializer::ErrorDomain, code, description);
    error.setUserInfoValue(QStringLiteral("URL"), response.url);
    if (const std::optional<qint64> wait = response.retryAfterSeconds())
        error.setUserInfoValue(Error::RetryAfterKey, *wait);
    return error.withHttpStatus(response.statusCode, body);
}

} // namespace

JSONResponseSerializer::Result JSONResponseSerializer::serialize(const HttpResponse& response,
                                                                 const QByteArray& body) const {
    Result result;
    const QByteArray mimeType = response.mimeType();
    const bool statusAccepted = response.statusCode >= 200 && response.statusCode <= 299;
    const bool typeAccepted =
        acceptableContentTypes.contains(mimeType) || (mimeType.isEmpty() && body.isEmpty());
    if (!statusAccepted) {
        result.error =
            responseError(BadServerResponse,
                          QCoreApplication::translate("HttpSession", "Request failed: %1 (%2)")
                              .arg(response.reasonPhrase.isEmpty()
                                       ? QCoreApplication::translate("HttpSession", "status code %1")
                                             .arg(response.statusCode)
                                       : QString::fromLatin1(response.reasonPhrase).toLower())
                              .arg(response.statusCode),
                          response, body);
    } else if (!typeAccepted) {
        result.error = responseError(
            CannotDecodeContentData,
            QCoreApplication::translate("HttpSession", "Request failed: unacceptable content-type: %1")
                .arg(QString::fromLatin1(mimeType)),
            response, body);
    }
    // A body that is not JSON is never parsed; a failed answer with a JSON body still carries it.
    if (!typeAccepted || body.isEmpty() || body == " ")
        return result;

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (!result.error)
            result.error =
                responseError(CannotParseResponse,
                              QCoreApplication::translate("HttpSession",
                                                          "The data couldn't be read because it isn't in the "
                                                          "correct format: %1")
                                  .arg(parseError.errorString()),
                              response, body);
        return result;
    }
    QJsonValue value = document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    result.responseObject = removesKeysWithNullValues ? removingKeysWithNullValues(value) : value;
    return result;
}

QJsonValue JSONResponseSerializer::removingKeysWithNullValues(const QJsonValue& value) {
    // Edits in place, so only the containers on the way to a null are copied.
    if (value.isObject()) {
        QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end();) {
            const QJsonValue::Type type = it->type();
            if (type == QJsonValue::Null) {
                it = object.erase(it);
                continue;
            }
            if (type == QJsonValue::Object || type == QJsonValue::Array)
                *it = removingKeysWithNullValues(*it);
            ++it;
        }
        return object;
    }
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        for (auto it = array.begin(); it != array.end(); ++it)
            if (it->isObject() || it->isArray())
                *it = removingKeysWithNullValues(*it);
        return array;
    }
    return value;
}

} // namespace Platform
