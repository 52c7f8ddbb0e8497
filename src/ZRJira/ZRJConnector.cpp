#include "ZRJira/ZRJConnector.h"

#include "ZRJira/ZRJConnectorDelegate.h"
#include "ZRJira/ZRJEndpoints.h"

#include "Platform/MainThread.h"

#include <QUrlQuery>

namespace {

ZRJConnectorDelegate*& currentDelegate() {
    static ZRJConnectorDelegate* delegate = nullptr;
    return delegate;
}

ZRJConnectorDelegate& requiredDelegate() {
    ZRJConnectorDelegate* delegate = currentDelegate();
    if (delegate == nullptr)
        Platform::fatalError(QStringLiteral("no delegate set"));
    return *delegate;
}

} // namespace

ZRJConnectorDelegate::~ZRJConnectorDelegate() {
    if (currentDelegate() == this)
        currentDelegate() = nullptr;
}

ZRJConnectorDelegate* ZRJConnector::delegate() {
    return currentDelegate();
}

void ZRJConnector::setDelegate(ZRJConnectorDelegate* delegate) {
    Platform::assertMainThread();
    currentDelegate() = delegate;
}

QString ZRJConnector::clientID() {
    return requiredDelegate().clientID();
}

QString ZRJConnector::clientSecret() {
    return requiredDelegate().clientSecret();
}

QString ZRJConnector::callbackURL() {
    return requiredDelegate().callbackURL();
}

QUrl ZRJConnector::authURL(const QString& state) {
    Platform::assertMainThread();
    ZRJConnectorDelegate& delegate = requiredDelegate();
    QUrl url(ZRJEndpoints::authorizationServerBaseURL().toString() + QStringLiteral("/authorize"),
             QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        Platform::fatalError(QStringLiteral("could not create authorize url"));
    const QList<QPair<QString, QString>> items{
        {QStringLiteral("client_id"), delegate.clientID()},
        {QStringLiteral("scope"), delegate.scopes()},
        {QStringLiteral("redirect_uri"), delegate.callbackURL()},
        {QStringLiteral("state"), state},
        {QStringLiteral("audience"), ZRJEndpoints::apiGatewayBaseURL().host()},
        {QStringLiteral("response_type"), QStringLiteral("code")},
        {QStringLiteral("prompt"), QStringLiteral("consent")}};
    QStringList encoded;
    for (const auto& [name, value] : items)
        encoded.append(
            QString::fromUtf8(QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value)));
    url.setQuery(encoded.join(QLatin1Char('&')), QUrl::StrictMode);
    if (!url.isValid())
        Platform::fatalError(QStringLiteral("could not create authorize url with items"));
    return url;
}
