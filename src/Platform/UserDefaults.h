#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <optional>

class QSettings;

namespace Platform {

/*! The user's settings: a persistent user domain (QSettings under $XDG_CONFIG_HOME) over a registration
    domain of defaults that apply while the user has stored nothing under a key. Values keep their types
    for the life of the process; every change emits valueChanged for bindings. Safe from any thread;
    the signal is emitted on the thread that made the change. */
class UserDefaults final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UserDefaults)

public:
    /*! A store backed by the settings file at the path. */
    explicit UserDefaults(const QString& filePath, QObject* parent = nullptr);
    ~UserDefaults() override;

    /*! The application's store: $XDG_CONFIG_HOME/Corvantide/Corvantide.conf, made at first use. */
    static UserDefaults& standard();

    QString filePath() const;

    void registerDefaults(const QVariantMap& defaults);
    QVariantMap registeredDefaults() const;

    /*! The user's value, else the registered one, else an invalid QVariant. */
    QVariant value(const QString& key) const;
    /*! An invalid (null) QVariant removes the user's value. */
    void setValue(const QString& key, const QVariant& value);
    void removeObject(const QString& key);
    bool hasUserValue(const QString& key) const;

    std::optional<QString> string(const QString& key) const;
    qint64 integer(const QString& key) const;
    bool boolean(const QString& key) const;
    double doubleValue(const QString& key) const;
    QByteArray data(const QString& key) const;
    std::optional<QDateTime> date(const QString& key) const;

    /*! Registered values overlaid with the user's. */
    QVariantMap dictionaryRepresentation() const;
    /*! The user's own values only. */
    QVariantMap persistentDomain() const;

    void synchronize();

Q_SIGNALS:
    void valueChanged(const QString& key);

private:
    mutable std::recursive_mutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_user;
    QVariantMap m_registered;
};

} // namespace Platform
