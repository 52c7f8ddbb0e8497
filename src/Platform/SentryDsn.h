#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace Platform {

/*! A crash-report destination: {scheme}://{public key}[:{secret}]@{host}[:{port}]{path}/{project id}. */
struct SentryDsn {
    QString scheme;
    QString publicKey;
    QString secretKey;
    QString host;
    int port = -1;
    /*! The path before the project id, without its trailing slash ("" or "/sentry"). */
    QString path;
    QString projectId;

    /*! The destination of a DSN text, or nothing with the reason in `whyNot`. Only https is taken, and
        plain http only towards a loopback host; keys are printable ASCII without blanks or commas (they
        go into a request header). */
    static std::optional<SentryDsn> parse(const QString& text, QString* whyNot = nullptr);

    /*! The DSN a run uses: `override` (a development run's CORVANTIDE_SENTRY_DSN) when it is a DSN towards
        this computer, else `configured`; an override that is not is ignored with a log line. */
    static QString withLoopbackOverride(const QString& configured, const QString& override);

    /*! {scheme}://{host}[:{port}]{path}/api/{project id}/envelope/ */
    QUrl envelopeUrl() const;
    /*! The value of the X-Sentry-Auth header for the given client name ("corvantide/1.2"). */
    QByteArray authHeader(const QString& client) const;
    /*! The DSN as text without its secret, for the envelope header. */
    QString publicText() const;
};

} // namespace Platform
