#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class QDBusServiceWatcher;

/*! What keeps one application per user and lets the desktop start, show and end it: the instance lock in
    the Application Support folder, the show command on the session bus, the termination signals and the
    tray host's coming and going. One per process; main thread only. */
class AppLifecycle final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppLifecycle)

public:
    /*! The lock file in the Application Support folder, held (flock) for the life of the process. */
    static inline const QString InstanceLockFileName = QStringLiteral("Instance.lock");

    explicit AppLifecycle(QObject* parent = nullptr);
    ~AppLifecycle() override;

    enum class Instance {
        First,        // this process holds the lock: it runs
        AlreadyShown, // another process holds it and was asked to show itself: this one ends
        NotAnswering, // another process holds it but neither answered nor ended in time
    };

    /*! Takes the instance lock in folder before anything reads or writes a file there. When another
        process holds it, asks that process to show itself; one that does not answer (it may be ending,
        as after an update's relaunch, or still starting) is waited for, up to `wait`. A folder where no
        lock can be made lets the process run, with a log line. */
    Instance claimInstance(const QString& folder,
                           std::chrono::milliseconds wait = std::chrono::milliseconds(15000));
    bool holdsInstanceLock() const { return m_lockDescriptor >= 0; }

    /*! Answers other starts' show requests on the session bus by calling show (on the main thread). */
    void listenForShowRequests(std::function<void()> show);

    /*! SIGTERM, SIGINT and SIGHUP end the application through its normal quit path at any time, also
        from inside a modal question's loop (which then ends with no answer). */
    void quitOnTerminationSignals();

    /*! True when the session bus has a StatusNotifierWatcher with a host registered (a panel that shows
        items), or the X display has an XEmbed tray. */
    static bool isTrayAvailable();
    static bool isStatusNotifierHostRegistered();
    /*! Emits trayHostAppeared and trayHostVanished as panels come and go on the session bus. */
    void watchTrayHost();

Q_SIGNALS:
    void trayHostAppeared();
    void trayHostVanished();

private:
    bool askRunningInstanceToShow() const;

    int m_lockDescriptor = -1;
    QObject* m_showService = nullptr;
    QDBusServiceWatcher* m_trayWatcher = nullptr;
};
