// What the crash reporter reads from its settings and from the server's answers: the DSN (first line of
// the input) and the rate-limit headers of an answer (the rest). A taken DSN is https or loopback http
// and names a project and gives a header without control characters; rate limits are bounded waits.
#include "FuzzSupport.h"
#include "Platform/SentryDsn.h"
#include "Platform/SentryTransport.h"

#include <QHostAddress>

#include <algorithm>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = FuzzSupport::bytes(data, size);
    const qsizetype newline = input.indexOf('\n');
    const QByteArray first = newline < 0 ? input : input.left(newline);
    const QByteArray rest = newline < 0 ? QByteArray() : input.mid(newline + 1);

    QString whyNot;
    if (const auto dsn = Platform::SentryDsn::parse(QString::fromUtf8(first), &whyNot)) {
        FuzzSupport::check(!dsn->projectId.isEmpty() && !dsn->publicKey.isEmpty(),
                           "a DSN names key and project");
        const QByteArray auth = dsn->authHeader(QStringLiteral("corvantide/1.0"));
        FuzzSupport::check(std::none_of(auth.cbegin(), auth.cend(),
                                        [](char c) { return (c >= 0 && c < 0x20) || c == 0x7f; }),
                           "the auth header holds no control character");
        const QUrl endpoint = dsn->envelopeUrl();
        FuzzSupport::check(endpoint.isValid(), "the endpoint is a URL");
        FuzzSupport::check(
            dsn->scheme == QLatin1String("https") ||
                (dsn->scheme == QLatin1String("http") &&
                 (dsn->host == QLatin1String("localhost") || QHostAddress(dsn->host).isLoopback())),
            "plain http only to this computer");
        FuzzSupport::check(!dsn->publicText().contains(QLatin1Char('?')), "the DSN text has no query");
    } else {
        FuzzSupport::check(!whyNot.isEmpty(), "a refused DSN says why");
    }

    const qsizetype split = rest.indexOf('\n');
    const QByteArray rateLimits = split < 0 ? rest : rest.left(split);
    const QByteArray retryAfter = split < 0 ? QByteArray() : rest.mid(split + 1);
    for (const int status : {200, 429})
        for (const auto& [category, seconds] :
             Platform::SentryTransport::rateLimits(status, rateLimits, retryAfter))
            FuzzSupport::check(seconds >= 0 && seconds <= Platform::SentryTransport::LongestRateLimitSeconds,
                               "a rate limit is a bounded wait");
    return 0;
}
