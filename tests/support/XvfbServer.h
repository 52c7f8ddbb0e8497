#pragma once

#include <QProcess>
#include <QString>

#include <memory>

/*! A virtual X display for tests that need what the offscreen platform cannot host (a tray icon, a
    panel). It picks a free display number itself and ends with the object. */
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool start(const QString& screen = QStringLiteral("1280x800x24"));
    /*! ":N" once started. */
    QString display() const { return m_display; }

private:
    std::unique_ptr<QProcess> m_process;
    QString m_display;
};
