#include "Platform/SystemLog.h"

#include <QByteArray>

#include <algorithm>
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

QString escaped(const QString& text) {
    const auto needsEscape = [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
               c == QChar::ParagraphSeparator;
    };
    if (std::none_of(text.cbegin(), text.cend(), needsEscape))
        return text;
    QString result;
    result.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (!needsEscape(c))
            result.append(c);
        else if (c == QLatin1Char('\n'))
            result.append(QLatin1String("\\n"));
        else if (c == QLatin1Char('\r'))
            result.append(QLatin1String("\\r"));
        else if (c.unicode() <= 0xff)
            result.append(QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')));
        else
            result.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    return result;
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
