#include "XvfbServer.h"

#include <QDeadlineTimer>

XvfbServer::~XvfbServer() {
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(3000))
            m_process->kill();
        m_process->waitForFinished(1000);
    }
}

bool XvfbServer::start(const QString& screen) {
    m_process = std::make_unique<QProcess>();
    // -displayfd writes the display number it chose to standard output once it accepts clients.
    // -noreset: by default the server resets whenever its last client leaves, and a client that connects
    // while it does (the application starting while an xwininfo ends, or a second start after the first
    // one quit) is dropped ("could not connect to display"); the tests' clients come and go all the time.
    m_process->start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                      QStringLiteral("0"), screen, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                      QStringLiteral("-noreset")});
    if (!m_process->waitForStarted(5000))
        return false;
    QByteArray output;
    QDeadlineTimer deadline(15000);
    while (!output.contains('\n') && !deadline.hasExpired() && m_process->state() == QProcess::Running) {
        m_process->waitForReadyRead(100);
        output += m_process->readAllStandardOutput();
    }
    bool ok = false;
    const int number = output.trimmed().toInt(&ok);
    if (!ok)
        return false;
    m_display = QStringLiteral(":%1").arg(number);
    return true;
}
