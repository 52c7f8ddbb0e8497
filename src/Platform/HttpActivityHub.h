#pragma once

#include "Platform/Error.h"
#include "Platform/HttpMessage.h"

#include <QJsonValue>
#include <QList>

#include <functional>
#include <memory>

namespace Platform {

class HttpTask;

/*! A request logger attached to the activity hub: it hears of every task of every session. */
class HttpActivityLogger {
public:
    enum Level : unsigned { Off = 0, Debug = 1, Info = 2, Warn = 3, Error = 4 };
    using Filter = std::function<bool(const HttpRequest& request)>;

    virtual ~HttpActivityLogger() = default;

    unsigned level() const { return m_level; }
    void setLevel(unsigned level) { m_level = level; }
    /*! Requests the filter answers true for are not handed to this logger. */
    const Filter& filter() const { return m_filter; }
    void setFilter(Filter filter) { m_filter = std::move(filter); }

    virtual void taskDidStart(const HttpTask& task) = 0;
    virtual void taskDidFinish(const HttpTask& task, const QJsonValue& responseObject, double elapsedSeconds,
                               const OptionalError& error) = 0;

private:
    unsigned m_level = Info;
    Filter m_filter;
};

/*! Hands the start and the end of every session task to its loggers while logging is on. GUI thread. */
class HttpActivityHub {
public:
    static HttpActivityHub& shared();

    void addLogger(std::shared_ptr<HttpActivityLogger> logger);
    void removeLogger(const std::shared_ptr<HttpActivityLogger>& logger);
    void removeAllLoggers();
    QList<std::shared_ptr<HttpActivityLogger>> loggers() const { return m_loggers; }

    /*! Observers hear of every task whether logging is on or not; removing the loggers leaves them. */
    void addObserver(std::shared_ptr<HttpActivityLogger> observer);
    void removeObserver(const std::shared_ptr<HttpActivityLogger>& observer);

    /*! Sets the level of every attached logger. */
    void setLogLevel(unsigned level);
    void startLogging();
    void stopLogging();
    bool isLogging() const { return m_logging; }

    // Called by the sessions.
    void taskDidStart(const HttpTask& task);
    void taskDidFinish(const HttpTask& task, const QJsonValue& responseObject, double elapsedSeconds,
                       const OptionalError& error);

private:
    QList<std::shared_ptr<HttpActivityLogger>> m_loggers;
    QList<std::shared_ptr<HttpActivityLogger>> m_observers;
    bool m_logging = false;
};

} // namespace Platform
