#pragma once

#include <QDateTime>

#include <functional>

namespace Platform::Clock {

/*! The current time. Code that compares against "now" (token expiry) asks here, so tests can fix it. */
QDateTime now();

using Provider = std::function<QDateTime()>;

/*! Replaces the time source (tests); an empty provider restores the system clock. Returns the previous. */
Provider setProvider(Provider provider);

/*! Holds the clock at a given instant while it lives, and lets a test move it. */
class Fixed {
public:
    explicit Fixed(QDateTime instant);
    ~Fixed();
    Fixed(const Fixed&) = delete;
    Fixed& operator=(const Fixed&) = delete;

    void set(QDateTime instant);
    void advance(qint64 seconds);

private:
    QDateTime m_instant;
    Provider m_previous;
};

} // namespace Platform::Clock
