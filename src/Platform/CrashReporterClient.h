#pragma once

#include "Platform/CrashReporter.h"
#include "Platform/SentryDsn.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace Platform {

class AppHangWatchdog;
class HttpActivityLogger;
class SentryTransport;

/*! One run's crash reporting: the session of the run, the crash report of the run before, the crash
    handler, the app-hang watchdog, network breadcrumbs and failed requests, and the transport.

    Its files live in one folder: "installation.id" (the anonymous distinct id), "session.json" (the
    run's session as it stands), "crash.report" (written by the crash handler) and "outbox/". Create it
    on the GUI thread. */
class CrashReporterClient {
public:
    static constexpr int MaxBreadcrumbs = 100;

    /*! Starts reporting with the files in `folder`. When the DSN cannot be used, reporting stays off
        and one line says why. */
    CrashReporterClient(const CrashReporterOptions& options, const QString& folder);
    /*! Stops the threads and takes the handlers out; the session stays open (an ended process that
        never closed it counts as abnormal on the next start). */
    ~CrashReporterClient();
    CrashReporterClient(const CrashReporterClient&) = delete;
    CrashReporterClient& operator=(const CrashReporterClient&) = delete;

    /*! $XDG_CACHE_HOME/Corvantide/CrashReports */
    static QString defaultFolder();

    bool isEnabled() const { return m_transport != nullptr; }
    QString folder() const { return m_folder; }
    SentryTransport* transport() const { return m_transport.get(); }
    /*! The run's session id. */
    QString sessionId() const { return m_sessionId; }

    /*! Ends the run's session as exited: the application quits normally. */
    void close();
    /*! Waits, at most the timeout, until the transport has sent what it can send now; true when it has.
        What is sent before the process ends is not sent again by the next start. */
    bool flush(std::chrono::milliseconds timeout);

    /*! A run's session as "session.json" keeps it. */
    struct SessionState {
        QString sid;
        QString started;
        QString timestamp; // the last change; the start time when the file has none
        QString status;    // "ok", "exited", "crashed" or "abnormal"
        int errors = 0;
        QString release;
        QString environment;
    };
    /*! Reads a session file. A damaged one (not a JSON object, an id that is not a UUID, a start time that
        is not a date, an unknown status, an error count that is not a count, no release) gives nothing,
        with the reason in error. */
    static std::optional<SessionState> parseSessionFile(const QByteArray& bytes, QString* error = nullptr);
    /*! Adds a breadcrumb (at most the last MaxBreadcrumbs are kept). Any thread. */
    void addBreadcrumb(QJsonObject breadcrumb);
    /*! Sends an event of this run with its breadcrumbs and counts an error in the session. Any thread.
        Returns the event id; empty when reporting is off. */
    QString captureEvent(QJsonObject event);

    /*! The event of an app hang of at least the timeout, with the GUI thread's stack. */
    QJsonObject appHangEvent(double timeoutSeconds, const QList<quintptr>& stack) const;

private:
    class NetworkObserver;

    void sendPreviousRun();
    /*! Sends the crash report as a fatal event with the crashed run's session and removes it. */
    void sendCrashReport(const QString& crashPath, QJsonObject crashedSession);
    void startSession();
    QJsonObject baseEvent(const QString& level) const;
    QJsonObject sessionPayload(bool init, const QString& status) const;
    QJsonObject envelopeHeader(const QString& eventId) const;
    void saveSession() const;
    void enqueue(const QString& eventId, const QJsonObject& event, const QJsonObject& session);
    QJsonArray breadcrumbValues() const;

    CrashReporterOptions m_options;
    QString m_folder;
    std::optional<SentryDsn> m_dsn;
    QJsonObject m_contexts;
    QString m_clientName;
    QString m_distinctId;

    mutable std::mutex m_mutex; // guards the session and the breadcrumbs
    QString m_sessionId;
    QString m_sessionStarted;
    QString m_sessionStatus;
    int m_sessionErrors = 0;
    std::deque<QJsonObject> m_breadcrumbs;

    std::unique_ptr<SentryTransport> m_transport;
    std::unique_ptr<AppHangWatchdog> m_watchdog;
    std::shared_ptr<HttpActivityLogger> m_networkObserver;
    bool m_ownsCrashHandler = false;
};

} // namespace Platform
