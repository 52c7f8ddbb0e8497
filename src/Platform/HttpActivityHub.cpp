#include "Platform/HttpActivityHub.h"

#include "Platform/HttpTask.h"
#include "Platform/MainThread.h"

namespace Platform {

HttpActivityHub& HttpActivityHub::shared() {
    static HttpActivityHub hub;
    return hub;
}

void HttpActivityHub::addLogger(std::shared_ptr<HttpActivityLogger> logger) {
    assertMainThread();
    if (logger && !m_loggers.contains(logger))
        m_loggers.append(std::move(logger));
}

void HttpActivityHub::removeLogger(const std::shared_ptr<HttpActivityLogger>& logger) {
    assertMainThread();
    m_loggers.removeAll(logger);
}

void HttpActivityHub::removeAllLoggers() {
    assertMainThread();
    m_loggers.clear();
}

void HttpActivityHub::addObserver(std::shared_ptr<HttpActivityLogger> observer) {
    assertMainThread();
    if (observer && !m_observers.contains(observer))
        m_observers.append(std::move(observer));
}

void HttpActivityHub::removeObserver(const std::shared_ptr<HttpActivityLogger>& observer) {
    assertMainThread();
    m_observers.removeAll(observer);
}

void HttpActivityHub::setLogLevel(unsigned level) {
    assertMainThread();
    for (const auto& logger : m_loggers)
        logger->setLevel(level);
}

void HttpActivityHub::startLogging() {
    assertMainThread();
    m_logging = true;
}

void HttpActivityHub::stopLogging() {
    assertMainThread();
    m_logging = false;
}

void HttpActivityHub::taskDidStart(const HttpTask& task) {
    const auto observers = m_observers;
    for (const auto& observer : observers)
        observer->taskDidStart(task);
    if (!m_logging)
        return;
    const auto loggers = m_loggers;
    for (const auto& logger : loggers)
        if (!logger->filter() || !logger->filter()(task.originalRequest()))
            logger->taskDidStart(task);
}

void HttpActivityHub::taskDidFinish(const HttpTask& task, const QJsonValue& responseObject,
                                    double elapsedSeconds, const OptionalError& error) {
    const auto observers = m_observers;
    for (const auto& observer : observers)
        observer->taskDidFinish(task, responseObject, elapsedSeconds, error);
    if (!m_logging)
        return;
    const auto loggers = m_loggers;
    for (const auto& logger : loggers)
        if (!logger->filter() || !logger->filter()(task.originalRequest()))
            logger->taskDidFinish(task, responseObject, elapsedSeconds, error);
}

} // namespace Platform
