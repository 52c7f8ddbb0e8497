#include "JiraStandIn.h"

#include <QAbstractHttpServer>
#include <QDateTime>
#include <QFile>
#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QPointer>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

QByteArray methodName(QHttpServerRequest::Method method) {
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    default:
        return "UNKNOWN";
    }
}

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 410:
        return "Gone";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

int intQuery(const JiraStandIn::Request& request, const QString& name, int fallback) {
    bool ok = false;
    const int value = request.queryValue(name).toInt(&ok);
    return ok ? value : fallback;
}

QJsonObject user(const QString& accountID, const QString& name, const QString& email) {
    return QJsonObject{{QStringLiteral("accountId"), accountID},
                       {QStringLiteral("accountType"), QStringLiteral("atlassian")},
                       {QStringLiteral("displayName"), name},
                       {QStringLiteral("emailAddress"), email},
                       {QStringLiteral("active"), true},
                       {QStringLiteral("timeZone"), QStringLiteral("Europe/Berlin")},
                       {QStringLiteral("locale"), QJsonValue::Null},
                       {QStringLiteral("avatarUrls"),
                        QJsonObject{{QStringLiteral("48x48"),
                                     QStringLiteral("https://avatar.example/%1/48.png").arg(accountID)}}}};
}

} // namespace

// Parses with QHttpServer, answers with plain bytes on the socket, so an answer can wait (delays) and the
// socket's lifetime is checked before writing.
class JiraStandIn::Server final : public QAbstractHttpServer {
public:
    explicit Server(JiraStandIn* owner)
        : m_owner(owner) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        Request recorded;
        recorded.method = methodName(request.method());
        recorded.url = request.url();
        recorded.path = request.url().path();
        recorded.encodedPath = request.url().path(QUrl::FullyEncoded);
        recorded.query = request.query();
        recorded.headers = request.headers();
        recorded.body = request.body();
        m_owner->handle(std::move(recorded), socket);
        return true;
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

private:
    JiraStandIn* m_owner;
};

class JiraStandIn::CountingTcpServer final : public QTcpServer {
public:
    using QTcpServer::QTcpServer;
    int open = 0;
    int maxOpen = 0;

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        ++open;
        maxOpen = std::max(maxOpen, open);
        connect(socket, &QObject::destroyed, this, [this] { --open; });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        addPendingConnection(socket);
    }
};

QByteArray JiraStandIn::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QString JiraStandIn::Request::queryValue(const QString& name) const {
    return query.queryItemValue(name, QUrl::FullyDecoded);
}

QJsonObject JiraStandIn::Request::jsonBody() const {
    return QJsonDocument::fromJson(body).object();
}

JiraStandIn::Reply JiraStandIn::Reply::json(const QJsonValue& value, int status) {
    Reply reply;
    reply.status = status;
    reply.body = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                 : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    return reply;
}

JiraStandIn::Reply JiraStandIn::Reply::text(const QByteArray& body, const QByteArray& contentType,
                                            int status) {
    Reply reply;
    reply.status = status;
    reply.contentType = contentType;
    reply.body = body;
    return reply;
}

JiraStandIn::Reply JiraStandIn::Reply::error(int status, const QString& message) {
    return json(QJsonObject{{QStringLiteral("errorMessages"), QJsonArray{message}},
                            {QStringLiteral("errors"), QJsonObject()}},
                status);
}

JiraStandIn::JiraStandIn(QObject* parent)
    : QObject(parent)
    , m_server(std::make_unique<Server>(this)) {
    addStandardRoutes();
    addSignInRoutes();
    loadSampleData();
}

JiraStandIn::~JiraStandIn() = default;

bool JiraStandIn::listen(quint16 port) {
    m_tcpServer = new CountingTcpServer(this);
    if (!m_tcpServer->listen(QHostAddress::LocalHost, port))
        return false;
    m_server->bind(m_tcpServer);
    return true;
}

quint16 JiraStandIn::port() const {
    return m_tcpServer ? m_tcpServer->serverPort() : 0;
}

QUrl JiraStandIn::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port()));
}

int JiraStandIn::openConnections() const {
    return m_tcpServer ? m_tcpServer->open : 0;
}

int JiraStandIn::maxConcurrentConnections() const {
    return m_tcpServer ? m_tcpServer->maxOpen : 0;
}

void JiraStandIn::resetCounters() {
    if (m_tcpServer)
        m_tcpServer->maxOpen = m_tcpServer->open;
    m_maxInFlight = m_inFlight;
}

