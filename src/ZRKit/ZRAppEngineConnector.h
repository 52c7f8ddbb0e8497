#pragma once

#include "Platform/Error.h"
#include "ZRKit/ZRURLRequest.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <limits>
#include <optional>

/*! Synchronous requests to paths below a web service's base URL (the path is appended to the base's
    text as it is), with header fields that must carry "X-API-Digest" and an optional "X-API-Version".
    Each call blocks for up to 30 seconds: use it off the main thread in interactive code. Every
    out-parameter may be null. A non-200 answer gives its body and an error of ErrorDomain whose code is
    the status. */
class ZRAppEngineConnector {
public:
    static inline const QString ErrorDomain = QStringLiteral("ZRAppEngineConnectorErrorDomain");
    static constexpr quint64 NoAPIVersion = std::numeric_limits<quint64>::max();
    using HeaderFields = QList<QPair<QByteArray, QByteArray>>;

    QUrl baseURL;
    bool loggingEnabled = false;
    quint64 apiVersion = NoAPIVersion;

    std::optional<QByteArray> sendGetRequestForPath(const QString& path, Platform::Error* error = nullptr);
    std::optional<QByteArray> sendPutRequestForPath(const QString& path, const QByteArray& bodyData,
                                                    const QString& contentType,
                                                    Platform::Error* error = nullptr);
    std::optional<QByteArray> sendDeleteRequestForPath(const QString& path, Platform::Error* error = nullptr);
    std::optional<QByteArray> sendGetRequestForPath(const QString& path, const HeaderFields& headerFields,
                                                    int* statusCode, Platform::Error* error = nullptr);
    std::optional<QByteArray> sendPutRequestForPath(const QString& path, const HeaderFields& headerFields,
                                                    const QByteArray& bodyData, const QString& contentType,
                                                    int* statusCode, Platform::Error* error = nullptr);
    std::optional<QByteArray> sendPostRequestForPath(const QString& path, const HeaderFields& headerFields,
                                                     const QByteArray& bodyData, const QString& contentType,
                                                     int* statusCode, Platform::Error* error = nullptr);
    std::optional<QByteArray> sendDeleteRequestForPath(const QString& path, const HeaderFields& headerFields,
                                                       int* statusCode, Platform::Error* error = nullptr);
    /*! headerFields null: no header fields (no digest check, no version header). */
    std::optional<QByteArray> sendRequestForPath(const QString& path, const QByteArray& method,
                                                 const HeaderFields* headerFields, const QByteArray& bodyData,
                                                 const QString& contentType, ZRURLResponse* httpURLResponse,
                                                 int* statusCode, Platform::Error* error = nullptr);

    /*! Adds each field (adding, not replacing), then "X-API-Version" unless there is no version. */
    void addHeaderFieldsToRequest(const HeaderFields& headerFields, ZRURLRequest& request) const;
};
