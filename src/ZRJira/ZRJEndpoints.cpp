#include "ZRJira/ZRJEndpoints.h"

#include "Platform/SystemLog.h"

#include <QHostAddress>
#include <QMutex>

namespace ZRJEndpoints {

namespace {

QString withoutTrailingSlash(QString text) {
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return text;
}

QUrl baseURL(const char* variable, const char* builtIn) {
    static QMutex mutex;
    static QHash<QByteArray, QPair<QByteArray, QUrl>> cache;
    const QByteArray override = qgetenv(variable);
    QMutexLocker lock(&mutex);
    const auto cached = cache.constFind(variable);
    if (cached != cache.constEnd() && cached->first == override)
        return cached->second;
    QUrl url(withoutTrailingSlash(QString::fromUtf8(builtIn)));
    if (!override.isEmpty()) {
        const QUrl candidate(withoutTrailingSlash(QString::fromUtf8(override)), QUrl::StrictMode);
        if (candidate.isValid() && !candidate.host().isEmpty() && isAcceptableBaseURL(candidate) &&
            !candidate.hasQuery() && !candidate.hasFragment())
            url = candidate;
        else
            Platform::SystemLog::log(
                QStringLiteral("ignoring %1: not an https address or an http address of this "
                               "computer: %2")
                    .arg(QLatin1String(variable), QString::fromUtf8(override)));
    }
    cache.insert(variable, {override, url});
    return url;
}

int effectivePort(const QUrl& url) {
    return url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
}

} // namespace

QUrl authorizationServerBaseURL() {
    return baseURL("CORVANTIDE_AUTH_URL", CORVANTIDE_DEFAULT_AUTH_URL);
}

QUrl apiGatewayBaseURL() {
    return baseURL("CORVANTIDE_API_URL", CORVANTIDE_DEFAULT_API_URL);
}

QString jiraURL() {
    return apiGatewayBaseURL().toString() + QStringLiteral("/ex/jira");
}

bool isAcceptableBaseURL(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    if (scheme != QLatin1String("http"))
        return false;
    const QString host = url.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool isSameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && effectivePort(a) == effectivePort(b);
}

} // namespace ZRJEndpoints