void JiraStandIn::addRoute(const QByteArray& method, const QString& pathPattern, bool needsBearer,
                           Handler handler) {
    m_routes.prepend(Route{method, QRegularExpression(pathPattern), needsBearer, std::move(handler)});
}

JiraStandIn::Site* JiraStandIn::site(const QString& cloudID) {
    for (Site& site : m_sites)
        if (site.cloudID == cloudID)
            return &site;
    return nullptr;
}

void JiraStandIn::setOverride(const QString& pathPattern, Reply reply, int times, int skip) {
    m_overrides.append(Override{QRegularExpression(pathPattern), std::move(reply), times, skip});
}

void JiraStandIn::setDelay(const QString& pathPattern, int delayMs) {
    m_delays.removeIf([&](const auto& delay) { return delay.first.pattern() == pathPattern; });
    if (delayMs > 0)
        m_delays.append({QRegularExpression(pathPattern), delayMs});
}

void JiraStandIn::clearSwitches() {
    m_overrides.clear();
    m_delays.clear();
    m_cutsAfterHandling.clear();
}

QList<JiraStandIn::Request> JiraStandIn::requests(const QString& pathPattern) const {
    const QRegularExpression pattern(pathPattern);
    QList<Request> matching;
    for (const Request& request : m_requests)
        if (pattern.match(request.path).hasMatch())
            matching.append(request);
    return matching;
}

QPair<QString, QString> JiraStandIn::issueTokens() {
    const QString access = newToken("at");
    const QString refresh = newToken("rt");
    m_accessTokens.insert(access);
    m_refreshTokens.insert(refresh);
    saveTokens();
    return {access, refresh};
}

bool JiraStandIn::setTokenFile(const QString& path, QString* error) {
    m_tokenFile = path;
    QFile file(path);
    if (!file.exists())
        return true;
    QJsonParseError parseError;
    const QJsonDocument document = file.open(QIODevice::ReadOnly)
                                       ? QJsonDocument::fromJson(file.readAll(), &parseError)
                                       : QJsonDocument();
    if (!document.isObject()) {
        if (error != nullptr)
            *error = file.isOpen() ? parseError.errorString() : file.errorString();
        m_tokenFile.clear(); // not overwritten: it may hold what someone still wants
        return false;
    }
    for (const QJsonValue& token : document.object().value(QStringLiteral("accessTokens")).toArray())
        m_accessTokens.insert(token.toString());
    for (const QJsonValue& token : document.object().value(QStringLiteral("refreshTokens")).toArray())
        m_refreshTokens.insert(token.toString());
    m_accessTokens.remove(QString());
    m_refreshTokens.remove(QString());
    return true;
}

void JiraStandIn::saveTokens() const {
    if (m_tokenFile.isEmpty())
        return;
    QSaveFile file(m_tokenFile);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("jira-standin: cannot write %s: %s", qPrintable(m_tokenFile),
                 qPrintable(file.errorString()));
        return;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QJsonObject tokens{
        {QStringLiteral("accessTokens"), QJsonArray::fromStringList(m_accessTokens.values())},
        {QStringLiteral("refreshTokens"), QJsonArray::fromStringList(m_refreshTokens.values())}};
    file.write(QJsonDocument(tokens).toJson());
    if (!file.commit())
        qWarning("jira-standin: cannot write %s: %s", qPrintable(m_tokenFile),
                 qPrintable(file.errorString()));
}

