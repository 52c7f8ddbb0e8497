#pragma once

#include <QObject>
#include <QString>

inline const QString ZRiCloudManagerDidReceiveUbiquityURL =
    QStringLiteral("ZRiCloudManagerDidReceiveUbiquityURL");

/*! Tells whether the user's ubiquitous key-value store can be reached. No such store exists on this
    system, so the check always finds it unavailable: iCloudAvaible stays false and
    "ZRiCloudManagerDidReceiveUbiquityURL" is never posted. */
class ZRiCloudManager : public QObject {
    Q_OBJECT

public:
    explicit ZRiCloudManager(QString containerIdentifier, QObject* parent = nullptr);

    QString containerIdentifier() const { return m_containerIdentifier; }
    bool iCloudAvaible() const { return m_iCloudAvaible; }
    void checkForiCloudAvailability();

private:
    QString m_containerIdentifier;
    bool m_iCloudAvaible = false;
};
