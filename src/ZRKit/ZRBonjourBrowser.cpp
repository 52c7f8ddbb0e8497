#include "ZRKit/ZRBonjourBrowser.h"

#include "Platform/SystemLog.h"
#include "ZRKit/ZRURLExtensions.h"

#include <QHostAddress>
#include <QPointer>
#include <QtEndian>

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/thread-watch.h>

#include <cstring>

QString ZRNetService::description() const {
    return QStringLiteral("<service %1.%2%3>").arg(name, type, domain);
}

// The Avahi objects; their callbacks run on Avahi's own thread and hand results to the browser's
// thread through queued calls.
struct ZRBonjourBrowser::Avahi {
    QPointer<ZRBonjourBrowser> owner;
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiServiceBrowser* browser = nullptr;

    ~Avahi() {
        if (poll)
            avahi_threaded_poll_stop(poll);
        if (browser)
            avahi_service_browser_free(browser);
        if (client)
            avahi_client_free(client); // frees the resolvers it made too
        if (poll)
            avahi_threaded_poll_free(poll);
    }

    static void resolved(AvahiServiceResolver* resolver, AvahiIfIndex, AvahiProtocol,
                         AvahiResolverEvent event, const char* name, const char* type, const char* domain,
                         const char*, const AvahiAddress* address, uint16_t port, AvahiStringList*,
                         AvahiLookupResultFlags, void* context) {
        auto* self = static_cast<Avahi*>(context);
        const QString serviceName = QString::fromUtf8(name), serviceType = QString::fromUtf8(type),
                      serviceDomain = QString::fromUtf8(domain);
        if (event == AVAHI_RESOLVER_FOUND && address) {
            QHostAddress host;
            if (address->proto == AVAHI_PROTO_INET) {
                host = QHostAddress(qFromBigEndian(address->data.ipv4.address));
            } else {
                host.setAddress(address->data.ipv6.address);
            }
            const QByteArray data = ZRURL::sockAddrData(host, port);
            QMetaObject::invokeMethod(
                self->owner, [owner = self->owner, serviceName, serviceType, serviceDomain, data] {
                    if (owner)
                        owner->serviceResolved(serviceName, serviceType, serviceDomain, data);
                });
        } else if (event == AVAHI_RESOLVER_FAILURE) {
            const QString reason = QString::fromUtf8(
                avahi_strerror(avahi_client_errno(avahi_service_resolver_get_client(resolver))));
            Platform::SystemLog::log(
                QStringLiteral("could not resolve: %1 - %2")
                    .arg(ZRNetService{serviceName, serviceType, serviceDomain, {}}.description(), reason));
        }
        avahi_service_resolver_free(resolver);
    }

    static void browsed(AvahiServiceBrowser* browser, AvahiIfIndex interface, AvahiProtocol protocol,
                        AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
                        AvahiLookupResultFlags, void* context) {
        auto* self = static_cast<Avahi*>(context);
        if (event == AVAHI_BROWSER_FAILURE) {
            Platform::SystemLog::log(QStringLiteral("could not browse: %1")
                                         .arg(QString::fromUtf8(avahi_strerror(avahi_client_errno(
                                             avahi_service_browser_get_client(browser))))));
            return;
        }
        if (event != AVAHI_BROWSER_NEW)
            return;
        const QString serviceName = QString::fromUtf8(name), serviceType = QString::fromUtf8(type),
                      serviceDomain = QString::fromUtf8(domain);
        QMetaObject::invokeMethod(self->owner,
                                  [owner = self->owner, serviceName, serviceType, serviceDomain] {
                                      if (owner)
                                          owner->serviceFound(serviceName, serviceType, serviceDomain);
                                  });
        if (!avahi_service_resolver_new(avahi_service_browser_get_client(browser), interface, protocol, name,
                                        type, domain, AVAHI_PROTO_UNSPEC, AvahiLookupFlags(0), resolved,
                                        self))
            Platform::SystemLog::log(
                QStringLiteral("could not resolve: %1 - %2")
                    .arg(ZRNetService{serviceName, serviceType, serviceDomain, {}}.description(),
                         QString::fromUtf8(
                             avahi_strerror(avahi_client_errno(avahi_service_browser_get_client(browser))))));
    }

