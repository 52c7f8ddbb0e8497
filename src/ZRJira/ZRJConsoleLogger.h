#pragma once

#include "Platform/HttpActivityHub.h"
#include "Platform/HttpMessage.h"

/*! Writes one system-log line when a request starts and one when it finishes. Level 1 (debug) adds
    headers and bodies, level 2 (info) is short, level 3 (warn) shows failures only. The Authorization
    header never appears, and the values of tokens, codes and the client secret are redacted. */
class ZRJConsoleLogger final : public Platform::HttpActivityLogger {
public:
    ZRJConsoleLogger() = default;

    void taskDidStart(const Platform::HttpTask& task) override;
    void taskDidFinish(const Platform::HttpTask& task, const QJsonValue& responseObject,
                       double elapsedSeconds, const Platform::OptionalError& error) override;

    /*! The request's headers without "Authorization" (in any case). */
    static Platform::HttpHeaders filteredHTTPHeaderFields(const Platform::HttpRequest& request);
};
