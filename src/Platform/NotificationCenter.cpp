#include "Platform/NotificationCenter.h"

#include "Platform/MainThread.h"

namespace Platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::post(const QString& name, QObject* object, const QVariantMap& userInfo) {
    Q_EMIT posted(Notification{name, object, userInfo});
}

void NotificationCenter::postOnMain(const QString& name, QObject* object, const QVariantMap& userInfo) {
    QPointer<QObject> guarded(object);
    runOnMain([this, name, guarded, userInfo] { Q_EMIT posted(Notification{name, guarded, userInfo}); });
}

QMetaObject::Connection NotificationCenter::addObserver(const QString& name, QObject* context, Handler handler,
                                                        QObject* sender) {
    QPointer<QObject> wantedSender(sender);
    const bool filterSender = sender != nullptr;
    return connect(
        this, &NotificationCenter::posted, context,
        [name, handler = std::move(handler), wantedSender, filterSender](const Notification& notification) {
            if (notification.name != name)
                return;
            // An observer of one sender hears nothing more once that sender is gone, not every nil post.
            if (filterSender && (wantedSender.isNull() || notification.object != wantedSender))
                return;
            handler(notification);
        },
        Qt::DirectConnection);
}

} // namespace Platform