QString JiraStandIn::newToken(const char* prefix) {
    return QStringLiteral("%1-%2-%3")
        .arg(QLatin1String(prefix))
        .arg(++m_tokenCounter)
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

void JiraStandIn::handle(Request request, QTcpSocket* socket) {
    m_requests.append(request);
    ++m_inFlight;
    m_maxInFlight = std::max(m_maxInFlight, m_inFlight);
    Reply reply = answer(request);
    applyAfterHandlingFaults(request, reply);
    int delay = reply.delayMs;
    for (const auto& [pattern, delayMs] : m_delays)
        if (pattern.match(request.path).hasMatch())
            delay = std::max(delay, delayMs);
    if (delay <= 0) {
        send(socket, reply);
        return;
    }
    QTimer::singleShot(delay, this,
                       [this, socket = QPointer<QTcpSocket>(socket), reply] { send(socket, reply); });
}

void JiraStandIn::send(QTcpSocket* socket, const Reply& reply) {
    --m_inFlight;
    if (socket == nullptr || socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (reply.drop) {
        socket->abort();
        return;
    }
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    if (!reply.contentType.isEmpty())
        head += "Content-Type: " + reply.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    for (const auto& [name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    if (reply.trickleMs > 0) {
        socket->write(head);
        trickle(socket, reply.body, reply.trickleMs);
        return;
    }
    if (reply.truncate) {
        socket->write(head + reply.body.left(reply.body.size() / 2));
        socket->disconnectFromHost(); // after the bytes above have gone out
        return;
    }
    socket->write(head + reply.body);
}

void JiraStandIn::trickle(QTcpSocket* socket, const QByteArray& rest, int intervalMs) {
    if (rest.isEmpty())
        return;
    QTimer::singleShot(intervalMs, this, [this, socket = QPointer<QTcpSocket>(socket), rest, intervalMs] {
        if (socket == nullptr || socket->state() != QAbstractSocket::ConnectedState)
            return;
        socket->write(rest.left(1));
        trickle(socket, rest.mid(1), intervalMs);
    });
}

JiraStandIn::Reply JiraStandIn::answer(const Request& request) {
    for (auto it = m_overrides.begin(); it != m_overrides.end(); ++it) {
        if (it->remaining == 0 || !it->pattern.match(request.path).hasMatch())
            continue;
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        if (it->remaining > 0)
            --it->remaining;
        return it->reply;
    }
    bool pathKnown = false;
    for (const Route& route : m_routes) {
        const QRegularExpressionMatch match =
            route.pattern.match(request.encodedPath.isEmpty() ? request.path : request.encodedPath);
        if (!match.hasMatch())
            continue;
        pathKnown = true;
        if (route.method != request.method)
            continue;
        if (route.needsBearer) {
            const QByteArray authorization = request.header("Authorization");
            if (!authorization.startsWith("Bearer ") ||
                !m_accessTokens.contains(QString::fromLatin1(authorization.mid(7))))
                return Reply::json(QJsonObject{{QStringLiteral("code"), 401},
                                               {QStringLiteral("message"), QStringLiteral("Unauthorized")}},
                                   401);
        }
        return route.handler(request, match);
    }
    return pathKnown ? Reply::error(405, QStringLiteral("Method not allowed"))
                     : Reply::error(404, QStringLiteral("Not found: %1").arg(request.path));
}

void JiraStandIn::addStandardRoutes() {
    const auto siteRoute =
        [this](const QString& pattern,
               std::function<Reply(const Request&, Site&, const QRegularExpressionMatch&)> fn) {
            addRoute("GET", QStringLiteral("^/ex/jira/([^/]+)") + pattern, true,
                     [this, fn](const Request& request, const QRegularExpressionMatch& match) {
                         Site* found = site(QUrl::fromPercentEncoding(match.captured(1).toUtf8()));
                         if (found == nullptr)
                             return Reply::error(404, QStringLiteral("Site not found"));
                         return fn(request, *found, match);
                     });
        };
    addRoute("GET", QStringLiteral("^/authorize$"), false,
             [this](const Request& request, const QRegularExpressionMatch&) { return authorize(request); });
    addRoute("POST", QStringLiteral("^/oauth/token$"), false,
             [this](const Request& request, const QRegularExpressionMatch&) { return token(request); });
    addRoute("GET", QStringLiteral("^/oauth/token/accessible-resources$"), true,
             [this](const Request& request, const QRegularExpressionMatch&) {
                 return accessibleResources(request);
             });
    siteRoute(
        QStringLiteral("/rest/api/3/myself$"),
        [this](const Request&, Site&, const QRegularExpressionMatch&) { return Reply::json(m_currentUser); });
    siteRoute(QStringLiteral("/rest/api/3/project/search$"),
              [this](const Request& request, Site& site, const QRegularExpressionMatch&) {
                  return projectSearch(request, site);
              });
    siteRoute(QStringLiteral("/rest/api/3/search$"), [](const Request&, Site&,
                                                        const QRegularExpressionMatch&) {
        return Reply::error(410, QStringLiteral("The requested API has been removed. Please migrate to the "
                                                "/rest/api/3/search/jql API."));
    });
    siteRoute(QStringLiteral("/rest/api/3/search/jql$"),
              [this](const Request& request, Site& site, const QRegularExpressionMatch&) {
                  return issueSearch(request, site);
              });
    siteRoute(QStringLiteral("/rest/api/3/user/search$"),
              [](const Request& request, Site& site, const QRegularExpressionMatch&) {
                  if (request.queryValue(QStringLiteral("query")).isNull())
                      return Reply::error(400, QStringLiteral("One of 'query', 'accountId' is required."));
                  const int max = intQuery(request, QStringLiteral("maxResults"), 50);
                  QJsonArray users;
                  for (qsizetype i = 0; i < site.users.size() && i < max; ++i)
                      users.append(site.users.at(i));
                  return Reply::json(users);
              });
    // Jira Software's requests need granular scopes of their own.
    const auto lacksScope = [this](QStringList needed) {
        const QStringList granted = grantedScope.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        return std::any_of(needed.cbegin(), needed.cend(),
                           [&granted](const QString& scope) { return !granted.contains(scope); });
    };
    const Reply scopeMismatch = Reply::json(
        QJsonObject{{QStringLiteral("code"), 401},
                    {QStringLiteral("message"), QStringLiteral("Unauthorized; scope does not match")}},
        401);
    siteRoute(QStringLiteral("/rest/agile/1.0/board$"),
              [this, lacksScope, scopeMismatch](const Request& request, Site& site,
                                                const QRegularExpressionMatch&) {
                  QStringList needed{QStringLiteral("read:board-scope:jira-software")};
                  if (!request.queryValue(QStringLiteral("projectKeyOrId")).isEmpty())
                      needed.append(QStringLiteral("read:project:jira"));
                  return lacksScope(needed) ? scopeMismatch : boards(request, site);
              });
    siteRoute(QStringLiteral("/rest/agile/1.0/board/(\\d+)/sprint$"),
              [this, lacksScope, scopeMismatch](const Request& request, Site& site,
                                                const QRegularExpressionMatch& match) {
                  return lacksScope({QStringLiteral("read:sprint:jira-software")})
                             ? scopeMismatch
                             : sprints(request, site, match.captured(2).toLongLong());
              });
}

JiraStandIn::Reply JiraStandIn::authorize(const Request& request) {
    if (request.queryValue(QStringLiteral("client_id")) != clientID)
        return Reply::text("<html><body>Invalid client id</body></html>", "text/html", 400);
    if (request.queryValue(QStringLiteral("response_type")) != QLatin1String("code"))
        return Reply::text("<html><body>Unsupported response type</body></html>", "text/html", 400);
    const QString redirect = request.queryValue(QStringLiteral("redirect_uri"));
    if (redirect != redirectURI)
        return Reply::text("<html><body>Redirect URI mismatch</body></html>", "text/html", 400);
    if (requireLogin && !hasSignInSession(request))
        return loginPage(request);
    const QString code = newToken("code");
    m_codes.insert(code, CodeGrant{redirect});
    QUrl location(redirect);
    QUrlQuery query(location);
    query.addQueryItem(QStringLiteral("code"), code);
    query.addQueryItem(QStringLiteral("state"), request.query.queryItemValue(QStringLiteral("state")));
    location.setQuery(query);
    Reply reply = Reply::text("<html><body>Redirecting</body></html>", "text/html", 302);
    reply.headers.append({"Location", location.toEncoded()});
    return reply;
}

QJsonObject JiraStandIn::tokenAnswer() {
    const auto [access, refresh] = issueTokens();
    return QJsonObject{{QStringLiteral("access_token"), access},
                       {QStringLiteral("refresh_token"), refresh},
                       {QStringLiteral("expires_in"), accessTokenLifetime},
                       {QStringLiteral("scope"), grantedScope},
                       {QStringLiteral("token_type"), QStringLiteral("Bearer")}};
}

JiraStandIn::Reply JiraStandIn::token(const Request& request) {
    const auto invalid = [](const QString& error, const QString& description, int status = 403) {
        return Reply::json(
            QJsonObject{{QStringLiteral("error"), error}, {QStringLiteral("error_description"), description}},
            status);
    };
    const QJsonObject body = request.jsonBody();
    if (body.value(QStringLiteral("client_id")).toString() != clientID ||
        body.value(QStringLiteral("client_secret")).toString() != clientSecret)
        return invalid(QStringLiteral("access_denied"), QStringLiteral("Unauthorized"), 401);
    const QString grant = body.value(QStringLiteral("grant_type")).toString();
    if (grant == QLatin1String("authorization_code")) {
        const QString code = body.value(QStringLiteral("code")).toString();
        const auto found = m_codes.constFind(code);
        if (found == m_codes.constEnd())
            return invalid(QStringLiteral("invalid_grant"), QStringLiteral("Invalid authorization code"));
        const CodeGrant codeGrant = *found;
        m_codes.remove(code); // a code is good for one exchange
        if (body.value(QStringLiteral("redirect_uri")).toString() != codeGrant.redirectURI)
            return invalid(QStringLiteral("invalid_grant"), QStringLiteral("Redirect URI mismatch"));
        return Reply::json(tokenAnswer());
    }
    if (grant == QLatin1String("refresh_token")) {
        const QString refresh = body.value(QStringLiteral("refresh_token")).toString();
        if (!m_refreshTokens.contains(refresh)) {
            if (m_usedRefreshTokens.contains(refresh))
                ++m_reusedRefreshTokens;
            if (isWithinReuseWindow(refresh))
                return Reply::json(tokenAnswer());
            return invalid(QStringLiteral("unauthorized_client"), QStringLiteral("refresh_token is invalid"));
        }
        // Rotation: the refresh token just used is spent (tokenAnswer() saves the change).
        m_refreshTokens.remove(refresh);
        m_usedRefreshTokens.insert(refresh);
        m_refreshTokenSpentAt.insert(refresh, QDateTime::currentDateTimeUtc());
        return Reply::json(tokenAnswer());
    }
    return invalid(QStringLiteral("unsupported_grant_type"), QStringLiteral("Unsupported grant type"), 400);
}

JiraStandIn::Reply JiraStandIn::accessibleResources(const Request&) {
    QJsonArray resources;
    for (const Site& site : m_sites)
        resources.append(QJsonObject{
            {QStringLiteral("id"), site.cloudID},
            {QStringLiteral("url"), site.url},
            {QStringLiteral("name"), site.name},
            {QStringLiteral("scopes"), QJsonArray::fromStringList(grantedScope.split(QLatin1Char(' ')))},
            {QStringLiteral("avatarUrl"),
             QStringLiteral("https://site-admin-avatar-cdn.example/avatars/240/rocket.png")}});
    return Reply::json(resources);
}

JiraStandIn::Reply JiraStandIn::projectSearch(const Request& request, Site& site) {
    const int startAt = std::max(0, intQuery(request, QStringLiteral("startAt"), 0));
    const int maxResults = std::max(1, intQuery(request, QStringLiteral("maxResults"), projectPageSize));
    const int total = static_cast<int>(site.projects.size());
    QJsonArray values;
    for (int i = startAt; i < total && i < startAt + maxResults; ++i)
        values.append(site.projects.at(i));
    const bool isLast = startAt + maxResults >= total;
    QUrl self = baseUrl();
    self.setPath(request.path);
    self.setQuery(request.query);
    QJsonObject page{{QStringLiteral("self"), self.toString()}, {QStringLiteral("maxResults"), maxResults},
                     {QStringLiteral("startAt"), startAt},      {QStringLiteral("total"), total},
                     {QStringLiteral("isLast"), isLast},        {QStringLiteral("values"), values}};
    if (!isLast) {
        QUrl next = baseUrl();
        next.setPath(request.path);
        next.setQuery(QStringLiteral("maxResults=%1&startAt=%2").arg(maxResults).arg(startAt + maxResults));
        page.insert(QStringLiteral("nextPage"), next.toString());
    }
    if (projectPagingFault == PagingFault::WrongType && startAt > 0)
        page.insert(QStringLiteral("values"), QJsonObject{{QStringLiteral("projects"), values}});
    return Reply::json(page);
}

JiraStandIn::Reply JiraStandIn::issueSearch(const Request& request, Site& site) {
    // The JQL the client writes: project = "KEY" followed by " AND " clauses.
    static const QRegularExpression head(QStringLiteral(R"re(^project = "((?:[^"\\]|\\.)*)"(.*)$)re"));
    static const QRegularExpression sprintID(QStringLiteral(R"(^sprint = (\d+)$)"));
    const QString jql = request.queryValue(QStringLiteral("jql"));
    const QRegularExpressionMatch match = head.match(jql);
    if (!match.hasMatch())
        return Reply::error(400, QStringLiteral("Error in the JQL Query: %1").arg(jql));
    QString key = match.captured(1);
    key.replace(QRegularExpression(QStringLiteral(R"(\\(.))")), QStringLiteral("\\1"));
    bool keyKnown = false;
    for (const QJsonValue& project : site.projects)
        keyKnown |= project[QStringLiteral("key")].toString() == key ||
                    project[QStringLiteral("id")].toString() == key;
    if (!keyKnown)
        return Reply::error(
            400, QStringLiteral("The value '%1' does not exist for the field 'project'.").arg(key));

    QString rest = match.captured(2);
    QStringList clauses;
    if (!rest.isEmpty()) {
        if (!rest.startsWith(QLatin1String(" AND ")))
            return Reply::error(400, QStringLiteral("Error in the JQL Query: %1").arg(jql));
        clauses = rest.mid(5).split(QStringLiteral(" AND "));
    }
    const QString me = m_currentUser.value(QStringLiteral("accountId")).toString();
    QList<std::function<bool(const QJsonObject&)>> tests;
    const auto inSprint = [](const QJsonObject& fields, const std::function<bool(const QJsonObject&)>& test) {
        for (const QJsonValue& sprint : fields.value(QStringLiteral("customfield_10020")).toArray())
            if (test(sprint.toObject()))
                return true;
        return false;
    };
    for (const QString& clause : clauses) {
        if (clause == QLatin1String("assignee = currentuser()")) {
            tests.append([me](const QJsonObject& fields) {
                return fields.value(QStringLiteral("assignee"))[QStringLiteral("accountId")].toString() == me;
            });
        } else if (clause == QLatin1String("sprint in openSprints()") ||
                   clause == QLatin1String("sprint in futureSprints()")) {
            const QString state =
                clause.contains(QLatin1String("open")) ? QStringLiteral("active") : QStringLiteral("future");
            tests.append([inSprint, state](const QJsonObject& fields) {
                return inSprint(fields,
                                [&](const QJsonObject& s) { return s[QStringLiteral("state")] == state; });
            });
        } else if (const QRegularExpressionMatch id = sprintID.match(clause); id.hasMatch()) {
            const qint64 wanted = id.captured(1).toLongLong();
            tests.append([inSprint, wanted](const QJsonObject& fields) {
                return inSprint(fields, [&](const QJsonObject& s) {
                    return s[QStringLiteral("id")].toInteger() == wanted;
                });
            });
        } else {
            return Reply::error(400, QStringLiteral("Error in the JQL Query: %1").arg(jql));
        }
    }

    QList<QJsonObject> found;
    for (const QJsonValue& value : site.issues) {
        const QJsonObject issue = value.toObject();
        const QJsonObject fields = issue.value(QStringLiteral("fields")).toObject();
        const QJsonObject project = fields.value(QStringLiteral("project")).toObject();
        if (project.value(QStringLiteral("key")).toString() != key &&
            project.value(QStringLiteral("id")).toString() != key)
            continue;
        if (std::all_of(tests.begin(), tests.end(), [&](const auto& test) { return test(fields); }))
            found.append(issue);
    }

    int offset = 0;
    const QString pageToken = request.queryValue(QStringLiteral("nextPageToken"));
    if (!pageToken.isEmpty()) {
        const QByteArray decoded =
            QByteArray::fromBase64(pageToken.toLatin1(), QByteArray::Base64UrlEncoding);
        bool ok = decoded.startsWith("offset:");
        offset = ok ? decoded.mid(7).split(':').constFirst().toInt(&ok) : 0;
        if (!ok || offset < 0 || (offset > found.size() && issuePagingFault != PagingFault::EndlessPages))
            return Reply::error(400, QStringLiteral("Invalid nextPageToken"));
    }
    // Like Jira Cloud, the page size asked for is honoured up to the server's own largest page.
    const int pageSize = std::clamp(intQuery(request, QStringLiteral("maxResults"), issuePageSize), 1,
                                    std::max(1, issuePageSize));
    const QStringList wantedFields =
        request.queryValue(QStringLiteral("fields")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    QJsonArray issues;
    for (qsizetype i = offset; i < found.size() && i < offset + pageSize; ++i) {
        const QJsonObject issue = found.at(i);
        const QJsonObject allFields = issue.value(QStringLiteral("fields")).toObject();
        QJsonObject fields;
        for (const QString& name : wantedFields)
            if (allFields.contains(name))
                fields.insert(name, allFields.value(name));
        QJsonObject answer{{QStringLiteral("id"), issue.value(QStringLiteral("id"))}};
        if (!wantedFields.isEmpty()) {
            answer.insert(QStringLiteral("key"), issue.value(QStringLiteral("key")));
            answer.insert(QStringLiteral("self"), issue.value(QStringLiteral("self")));
            answer.insert(QStringLiteral("fields"), fields);
        }
        issues.append(answer);
    }
    const bool isLast = offset + pageSize >= found.size();
    QJsonObject page{{QStringLiteral("issues"), issues}, {QStringLiteral("isLast"), isLast}};
    if (!isLast)
        page.insert(
            QStringLiteral("nextPageToken"),
            QString::fromLatin1(
                ("offset:" + QByteArray::number(offset + pageSize)).toBase64(QByteArray::Base64UrlEncoding)));
    applyIssuePagingFault(page, offset, pageSize);
    return Reply::json(page);
}

JiraStandIn::Reply JiraStandIn::boards(const Request& request, Site& site) {
    const QString project = request.queryValue(QStringLiteral("projectKeyOrId"));
    const int max = intQuery(request, QStringLiteral("maxResults"), 50);
    QJsonArray values;
    for (const QJsonValue& board : site.boards) {
        const QJsonObject location = board[QStringLiteral("location")].toObject();
        if (!project.isEmpty() && location.value(QStringLiteral("projectKey")).toString() != project &&
            QString::number(location.value(QStringLiteral("projectId")).toInteger()) != project)
            continue;
        if (values.size() < max)
            values.append(board);
    }
    return Reply::json(QJsonObject{{QStringLiteral("maxResults"), max},
                                   {QStringLiteral("startAt"), 0},
                                   {QStringLiteral("total"), values.size()},
                                   {QStringLiteral("isLast"), true},
                                   {QStringLiteral("values"), values}});
}

JiraStandIn::Reply JiraStandIn::sprints(const Request& request, Site& site, qint64 boardID) {
    if (!site.sprintsByBoard.contains(boardID))
        return Reply::error(
            404,
            QStringLiteral("Board %1 does not exist or you do not have permission to see it.").arg(boardID));
    const int max = intQuery(request, QStringLiteral("maxResults"), 50);
    QJsonArray values;
    for (const QJsonValue& sprint : site.sprintsByBoard.value(boardID))
        if (values.size() < max)
            values.append(sprint);
    return Reply::json(QJsonObject{{QStringLiteral("maxResults"), max},
                                   {QStringLiteral("startAt"), 0},
                                   {QStringLiteral("isLast"), true},
                                   {QStringLiteral("values"), values}});
}

void JiraStandIn::loadSampleData() {
    m_currentUser = user(QStringLiteral("5b10ac8d82e05b22cc7d4ef5"), QStringLiteral("Ada Lovelace"),
                         QStringLiteral("ada@example.com"));
    const QJsonObject grace = user(QStringLiteral("5b10a2844c20165700ede21g"), QStringLiteral("Grace Hopper"),
                                   QStringLiteral("grace@example.com"));
    const QJsonObject alan = user(QStringLiteral("5b109f2e9729b51b54dc274d"), QStringLiteral("Alan Turing"),
                                  QStringLiteral("alan@example.com"));

    Site site;
    site.cloudID = QStringLiteral("c0ffee00-0000-4000-8000-000000000001");
    site.name = QStringLiteral("dunwarbeck");
    site.url = QStringLiteral("https://dunwarbeck.atlassian.net");
    site.users = QJsonArray{m_currentUser, grace, alan};

    const QStringList keys{QStringLiteral("ABC"), QStringLiteral("DEF"), QStringLiteral("GHI")};
    const QStringList names{QStringLiteral("Alpha Board Client"), QStringLiteral("Delta Engine Firmware"),
                            QStringLiteral("Gamma Help Index")};
    for (int i = 0; i < keys.size(); ++i)
        site.projects.append(QJsonObject{
            {QStringLiteral("id"), QString::number(10000 + i)},
            {QStringLiteral("key"), keys.at(i)},
            {QStringLiteral("name"), names.at(i)},
            {QStringLiteral("self"), QStringLiteral("%1/rest/api/3/project/%2").arg(site.url).arg(10000 + i)},
            {QStringLiteral("projectTypeKey"), QStringLiteral("software")},
            {QStringLiteral("simplified"), false},
            {QStringLiteral("style"), QStringLiteral("classic")},
            {QStringLiteral("avatarUrls"),
             QJsonObject{{QStringLiteral("48x48"),
                          QStringLiteral("https://avatar.example/project/%1.png").arg(i)}}}});

    const auto sprint = [](qint64 id, const QString& name, const QString& state) {
        return QJsonObject{{QStringLiteral("id"), id},
                           {QStringLiteral("name"), name},
                           {QStringLiteral("state"), state},
                           {QStringLiteral("boardId"), 1}};
    };
    const QJsonObject closed = sprint(1, QStringLiteral("ABC Sprint 1"), QStringLiteral("closed"));
    const QJsonObject active = sprint(2, QStringLiteral("ABC Sprint 2"), QStringLiteral("active"));
    const QJsonObject future = sprint(3, QStringLiteral("ABC Sprint 3"), QStringLiteral("future"));
    site.boards =
        QJsonArray{QJsonObject{{QStringLiteral("id"), 1},
                               {QStringLiteral("name"), QStringLiteral("ABC board")},
                               {QStringLiteral("type"), QStringLiteral("scrum")},
                               {QStringLiteral("location"),
                                QJsonObject{{QStringLiteral("projectId"), 10000},
                                            {QStringLiteral("projectKey"), QStringLiteral("ABC")}}}},
                   QJsonObject{{QStringLiteral("id"), 2},
                               {QStringLiteral("name"), QStringLiteral("DEF board")},
                               {QStringLiteral("type"), QStringLiteral("kanban")},
                               {QStringLiteral("location"),
                                QJsonObject{{QStringLiteral("projectId"), 10001},
                                            {QStringLiteral("projectKey"), QStringLiteral("DEF")}}}}};
    const auto withDates = [](QJsonObject sprintObject, const QString& start, const QString& end) {
        sprintObject.insert(QStringLiteral("startDate"), start);
        sprintObject.insert(QStringLiteral("endDate"), end);
        sprintObject.insert(QStringLiteral("originBoardId"), 1);
        sprintObject.insert(QStringLiteral("goal"), QString());
        return sprintObject;
    };
    site.sprintsByBoard.insert(1, QJsonArray{withDates(closed, QStringLiteral("2024-02-19T09:00:00.000Z"),
                                                       QStringLiteral("2024-03-04T17:00:00.000Z")),
                                             withDates(active, QStringLiteral("2024-03-05T09:00:00.000Z"),
                                                       QStringLiteral("2024-03-19T17:00:00.000Z")),
                                             future});
    site.sprintsByBoard.insert(2, QJsonArray());

    const QStringList statuses{QStringLiteral("To Do"), QStringLiteral("In Progress"),
                               QStringLiteral("Done")};
    const QStringList categories{QStringLiteral("new"), QStringLiteral("indeterminate"),
                                 QStringLiteral("done")};
    int id = 10100;
    const auto addIssue = [&](int projectIndex, int number, const QString& summary,
                              const QJsonValue& assignee, int status, const QJsonValue& sprints) {
        const QString key = QStringLiteral("%1-%2").arg(keys.at(projectIndex)).arg(number);
        const QJsonObject fields{
            {QStringLiteral("summary"), summary},
            {QStringLiteral("assignee"), assignee},
            {QStringLiteral("creator"), grace},
            {QStringLiteral("created"),
             QStringLiteral("2024-03-%1T10:15:30.123+0000").arg(number, 2, 10, QLatin1Char('0'))},
            {QStringLiteral("status"),
             QJsonObject{{QStringLiteral("name"), statuses.at(status)},
                         {QStringLiteral("statusCategory"),
                          QJsonObject{{QStringLiteral("key"), categories.at(status)},
                                      {QStringLiteral("name"), statuses.at(status)}}}}},
            {QStringLiteral("project"),
             QJsonObject{{QStringLiteral("id"), QString::number(10000 + projectIndex)},
                         {QStringLiteral("key"), keys.at(projectIndex)},
                         {QStringLiteral("name"), names.at(projectIndex)}}},
            {QStringLiteral("customfield_10020"), sprints}};
        site.issues.append(QJsonObject{
            {QStringLiteral("id"), QString::number(id)},
            {QStringLiteral("key"), key},
            {QStringLiteral("self"), QStringLiteral("%1/rest/api/3/issue/%2").arg(site.url).arg(id)},
            {QStringLiteral("fields"), fields}});
        ++id;
    };
    addIssue(0, 1, QStringLiteral("Tray icon stays grey after sign-in"), m_currentUser, 1,
             QJsonArray{active});
    addIssue(0, 2, QStringLiteral("Sort issues by creation date"), m_currentUser, 0, QJsonArray{future});
    addIssue(0, 3, QStringLiteral("Menu flickers on open"), grace, 1, QJsonArray{active});
    addIssue(0, 4, QStringLiteral("Crash on empty project list"), QJsonValue::Null, 0, QJsonValue::Null);
    addIssue(0, 5, QStringLiteral("Release notes window too small"), alan, 2, QJsonArray{closed});
    addIssue(1, 1, QStringLiteral("Watchdog resets too early"), m_currentUser, 0, QJsonValue::Null);
    addIssue(1, 2, QStringLiteral("Flash layout for rev C"), grace, 1, QJsonValue::Null);
    addIssue(2, 1, QStringLiteral("Index the new help pages"), QJsonValue::Null, 0, QJsonValue::Null);

    m_sites = {site};
}
