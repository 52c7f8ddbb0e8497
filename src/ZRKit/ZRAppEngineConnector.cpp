#include "ZRKit/ZRAppEngineConnector.h"

#include "Platform/Assert.h"
#include "Platform/Bundle.h"
#include "Platform/StringFormat.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRLog.h"
#include "ZRKit/ZRURLSession.h"

#include <QCoreApplication>

std::optional<QByteArray> ZRAppEngineConnector::sendGetRequestForPath(const QString& path,
                                                                      Platform::Error* error) {
    return sendRequestForPath(path, "GET", nullptr, {}, {}, nullptr, nullptr, error);
}

std::optional<QByteArray> ZRAppEngineConnector::sendPutRequestForPath(const QString& path,
                                                                      const QByteArray& bodyData,
                                                                      const QString& contentType,
                                                                      Platform::Error* error) {
    return sendRequestForPath(path, "PUT", nullptr, bodyData, contentType, nullptr, nullptr, error);
}

std::optional<QByteArray> ZRAppEngineConnector::sendDeleteRequestForPath(const QString& path,
                                                                         Platform::Error* error) {
    return sendRequestForPath(path, "DELETE", nullptr, {}, {}, nullptr, nullptr, error);
}

std::optional<QByteArray> ZRAppEngineConnector::sendGetRequestForPath(const QString& path,
                                                                      const HeaderFields& headerFields,
                                                                      int* statusCode,
                                                                      Platform::Error* error) {
    return sendRequestForPath(path, "GET", &headerFields, {}, {}, nullptr, statusCode, error);
}

std::optional<QByteArray>
ZRAppEngineConnector::sendPutRequestForPath(const QString& path, const HeaderFields& headerFields,
                                            const QByteArray& bodyData, const QString& contentType,
                                            int* statusCode, Platform::Error* error) {
    return sendRequestForPath(path, "PUT", &headerFields, bodyData, contentType, nullptr, statusCode, error);
}

std::optional<QByteArray>
ZRAppEngineConnector::sendPostRequestForPath(const QString& path, const HeaderFields& headerFields,
                                             const QByteArray& bodyData, const QString& contentType,
                                             int* statusCode, Platform::Error* error) {
    return sendRequestForPath(path, "POST", &headerFields, bodyData, contentType, nullptr, statusCode, error);
}

std::optional<QByteArray> ZRAppEngineConnector::sendDeleteRequestForPath(const QString& path,
                                                                         const HeaderFields& headerFields,
                                                                         int* statusCode,
                                                                         Platform::Error* error) {
    return sendRequestForPath(path, "DELETE", &headerFields, {}, {}, nullptr, statusCode, error);
}

void ZRAppEngineConnector::addHeaderFieldsToRequest(const HeaderFields& headerFields,
                                                    ZRURLRequest& request) const {
    for (const auto& [field, value] : headerFields)
        request.addValueForHTTPHeaderField(value, field);
    if (apiVersion != NoAPIVersion)
        request.addValueForHTTPHeaderField(QByteArray::number(apiVersion), "X-API-Version");
}

std::optional<QByteArray>
ZRAppEngineConnector::sendRequestForPath(const QString& path, const QByteArray& method,
                                         const HeaderFields* headerFields, const QByteArray& bodyData,
                                         const QString& contentType, ZRURLResponse* httpURLResponse,
                                         int* statusCode, Platform::Error* error) {
    ZRURLRequest request(QUrl(baseURL.toString() + path));
    const bool logging = loggingEnabled || ShouldLog(9);
    const QString methodText = QString::fromLatin1(method);
    if (logging)
        Platform::SystemLog::log(QStringLiteral("%1 %2").arg(methodText, path));
    if (headerFields) {
        const bool hasDigest =
            std::any_of(headerFields->cbegin(), headerFields->cend(), [](const auto& header) {
                return header.first.compare("X-API-Digest", Qt::CaseInsensitive) == 0;
            });
        if (!hasDigest)
            Platform::invalidParameter(
                QStringLiteral("No digest for %1 request at %2").arg(methodText, path));
        addHeaderFieldsToRequest(*headerFields, request);
    }
    request.method = method;
    if (!bodyData.isEmpty()) {
        if (logging)
            Platform::SystemLog::log(
                QStringLiteral("<< %1").arg(Platform::SystemLog::escaped(QString::fromUtf8(bodyData))));
        request.body = bodyData;
        if (!contentType.isEmpty())
            request.setValueForHTTPHeaderField(contentType.toUtf8(), "Content-Type");
    }
    const ZRURLSessionResult result = ZRURLSession::sendSynchronousRequest(request, nullptr, 30, true);
    if (result.response && result.response->isHTTPResponse() && httpURLResponse)
        *httpURLResponse = *result.response;
    if (result.receivedError) {
        if (error)
            *error = *result.receivedError;
        return std::nullopt;
    }
    const int status = result.response ? result.response->statusCode : 0;
    if (statusCode)
        *statusCode = status;
    const QByteArray body = result.receivedData.value_or(QByteArray());
    if (status != 200) {
        if (error) {
            const QString format = Platform::Bundle::mainBundle().localizedString(
                QString::fromLatin1(QT_TRANSLATE_NOOP("Localizable", "Got status code %ld for path %@")));
            *error = Platform::Error(ErrorDomain, status,
                                     Platform::stringWithFormat(format, static_cast<qint64>(status), path));
        }
    } else {
        if (error)
            *error = Platform::Error();
        if (logging)
            Platform::SystemLog::log(
                QStringLiteral(">>%1").arg(Platform::SystemLog::escaped(QString::fromUtf8(body))));
    }
    return body;
}
