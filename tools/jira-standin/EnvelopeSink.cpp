#include "EnvelopeSink.h"

#include <QMap>

namespace {

// "Sentry sentry_version=7, sentry_client=name/1.0, sentry_key=abc" -> its fields.
QMap<QByteArray, QByteArray> authFields(const QByteArray& header) {
    QMap<QByteArray, QByteArray> fields;
    QByteArray rest = header.trimmed();
    if (!rest.startsWith("Sentry "))
        return fields;
    rest = rest.mid(7);
    for (const QByteArray& part : rest.split(',')) {
        const QByteArray field = part.trimmed();
        const qsizetype equals = field.indexOf('=');
        if (equals > 0)
            fields.insert(field.left(equals), field.mid(equals + 1));
    }
    return fields;
}

} // namespace

EnvelopeSink::EnvelopeSink(JiraStandIn& standIn, QString publicKey, QString projectId)
    : m_standIn(standIn)
    , m_publicKey(std::move(publicKey))
    , m_projectId(std::move(projectId)) {
    m_clock.start();
    m_standIn.addRoute("POST", QStringLiteral("^/api/([^/]+)/envelope/$"), false,
                       [this](const JiraStandIn::Request& request, const QRegularExpressionMatch& match) {
                           return receive(request, match.captured(1));
                       });
}

QString EnvelopeSink::dsn() const {
    return QStringLiteral("http://%1@127.0.0.1:%2/%3")
        .arg(m_publicKey)
        .arg(m_standIn.port())
        .arg(m_projectId);
}

void EnvelopeSink::answerTooManyRequests(int times, const QByteArray& retryAfter,
                                         const QByteArray& rateLimits) {
    m_tooManyRequests = times;
    m_retryAfter = retryAfter;
    m_rateLimits = rateLimits;
}

JiraStandIn::Reply EnvelopeSink::receive(const JiraStandIn::Request& request, const QString& project) {
    Attempt attempt;
    attempt.arrivedMs = m_clock.elapsed();
    attempt.body = request.body;
    attempt.headers = request.headers;
    auto answer = [&](JiraStandIn::Reply reply) {
        attempt.status = reply.status;
        m_attempts.append(attempt);
        return reply;
    };
    if (project != m_projectId)
        return answer(JiraStandIn::Reply::error(404, QStringLiteral("Unknown project")));
    const auto auth = authFields(request.header("X-Sentry-Auth"));
    if (auth.value("sentry_version") != "7" || auth.value("sentry_client").isEmpty())
        return answer(JiraStandIn::Reply::error(401, QStringLiteral("Missing or malformed X-Sentry-Auth")));
    if (QString::fromUtf8(auth.value("sentry_key")) != m_publicKey)
        return answer(JiraStandIn::Reply::error(403, QStringLiteral("Unknown public key")));
    if (request.header("Content-Type").split(';').value(0).trimmed() != "application/x-sentry-envelope")
        return answer(
            JiraStandIn::Reply::error(415, QStringLiteral("Expected application/x-sentry-envelope")));
    attempt.envelope = Platform::SentryEnvelope::parse(request.body, &attempt.error);
    if (!attempt.envelope)
        return answer(JiraStandIn::Reply::error(400, attempt.error));
    if (m_tooManyRequests > 0) {
        --m_tooManyRequests;
        JiraStandIn::Reply reply = JiraStandIn::Reply::error(429, QStringLiteral("Too many requests"));
        if (!m_retryAfter.isEmpty())
            reply.headers.append({"Retry-After", m_retryAfter});
        if (!m_rateLimits.isEmpty())
            reply.headers.append({"X-Sentry-Rate-Limits", m_rateLimits});
        return answer(reply);
    }
    const QString eventId = attempt.envelope->header.value(QStringLiteral("event_id")).toString();
    return answer(JiraStandIn::Reply::json(QJsonObject{{QStringLiteral("id"), eventId}}));
}

QList<Platform::SentryEnvelope> EnvelopeSink::envelopes() const {
    QList<Platform::SentryEnvelope> taken;
    for (const Attempt& attempt : m_attempts)
        if (attempt.status == 200 && attempt.envelope)
            taken.append(*attempt.envelope);
    return taken;
}

int EnvelopeSink::rejectedCount() const {
    int count = 0;
    for (const Attempt& attempt : m_attempts)
        if (attempt.status == 400 || attempt.status == 401 || attempt.status == 403 || attempt.status == 415)
            ++count;
    return count;
}

QList<QJsonObject> EnvelopeSink::payloads(const QString& itemType) const {
    QList<QJsonObject> result;
    for (const Platform::SentryEnvelope& envelope : envelopes())
        for (const Platform::SentryEnvelopeItem& item : envelope.itemsOfType(itemType))
            result.append(item.json());
    return result;
}
