#pragma once

#include "Platform/Error.h"
#include "Platform/HttpMessage.h"

#include <QJsonValue>
#include <QSet>

namespace Platform {

/*! Turns an HTTP answer into a JSON value: statuses 200-299 and JSON content types are accepted, the body
    is parsed, and (when asked) keys with null values are removed from every object at any depth. A
    failure gives an error carrying the status and the body; a JSON body of a failed answer is still
    parsed and handed on beside the error. An empty body gives no value (QJsonValue::Undefined). */
struct JSONResponseSerializer {
    static inline const QString ErrorDomain = QStringLiteral("com.corvantide.error.serialization.response");
    enum ErrorCode {
        BadServerResponse = -1011,
        CannotDecodeContentData = -1016,
        CannotParseResponse = -1017
    };

    QSet<QByteArray> acceptableContentTypes{"application/json", "text/json", "text/javascript"};
    bool removesKeysWithNullValues = false;

    struct Result {
        QJsonValue responseObject = QJsonValue(QJsonValue::Undefined);
        OptionalError error;
    };
    Result serialize(const HttpResponse& response, const QByteArray& body) const;

    static QJsonValue removingKeysWithNullValues(const QJsonValue& value);
};

} // namespace Platform
