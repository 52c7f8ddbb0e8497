#include "Platform/SentryDsn.h"

#include "Platform/SystemLog.h"

#include <QHostAddress>

#include <algorithm>

namespace Platform {

namespace {

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// What goes into the X-Sentry-Auth header: printable ASCII without the blank and the comma that separate
// its fields.
bool isHeaderWord(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f && c != u','; });
}

std::optional<SentryDsn> refuse(QString* whyNot, const QString& reason) {
    if (whyNot != nullptr)
        *whyNot = reason;
    return std::nullopt;
}

} // namespace

std::optional<SentryDsn> SentryDsn::parse(const QString& text, QString* whyNot) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return refuse(whyNot, QStringLiteral("the DSN is empty"));
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return refuse(whyNot, QStringLiteral("the DSN is not a URL"));
    SentryDsn dsn;
    dsn.scheme = url.scheme().toLower();
    dsn.host = url.host();
    dsn.port = url.port();
    dsn.publicKey = url.userName(QUrl::FullyDecoded);
    dsn.secretKey = url.password(QUrl::FullyDecoded);
    if (dsn.host.isEmpty())
        return refuse(whyNot, QStringLiteral("the DSN names no host"));
    if (dsn.scheme != QLatin1String("https")) {
        if (dsn.scheme != QLatin1String("http"))
            return refuse(whyNot, QStringLiteral("the DSN's scheme is neither https nor http"));
        if (!isLoopbackHost(dsn.host))
            return refuse(whyNot, QStringLiteral("plain http is only taken towards this computer"));
    }
    if (dsn.publicKey.isEmpty())
        return refuse(whyNot, QStringLiteral("the DSN has no public key"));
    if (!isHeaderWord(dsn.publicKey) || !isHeaderWord(dsn.secretKey))
        return refuse(whyNot, QStringLiteral("the DSN's key holds characters a request header cannot carry"));
    if (url.hasQuery() || url.hasFragment())
        return refuse(whyNot, QStringLiteral("the DSN has a query or a fragment"));
    QString path = url.path(QUrl::FullyEncoded);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    dsn.projectId = path.mid(slash + 1);
    dsn.path = slash < 0 ? QString() : path.left(slash);
    const bool projectIdIsWord =
        !dsn.projectId.isEmpty() && std::all_of(dsn.projectId.cbegin(), dsn.projectId.cend(), [](QChar c) {
            return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                   c == u'_' || c == u'-';
        });
    if (!projectIdIsWord)
        return refuse(whyNot, QStringLiteral("the DSN has no project id"));
    return dsn;
}

QString SentryDsn::withLoopbackOverride(const QString& configured, const QString& override) {
    if (override.isEmpty())
        return configured;
    const std::optional<SentryDsn> dsn = parse(override);
    if (!dsn || !isLoopbackHost(dsn->host)) {
        SystemLog::log(QStringLiteral("CORVANTIDE_SENTRY_DSN is ignored: only a DSN towards this computer "
                                      "is taken"));
        return configured;
    }
    return override;
}

namespace {

QUrl serverUrl(const SentryDsn& dsn, const QString& path) {
    QUrl url;
    url.setScheme(dsn.scheme);
    url.setHost(dsn.host);
    url.setPort(dsn.port);
    url.setPath(path, QUrl::StrictMode);
    return url;
}

} // namespace

QUrl SentryDsn::envelopeUrl() const {
    return serverUrl(*this, path + QStringLiteral("/api/") + projectId + QStringLiteral("/envelope/"));
}

QByteArray SentryDsn::authHeader(const QString& client) const {
    QByteArray value =
        "Sentry sentry_version=7, sentry_client=" + client.toUtf8() + ", sentry_key=" + publicKey.toUtf8();
    if (!secretKey.isEmpty())
        value += ", sentry_secret=" + secretKey.toUtf8();
    return value;
}

QString SentryDsn::publicText() const {
    QUrl url = serverUrl(*this, path + QLatin1Char('/') + projectId);
    url.setUserName(publicKey);
    return url.toString(QUrl::FullyEncoded);
}

} // namespace Platform
