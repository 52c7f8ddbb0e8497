#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace Platform {

/*! What the crash handler wrote about a crashed run, read back on the next start. */
struct CrashReport {
    int signal = 0;
    int code = 0;
    /*! Where the fault lay, when the kernel raised the signal for one. */
    std::optional<quintptr> faultAddress;
    /*! The process that sent the signal, when another process did. */
    std::optional<qint64> senderPid;
    /*! Seconds since the epoch. */
    qint64 time = 0;
    /*! The run ended through std::terminate; the message of the exception in flight, if any. */
    bool terminated = false;
    QString terminateMessage;
    /*! Instruction addresses, innermost first. */
    QList<quintptr> frames;
    /*! The run's breadcrumbs as a JSON array. */
    QByteArray breadcrumbs;
    /*! The crashed process's memory map (the text of /proc/<pid>/maps). */
    QByteArray maps;

    /*! Reads a report; nothing, with the reason, when the text is not one. */
    static std::optional<CrashReport> parse(const QByteArray& data, QString* error = nullptr);
    /*! "SIGSEGV" and the like; "signal <n>" for others. */
    static QString signalName(int signal);
};

/*! The process's handler of fatal signals (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) and of
    std::terminate. It runs on an alternate stack, writes the report with async-signal-safe calls only
    (into a temporary file renamed into place, so a report is whole or absent), then puts back the
    handler it replaced and lets the signal take its course. */
namespace CrashHandler {

/*! Installs the handlers; the report goes to `reportPath`. Once per process; false when already in. */
bool install(const QString& reportPath);
/*! Puts back the handlers that were there before. */
void uninstall();
bool isInstalled();
/*! The breadcrumbs a report of a crash from now on carries (a JSON array). Any thread. */
void publishBreadcrumbs(const QByteArray& json);

/*! The instruction addresses of another thread of this process, innermost first, or nothing when the
    thread does not answer within a short time. */
QList<quintptr> captureStack(unsigned long thread);
/*! Called from a thread that is to have its stack taken later (installs the answering handler). */
void prepareStackCapture();

} // namespace CrashHandler

} // namespace Platform
