#include "ZRJira/ZRJConsoleLogger.h"

#include "ZRJira/ZRJRedaction.h"

#include "Platform/HttpTask.h"
#include "Platform/SystemLog.h"

namespace {

QString printedError(const Platform::Error& error) {
    QString text = QStringLiteral("Error Domain=%1 Code=%2 \"%3\"")
                       .arg(error.domain(), QString::number(error.code()), error.localizedDescription());
    if (error.httpStatus() != 0)
        text += QStringLiteral(" (HTTP %1)").arg(error.httpStatus());
    return text;
}

QString method(const Platform::HttpRequest& request) {
    return request.method.isEmpty() ? QStringLiteral("NONE") : QString::fromLatin1(request.method);
}

QString url(const Platform::HttpRequest& request) {
    return request.url.isEmpty() ? QStringLiteral("nil") : ZRJRedaction::redactedURL(request.url);
}

QString elapsed(double seconds) {
    return QString::number(seconds, 'f', 4);
}

} // namespace

Platform::HttpHeaders ZRJConsoleLogger::filteredHTTPHeaderFields(const Platform::HttpRequest& request) {
    Platform::HttpHeaders headers;
    for (const auto& header : request.headers)
        if (header.first.compare("Authorization", Qt::CaseInsensitive) != 0)
            headers.append(header);
    return headers;
}

void ZRJConsoleLogger::taskDidStart(const Platform::HttpTask& task) {
    const Platform::HttpRequest& request = task.originalRequest();
    switch (level()) {
    case Info:
        Platform::SystemLog::log(QStringLiteral("%1 '%2'").arg(method(request), url(request)));
        break;
    case Debug: {
        const std::optional<QString> body =
            request.body ? ZRJRedaction::redactedBody(*request.body) : std::nullopt;
        Platform::SystemLog::log(
            QStringLiteral("%1 '%2': %3 %4")
                .arg(method(request), url(request),
                     Platform::printedHeaderFields(filteredHTTPHeaderFields(request)),
                     Platform::SystemLog::escaped(body.value_or(QStringLiteral("nil")))));
        break;
    }
    default:
        break;
    }
}

void ZRJConsoleLogger::taskDidFinish(const Platform::HttpTask& task, const QJsonValue& responseObject,
                                     double elapsedSeconds, const Platform::OptionalError& error) {
    const std::optional<Platform::HttpResponse>& response = task.response();
    if (!response)
        return;
    const Platform::HttpRequest& request = task.originalRequest();
    const QString status = QString::number(response->statusCode);
    if (error) {
        if (level() == Debug || level() == Info || level() == Warn)
            Platform::SystemLog::log(QStringLiteral("[Error] %1 '%2' (%3) [%4 s]: %5")
                                         .arg(method(request), url(request), status, elapsed(elapsedSeconds),
                                              Platform::SystemLog::escaped(printedError(*error))));
        return;
    }
    if (level() == Info)
        Platform::SystemLog::log(
            QStringLiteral("%1 '%2' [%3 s]").arg(status, url(request), elapsed(elapsedSeconds)));
    else if (level() == Debug)
        Platform::SystemLog::log(
            QStringLiteral("%1 '%2' [%3 s]: %4 %5")
                .arg(status, url(request), elapsed(elapsedSeconds),
                     Platform::SystemLog::escaped(Platform::printedHeaderFields(response->headers)),
                     Platform::SystemLog::escaped(ZRJRedaction::printedForm(responseObject))));
}
