#include "Platform/Clock.h"

#include <mutex>

namespace Platform::Clock {

namespace {
std::mutex& providerMutex() {
    static std::mutex mutex;
    return mutex;
}
Provider& currentProvider() {
    static Provider provider;
    return provider;
}
} // namespace

QDateTime now() {
    Provider provider;
    {
        std::lock_guard lock(providerMutex());
        provider = currentProvider();
    }
    return provider ? provider() : QDateTime::currentDateTimeUtc();
}

Provider setProvider(Provider provider) {
    std::lock_guard lock(providerMutex());
    Provider previous = std::move(currentProvider());
    currentProvider() = std::move(provider);
    return previous;
}

Fixed::Fixed(QDateTime instant)
    : m_instant(std::move(instant)) {
    m_previous = setProvider([this] { return m_instant; });
}

Fixed::~Fixed() {
    setProvider(std::move(m_previous));
}

void Fixed::set(QDateTime instant) {
    m_instant = std::move(instant);
}

void Fixed::advance(qint64 seconds) {
    m_instant = m_instant.addSecs(seconds);
}

} // namespace Platform::Clock
