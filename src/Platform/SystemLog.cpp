#include "Platform/SystemLog.h"

#include <QByteArray>

#include <cstdio>
#include <syslog.h>

namespace Platform::SystemLog {

namespace {
std::mutex& hookMutex() {
    static std::mutex mutex;
    return mutex;
}
Hook& currentHook() {
    static Hook hook;
    return hook;
}
} // namespace

void log(const QString& line) {
    const QByteArray utf8 = line.toUtf8();
    syslog(LOG_NOTICE, "%s", utf8.constData());
    std::fprintf(stderr, "%s\n", utf8.constData());
    Hook hook;
    {
        std::lock_guard lock(hookMutex());
        hook = currentHook();
    }
    if (hook)
        hook(line);
}

Hook setCaptureHook(Hook hook) {
    std::lock_guard lock(hookMutex());
    Hook previous = std::move(currentHook());
    currentHook() = std::move(hook);
    return previous;
}

Capture::Capture() {
    m_previous = setCaptureHook([this](const QString& line) {
        std::lock_guard lock(m_mutex);
        m_lines.append(line);
    });
}

Capture::~Capture() { setCaptureHook(std::move(m_previous)); }

QStringList Capture::lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

bool Capture::contains(const QString& text) const {
    std::lock_guard lock(m_mutex);
    for (const QString& line : m_lines)
        if (line.contains(text))
            return true;
    return false;
}

QString Capture::text() const {
    std::lock_guard lock(m_mutex);
    return m_lines.join(QLatin1Char('\n'));
}

void Capture::clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

} // namespace Platform::SystemLog
