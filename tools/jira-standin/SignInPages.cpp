// The authorization server's login page: a form that starts a session (a cookie) and goes back to the
// authorize page, links that leave the sign-in and links and scripts that stay on its own pages.
#include "JiraStandIn.h"

namespace {

const QByteArray sessionCookie = "standin_session";

QByteArray htmlEscaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

void JiraStandIn::addSignInRoutes() {
    addRoute("POST", QStringLiteral("^/login$"), false,
             [this](const Request& request, const QRegularExpressionMatch&) { return login(request); });
    addRoute("GET", QStringLiteral("^/signup$"), false, [](const Request&, const QRegularExpressionMatch&) {
        return Reply::text("<html><head><title>Sign up</title></head><body><h1>Sign up</h1></body></html>",
                           "text/html", 200);
    });
}

bool JiraStandIn::hasSignInSession(const Request& request) const {
    for (const QByteArray& cookie : request.header("Cookie").split(';')) {
        const QByteArray trimmed = cookie.trimmed();
        if (trimmed.startsWith(sessionCookie + '=') &&
            m_signInSessions.contains(QString::fromLatin1(trimmed.mid(sessionCookie.size() + 1))))
            return true;
    }
    return false;
}

JiraStandIn::Reply JiraStandIn::loginPage(const Request& request) {
    QByteArray page;
    page += "<!DOCTYPE html><html><head><title>Log in</title>"
            "<style>body{font-family:sans-serif;margin:40px auto;max-width:400px;color:#172b4d}"
            "h1{font-size:20px;text-align:center}input,button{width:100%;box-sizing:border-box;"
            "padding:8px;margin:6px 0;font-size:14px}button{background:#0052cc;color:white;border:0;"
            "border-radius:3px}p{text-align:center;font-size:14px}</style></head><body>"
            "<h1 id=\"heading\">Log in to continue</h1>"
            "<form id=\"form\" method=\"post\" action=\"/login\">"
            "<input type=\"hidden\" name=\"continue\" value=\"";
    page += htmlEscaped(request.url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority));
    page += "\"><input id=\"email\" name=\"email\" type=\"email\" placeholder=\"Enter your email\">"
            "<button id=\"continue\" type=\"submit\">Continue</button></form>"
            "<p><a id=\"help\" href=\"https://support.example.com/sign-in-help\">Can't log in?</a></p>"
            "<p><a id=\"signup\" href=\"/signup\">Create an account</a></p>"
            "<p><a id=\"mail\" href=\"mailto:help@example.com\">Write to us</a></p>"
            "<p><button id=\"scripted\" type=\"button\" "
            "onclick=\"location.assign(document.body.dataset.next)\">Use another method</button></p>"
            "</body></html>";
    return Reply::text(page, "text/html; charset=utf-8", 200);
}

JiraStandIn::Reply JiraStandIn::login(const Request& request) {
    const QUrlQuery form(QString::fromUtf8(request.body));
    QString next = form.queryItemValue(QStringLiteral("continue"), QUrl::FullyDecoded);
    if (!next.startsWith(QLatin1String("/authorize")))
        return Reply::text("<html><body>Bad login request</body></html>", "text/html", 400);
    const QString session = newToken("session");
    m_signInSessions.insert(session);
    Reply reply = Reply::text("<html><body>Logged in</body></html>", "text/html", 302);
    reply.headers.append({"Set-Cookie", sessionCookie + '=' + session.toLatin1() + "; Path=/; HttpOnly"});
    reply.headers.append({"Location", next.toUtf8()});
    return reply;
}
