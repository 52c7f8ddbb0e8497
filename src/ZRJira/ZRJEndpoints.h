#pragma once

#include <QString>
#include <QUrl>

/*! The two Atlassian base addresses: the authorization server and the API gateway. Both are fixed at
    build time; CORVANTIDE_AUTH_URL and CORVANTIDE_API_URL override them. Only https is accepted, and
    plain http for loopback hosts; an unusable override is logged and the built-in address used. */
namespace ZRJEndpoints {

QUrl authorizationServerBaseURL();
QUrl apiGatewayBaseURL();
/*! The Jira prefix of every per-site call: the gateway base followed by "/ex/jira". */
QString jiraURL();

/*! True for https, and for http to 127.0.0.0/8, ::1 or localhost. */
bool isAcceptableBaseURL(const QUrl& url);
/*! Same scheme, host and port. */
bool isSameOrigin(const QUrl& a, const QUrl& b);

} // namespace ZRJEndpoints
