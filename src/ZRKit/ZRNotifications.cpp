#include "ZRKit/ZRNotifications.h"

#include "Platform/Assert.h"
#include "Platform/MainThread.h"
#include "ZRKit/ZRKeyValue.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMetaProperty>
#include <QPointer>
#include <QTimer>

namespace ZRNotificationCenter {

namespace {

const QString NotificationKey = QStringLiteral("notification");
const QString ObjectKey = QStringLiteral("object");
const QString UserInfoKey = QStringLiteral("userInfo");
const QString TimeIntervalKey = QStringLiteral("timeInterval");

} // namespace

void postNotificationNameToMainThread(Platform::NotificationCenter& center, const QString& name,
                                      QObject* object, const QVariantMap& userInfo, bool waitUntilDone,
                                      double afterTimeInterval) {
    QVariantMap notification{{NotificationKey, name}};
    if (object)
        notification.insert(ObjectKey, QVariant::fromValue(QPointer<QObject>(object)));
    if (!userInfo.isEmpty())
        notification.insert(UserInfoKey, userInfo);
    if (afterTimeInterval > 0) {
        notification.insert(TimeIntervalKey, afterTimeInterval);
        waitUntilDone = false;
    }
    if (Platform::isMainThread() && waitUntilDone) {
        // Waiting for the main thread from the main thread would never return: post at once.
        relayNotification(center, notification);
        return;
    }
    QPointer<Platform::NotificationCenter> guardedCenter(&center);
    auto relay = [guardedCenter, notification] {
        if (guardedCenter)
            relayNotification(*guardedCenter, notification);
    };
    if (waitUntilDone)
        Platform::runOnMainAndWait(relay);
    else
        Platform::runOnMain(relay);
}

void relayNotification(Platform::NotificationCenter& center, const QVariantMap& notification) {
    Platform::assertMainThread();
    if (notification.contains(TimeIntervalKey)) {
        QVariantMap later = notification;
        const double seconds = later.take(TimeIntervalKey).toDouble();
        QPointer<Platform::NotificationCenter> guardedCenter(&center);
        QTimer::singleShot(static_cast<int>(qBound(0.0, seconds * 1000.0, 2147483647.0)),
                           QCoreApplication::instance(), [guardedCenter, later] {
                               if (guardedCenter)
                                   relayNotification(*guardedCenter, later);
                           });
        return;
    }
    QObject* object = notification.value(ObjectKey).value<QPointer<QObject>>().data();
    center.post(notification.value(NotificationKey).toString(), object,
                notification.value(UserInfoKey).toMap());
}

} // namespace ZRNotificationCenter

namespace ZRNotificationName {

QMetaObject::Connection observeObjectUsingBlock(const QString& name, QObject* object,
                                                std::function<void(const Platform::Notification&)> block) {
    Platform::NotificationCenter& center = Platform::NotificationCenter::defaultCenter();
    return center.addObserver(name, &center, std::move(block), object);
}

QMetaObject::Connection observeUsingBlock(const QString& name,
                                          std::function<void(const Platform::Notification&)> block) {
    return observeObjectUsingBlock(name, nullptr, std::move(block));
}

} // namespace ZRNotificationName

namespace ZRNumber {

bool numberWithBoolByInterpretingString(const QString& string, bool defaultBool) {
    if (string.isEmpty())
        return false;
    const QString lower = string.toLower();
    if (lower == QLatin1String("true") || lower == QLatin1String("yes") || string == QLatin1String("1"))
        return true;
    if (lower == QLatin1String("false") || lower == QLatin1String("no") || string == QLatin1String("0"))
        return false;
    return defaultBool;
}

} // namespace ZRNumber

namespace ZRObject {

namespace {

bool missing(const QVariant& value) {
    return !value.isValid() || value.isNull();
}

bool sameValue(const QVariant& newValue, const QVariant& current) {
    if (missing(current))
        return false;
    switch (newValue.typeId()) {
    case QMetaType::QString:
        return current.typeId() == QMetaType::QString && newValue.toString() == current.toString();
    case QMetaType::QDateTime:
        return current.typeId() == QMetaType::QDateTime && newValue.toDateTime() == current.toDateTime();
    default:
        return ZRKeyValue::isEqual(newValue, current);
    }
}

} // namespace

void changeValueForKeyWasChanged(QObject* object, const QVariant& newValue, const QString& key,
                                 bool* wasChanged) {
    Platform::parameterAssert(wasChanged != nullptr, "wasChanged != NULL");
    const QByteArray name = key.toUtf8();
    const QVariant current = object->property(name.constData());
    if (missing(newValue) && missing(current))
        return;
    if (!missing(newValue) && sameValue(newValue, current))
        return;
    object->setProperty(name.constData(), newValue);
    *wasChanged = true;
}

QVariantList valuesForKeysInArray(const QVariant& object, const QStringList& keys, const QVariant& marker) {
    Platform::parameterAssert(marker.isValid(), "nil != marker");
    QVariantList values;
    for (const QString& key : keys) {
        const QVariant value = ZRKeyValue::valueForKey(object, key);
        values.append(missing(value) ? marker : value);
    }
    return values;
}

QVariantList valuesForKeyPathsInArray(const QVariant& object, const QStringList& keyPaths,
                                      const QVariant& marker) {
    Platform::parameterAssert(marker.isValid(), "nil != marker");
    QVariantList values;
    for (const QString& keyPath : keyPaths) {
        const QVariant value = ZRKeyValue::valueForKeyPath(object, keyPath);
        values.append(missing(value) ? marker : value);
    }
    return values;
}

QVariantMap toDictionary(const QObject* object) {
    QVariantMap dictionary;
    const QMetaObject* meta = object->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const QVariant value = property.read(object);
        if (!missing(value))
            dictionary.insert(QString::fromLatin1(property.name()), value);
    }
    return dictionary;
}

} // namespace ZRObject
