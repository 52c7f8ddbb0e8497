#include "Platform/UI/Workspace.h"

#include "Platform/ErrorPresenter.h"
#include "Platform/SystemLog.h"
#include "Platform/WebURL.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryFile>

namespace Platform {

namespace {

Workspace::URLOpener& testOpener() {
    static Workspace::URLOpener opener;
    return opener;
}

const QString ErrorDomain = QStringLiteral("com.dunwarbeck.error.workspace");

void reportFailure(const QUrl& url, const QString& reason) {
    const QString address = url.toDisplayString(QUrl::RemoveUserInfo);
    presentError(Error(ErrorDomain, 0,
                       QCoreApplication::translate("Workspace", "The page %1 could not be opened.",
                                                   "error when no browser takes a page")
                           .arg(address),
                       reason));
}

// The desktop's opener (xdg-open) is run here rather than started and forgotten, so that "no browser"
// reaches the user instead of vanishing. It may run the browser in the foreground and outlive the
// application: it has no parent that would end it, and its output goes to a file, never to a pipe that
// would break when the application ends.
bool openWithDesktop(const QUrl& url) {
    auto* process = new QProcess();
    auto* errors =
        new QTemporaryFile(QDir::temp().filePath(QStringLiteral("corvantide-open-XXXXXX")), process);
    if (errors->open()) {
        errors->close();
        process->setStandardErrorFile(errors->fileName());
    } else {
        process->setStandardErrorFile(QProcess::nullDevice());
    }
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(
        process, &QProcess::errorOccurred, process, [process, url](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            reportFailure(url, QCoreApplication::translate("Workspace",
                                                           "The desktop's opener %1 could not be started: %2",
                                                           "reason when no browser takes a page")
                                   .arg(process->program(), process->errorString()));
            process->deleteLater();
        });
    QObject::connect(
        process, &QProcess::finished, process,
        [process, errors, url](int exitCode, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit || exitCode != 0) {
                QString reason;
                if (errors->open()) {
                    const QStringList lines =
                        QString::fromLocal8Bit(errors->read(65536)).split(u'\n', Qt::SkipEmptyParts);
                    errors->close();
                    if (!lines.isEmpty())
                        reason = lines.last().trimmed();
                }
                if (reason.isEmpty())
                    reason = QCoreApplication::translate("Workspace", "%1 ended with status %2.",
                                                         "reason when no browser takes a page")
                                 .arg(process->program())
                                 .arg(status == QProcess::NormalExit ? exitCode : -1);
                reportFailure(url, reason);
            }
            process->deleteLater();
        });
    process->start(QStringLiteral("xdg-open"), {QString::fromUtf8(url.toEncoded())});
    return true;
}

} // namespace

bool Workspace::openURL(const QUrl& url) {
    // Only web pages leave the application: a file, script or custom-scheme address is never opened.
    if (!isWebURL(url)) {
        SystemLog::log(QStringLiteral("refusing to open a non-web address: ") +
                       url.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment));
        return false;
    }
    if (testOpener())
        return testOpener()(url);
    return openWithDesktop(url);
}

void Workspace::setURLOpenerForTesting(URLOpener opener) {
    testOpener() = std::move(opener);
}

} // namespace Platform
