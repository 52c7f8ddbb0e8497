#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

/*! One service found by a browser: its name, type and domain, and the socket addresses (in the kit's
    portable layout, see ZRURL) it resolved to so far. */
struct ZRNetService {
    QString name;
    QString type;
    QString domain;
    QList<QByteArray> addresses;

    QString description() const;
};

/*! Browses the local network for a DNS-SD service type through the Avahi daemon and reports every
    resolved service to its handler as {"ServiceName": name, "ServiceAddresses": ["host:port", ...]}, on
    the thread that created the browser (it needs that thread's event loop). Without a running Avahi
    daemon it logs why and finds nothing. Found services stay in services() for the browser's life. */
class ZRBonjourBrowser : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ZRBonjourBrowser)

public:
    using ResultHandler = std::function<void(const QVariantMap& result)>;

    explicit ZRBonjourBrowser(ResultHandler handler = {}, QObject* parent = nullptr);
    ~ZRBonjourBrowser() override;

    /*! A browser that has started browsing. */
    static std::unique_ptr<ZRBonjourBrowser> browserForService(const QString& service, ResultHandler handler);
    /*! The text itself when it holds a ".", else "_<text>._tcp". */
    static QString serviceTypeFromServiceName(const QString& service);
    /*! "host:port" strings of the service's addresses (those that can be written) in their order. */
    static QStringList addressesFromNetService(const ZRNetService& service);

    /*! False (and a log line) when the Avahi daemon cannot be reached. */
    bool startBrowsingForService(const QString& service);
    QList<ZRNetService> services() const { return m_services; }
    QString description() const;

private:
    struct Avahi;
    void serviceFound(const QString& name, const QString& type, const QString& domain);
    void serviceResolved(const QString& name, const QString& type, const QString& domain,
                         const QByteArray& address);

    ResultHandler m_handler;
    QList<ZRNetService> m_services;
    std::unique_ptr<Avahi> m_avahi;
};
