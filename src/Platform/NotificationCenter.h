#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace Platform {

struct Notification {
    QString name;
    QPointer<QObject> object;
    QVariantMap userInfo;
};

/*! Posts named notifications to observers. post() delivers synchronously on the posting thread;
    postOnMain() delivers later on the main thread. */
class NotificationCenter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationCenter)

public:
    using Handler = std::function<void(const Notification&)>;

    NotificationCenter() = default;
    static NotificationCenter& defaultCenter();

    void post(const QString& name, QObject* object = nullptr, const QVariantMap& userInfo = {});
    void postOnMain(const QString& name, QObject* object = nullptr, const QVariantMap& userInfo = {});

    /*! Calls the handler for every notification of that name (from that sender when one is given)
        until the context object is destroyed or the returned connection is disconnected. */
    QMetaObject::Connection addObserver(const QString& name, QObject* context, Handler handler,
                                        QObject* sender = nullptr);

Q_SIGNALS:
    void posted(const Platform::Notification& notification);
};

} // namespace Platform
