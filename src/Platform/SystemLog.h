#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

namespace Platform::SystemLog {

/*! Writes one plain line to the system log (syslog) and to standard error. Safe from any thread. */
void log(const QString& line);

/*! Outside text made safe to put into a log line: line breaks as \n and \r, every other control
    character as \xNN (\uNNNN beyond Latin-1, the Unicode line and paragraph separators among them), so
    that no text can start a line of its own. */
QString escaped(const QString& text);

using Hook = std::function<void(const QString& line)>;

/*! Installs a hook that sees every line (tests); returns the hook it replaces. */
Hook setCaptureHook(Hook hook);

/*! Collects every line logged while it lives, for assertions in tests. */
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    QStringList lines() const;
    /*! True when some line contains the text. */
    bool contains(const QString& text) const;
    /*! The whole capture as one text, lines joined by newlines. */
    QString text() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    QStringList m_lines;
    Hook m_previous;
};

} // namespace Platform::SystemLog