    static void clientState(AvahiClient*, AvahiClientState state, void*) {
        if (state == AVAHI_CLIENT_FAILURE)
            Platform::SystemLog::log(QStringLiteral("the Avahi daemon went away; browsing stops"));
    }
};

ZRBonjourBrowser::ZRBonjourBrowser(ResultHandler handler, QObject* parent)
    : QObject(parent)
    , m_handler(std::move(handler)) {}

ZRBonjourBrowser::~ZRBonjourBrowser() = default;

std::unique_ptr<ZRBonjourBrowser> ZRBonjourBrowser::browserForService(const QString& service,
                                                                      ResultHandler handler) {
    auto browser = std::make_unique<ZRBonjourBrowser>(std::move(handler));
    browser->startBrowsingForService(service);
    return browser;
}

QString ZRBonjourBrowser::serviceTypeFromServiceName(const QString& service) {
    if (service.contains(QLatin1Char('.')))
        return service;
    return QStringLiteral("_%1._tcp").arg(service);
}

QStringList ZRBonjourBrowser::addressesFromNetService(const ZRNetService& service) {
    QStringList addresses;
    for (const QByteArray& address : service.addresses)
        if (const auto text = ZRURL::URLStringFromSockAddrData(address))
            addresses.append(*text);
    return addresses;
}

bool ZRBonjourBrowser::startBrowsingForService(const QString& service) {
    m_avahi.reset();
    auto avahi = std::make_unique<Avahi>();
    avahi->owner = this;
    avahi->poll = avahi_threaded_poll_new();
    if (!avahi->poll) {
        Platform::SystemLog::log(QStringLiteral("could not browse for %1: no Avahi event loop").arg(service));
        return false;
    }
    int error = 0;
    avahi->client = avahi_client_new(avahi_threaded_poll_get(avahi->poll), AvahiClientFlags(0),
                                     Avahi::clientState, avahi.get(), &error);
    if (!avahi->client) {
        Platform::SystemLog::log(QStringLiteral("could not browse for %1: %2 (is avahi-daemon running?)")
                                     .arg(service, QString::fromUtf8(avahi_strerror(error))));
        return false;
    }
    const QByteArray type = serviceTypeFromServiceName(service).toUtf8();
    avahi->browser =
        avahi_service_browser_new(avahi->client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, type.constData(),
                                  nullptr, AvahiLookupFlags(0), Avahi::browsed, avahi.get());
    if (!avahi->browser) {
        Platform::SystemLog::log(
            QStringLiteral("could not browse for %1: %2")
                .arg(service, QString::fromUtf8(avahi_strerror(avahi_client_errno(avahi->client)))));
        return false;
    }
    if (avahi_threaded_poll_start(avahi->poll) < 0) {
        Platform::SystemLog::log(
            QStringLiteral("could not browse for %1: the Avahi event loop did not start").arg(service));
        return false;
    }
    m_avahi = std::move(avahi);
    return true;
}

QString ZRBonjourBrowser::description() const {
    QStringList descriptions;
    for (const ZRNetService& service : m_services)
        descriptions.append(service.description());
    return QStringLiteral("services: (%1)").arg(descriptions.join(QStringLiteral(", ")));
}

void ZRBonjourBrowser::serviceFound(const QString& name, const QString& type, const QString& domain) {
    for (const ZRNetService& service : std::as_const(m_services))
        if (service.name == name && service.type == type && service.domain == domain)
            return;
    m_services.append(ZRNetService{name, type, domain, {}});
}

void ZRBonjourBrowser::serviceResolved(const QString& name, const QString& type, const QString& domain,
                                       const QByteArray& address) {
    serviceFound(name, type, domain);
    for (ZRNetService& service : m_services) {
        if (service.name != name || service.type != type || service.domain != domain)
            continue;
        if (!address.isEmpty() && !service.addresses.contains(address))
            service.addresses.append(address);
        if (m_handler)
            m_handler({{QStringLiteral("ServiceName"), name},
                       {QStringLiteral("ServiceAddresses"), addressesFromNetService(service)}});
        return;
    }
}
