#pragma once

#include "JiraStandIn.h"

#include "Platform/SentryEnvelope.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

/*! A crash-report server on the stand-in: POST /api/<project>/envelope/. It checks the X-Sentry-Auth
    header (version 7, a client name, the project's public key), the content type and the envelope's
    form, records every attempt, and can answer 429 with Retry-After or X-Sentry-Rate-Limits. */
class EnvelopeSink final {
public:
    struct Attempt {
        int status = 0;
        /*! Milliseconds since the sink was made, when the request arrived. */
        qint64 arrivedMs = 0;
        QByteArray body;
        JiraStandIn::Headers headers;
        /*! The envelope when it was well-formed. */
        std::optional<Platform::SentryEnvelope> envelope;
        QString error;
    };

    explicit EnvelopeSink(JiraStandIn& standIn, QString publicKey = QStringLiteral("corvantidedevkey"),
                          QString projectId = QStringLiteral("1"));

    /*! The DSN that sends here ("http://<key>@127.0.0.1:<port>/<project>"). */
    QString dsn() const;

    /*! The next `times` well-formed envelopes are answered 429 with these headers (empty: left out). */
    void answerTooManyRequests(int times, const QByteArray& retryAfter, const QByteArray& rateLimits = {});

    QList<Attempt> attempts() const { return m_attempts; }
    /*! The envelopes taken (answered 200), in order of arrival. */
    QList<Platform::SentryEnvelope> envelopes() const;
    /*! Attempts answered 400, 401, 403 or 415. */
    int rejectedCount() const;
    /*! The payloads of the taken items of a type ("event", "session"), in order. */
    QList<QJsonObject> payloads(const QString& itemType) const;
    void clear() { m_attempts.clear(); }

private:
    JiraStandIn::Reply receive(const JiraStandIn::Request& request, const QString& project);

    JiraStandIn& m_standIn;
    QString m_publicKey;
    QString m_projectId;
    QElapsedTimer m_clock;
    QList<Attempt> m_attempts;
    int m_tooManyRequests = 0;
    QByteArray m_retryAfter;
    QByteArray m_rateLimits;
};
