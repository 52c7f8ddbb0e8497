#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace TestUtils {

/*! A Secret Service of this test process alone: its own D-Bus session bus and gnome-keyring daemon, so a
    test can lock the keyring (or start without one) while other tests use the shared keyring. While it
    lives, the process's session bus is the private one; afterwards the process is back on the bus it had
    before. */
class PrivateKeyring {
public:
    enum class Login {
        Unlocked, //!< a login keyring, the default collection, created and unlocked
        None,     //!< no login keyring: the service runs but has no default collection
    };

    explicit PrivateKeyring(Login login = Login::Unlocked);
    ~PrivateKeyring();
    PrivateKeyring(const PrivateKeyring&) = delete;
    PrivateKeyring& operator=(const PrivateKeyring&) = delete;

    /*! Empty when the keyring runs; otherwise what went wrong. */
    const QString& error() const { return m_error; }

    /*! Locks the default collection, as the desktop does when the screen locks. */
    bool lock();
    /*! Unlocks it with its password, without a prompt, as a login does. */
    bool unlock();
    bool isLocked();

private:
    bool waitForService();

    QTemporaryDir m_root;
    QProcess m_bus;
    QProcess m_daemon;
    QString m_error;
    bool m_addressReplaced = false;
    std::optional<QByteArray> m_previousAddress;
};

} // namespace TestUtils
