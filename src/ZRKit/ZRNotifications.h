#pragma once

#include "Platform/NotificationCenter.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

/*! Posting notifications on the main thread from any thread, optionally after a delay. */
namespace ZRNotificationCenter {

/*! Posts on the main thread. With waitUntilDone the caller waits until the observers have run (on the
    main thread itself the post happens at once); a delay above 0 never waits. */
void postNotificationNameToMainThread(Platform::NotificationCenter& center, const QString& name,
                                      QObject* object = nullptr, const QVariantMap& userInfo = {},
                                      bool waitUntilDone = true, double afterTimeInterval = 0);

/*! Main thread only: with a "timeInterval" entry, the same dictionary without it is relayed again after
    that many seconds; without one the centre posts "notification" with "object" and "userInfo". */
void relayNotification(Platform::NotificationCenter& center, const QVariantMap& notification);

} // namespace ZRNotificationCenter

/*! Observing a notification by its name; the block runs on the posting thread. */
namespace ZRNotificationName {

/*! Observes notifications of the name from the object (any sender when null) on the default centre
    until the returned connection is disconnected. */
QMetaObject::Connection observeObjectUsingBlock(const QString& name, QObject* object,
                                                std::function<void(const Platform::Notification&)> block);
QMetaObject::Connection observeUsingBlock(const QString& name,
                                          std::function<void(const Platform::Notification&)> block);

} // namespace ZRNotificationName

namespace ZRNumber {

/*! true for "true"/"yes" (any case) and "1", false for "false"/"no" and "0" and for an empty text;
    the default for anything else. */
bool numberWithBoolByInterpretingString(const QString& string, bool defaultBool = false);

} // namespace ZRNumber

/*! Key-value utilities on any object (QObject properties; dictionaries by key, see ZRKeyValue). */
namespace ZRObject {

/*! Sets the property when the new value differs from the current one and then sets *wasChanged to
    true; never sets it to false. Both missing, or equal, changes nothing. */
void changeValueForKeyWasChanged(QObject* object, const QVariant& newValue, const QString& key,
                                 bool* wasChanged);
/*! The value for each key in order, the marker where there is none. */
QVariantList valuesForKeysInArray(const QVariant& object, const QStringList& keys, const QVariant& marker);
QVariantList valuesForKeyPathsInArray(const QVariant& object, const QStringList& keyPaths,
                                      const QVariant& marker);
/*! The properties the object's own class declares (not its base classes'), by name; missing values
    left out. */
QVariantMap toDictionary(const QObject* object);

} // namespace ZRObject
