#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <memory>
#include <optional>

class QTcpSocket;

/*! A local Jira Cloud on loopback: the OAuth authorize page and token endpoint, and the API gateway paths
    the client uses, over real HTTP. It serves sample data, records every request, counts connections,
    and has switches for faults (any status or body, Retry-After, delays, dropped connections).

    Routes are a table of method, path pattern and handler; add more with addRoute(). Every gateway
    route checks the bearer token. One server plays both hosts: authBaseUrl() and apiBaseUrl() are the
    same address. GUI-thread object: it serves from the thread's event loop. */
class JiraStandIn final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JiraStandIn)

public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request {
        QByteArray method;
        QUrl url;
        QString path;
        /*! The path as sent, percent-encoding kept; routes match against it, so an encoded "/" inside
            a segment stays inside it. */
        QString encodedPath;
        QUrlQuery query;
        Headers headers;
        QByteArray body;

        QByteArray header(const QByteArray& name) const;
        /*! The query item's value with percent-encoding undone (a "+" stays a "+"). */
        QString queryValue(const QString& name) const;
        QJsonObject jsonBody() const;
    };

    struct Reply {
        int status = 200;
        QByteArray contentType = "application/json";
        Headers headers;
        QByteArray body;
        int delayMs = 0;
        /*! Close the connection without answering. */
        bool drop = false;
        /*! Send the head and only the first half of the body, then close the connection. */
        bool truncate = false;
        /*! Send the head at once, then the body one byte at a time with this pause before each byte. */
        int trickleMs = 0;

        static Reply json(const QJsonValue& value, int status = 200);
        static Reply text(const QByteArray& body, const QByteArray& contentType, int status);
        static Reply error(int status, const QString& message);
    };

    using Handler = std::function<Reply(const Request& request, const QRegularExpressionMatch& match)>;

    /*! One Jira site of the sample data, with what its gateway paths serve. */
    struct Site {
        QString cloudID;
        QString name;
        QString url;
        QJsonArray projects;
        /*! Full issues; a search answers with the requested fields only. Sprint membership is read
            from "customfield_10020" (an array of sprint objects with "id" and "state"). */
        QJsonArray issues;
        QJsonArray users;
        QJsonArray boards;
        QHash<qint64, QJsonArray> sprintsByBoard;
    };

    explicit JiraStandIn(QObject* parent = nullptr);
    ~JiraStandIn() override;

    /*! Listens on 127.0.0.1; port 0 picks a free one. */
    bool listen(quint16 port = 0);
    quint16 port() const;
    QUrl baseUrl() const;
    QUrl authBaseUrl() const { return baseUrl(); }
    QUrl apiBaseUrl() const { return baseUrl(); }

    // Routes.
    void addRoute(const QByteArray& method, const QString& pathPattern, bool needsBearer, Handler handler);

    // Sample data, free to change between requests.
    QList<Site>& sites() { return m_sites; }
    Site* site(const QString& cloudID);
    QJsonObject& currentUser() { return m_currentUser; }
    QString clientID = QStringLiteral("standin-client-id");
    QString clientSecret = QStringLiteral("standin-client-secret");
    QString redirectURI = QStringLiteral("https://www.dunwarbeck.com/atlassian/jira_oauth.html");
    /*! The scopes a sign-in grants; the board and sprint requests answer 401 "scope does not match" when
        theirs are not among them. */
    QString grantedScope = QStringLiteral("read:jira-user read:jira-work read:board-scope:jira-software "
                                          "read:sprint:jira-software read:project:jira offline_access");
    int accessTokenLifetime = 3600;
    /*! The authorize page first asks the user to log in (a form), and remembers the login in a session
        cookie; off by default, when the authorize page redirects at once. */
    bool requireLogin = false;
    int projectPageSize = 50;
    /*! The issue search's default and largest page. */
    int issuePageSize = 100;

    // Tokens.
    /*! A valid access and refresh token pair, as after a sign-in. */
    QPair<QString, QString> issueTokens();
    bool isValidAccessToken(const QString& token) const { return m_accessTokens.contains(token); }
    bool isValidRefreshToken(const QString& token) const { return m_refreshTokens.contains(token); }
    void revokeAccessToken(const QString& token) {
        m_accessTokens.remove(token);
        saveTokens();
    }
    /*! Keeps the valid tokens in this JSON file across restarts: takes in those it holds now and writes
        it again after every change, so an application signed in before a restart stays signed in. A
        missing file is no error; an unreadable one is reported and left alone. */
    bool setTokenFile(const QString& path, QString* error = nullptr);
    /*! How often an already used refresh token was sent again. */
    int reusedRefreshTokenCount() const { return m_reusedRefreshTokens; }
    /*! A spent refresh token sent again within this many seconds of its use still gets new tokens, as
        Atlassian's reuse interval allows for an answer lost on its way (0: never). */
    int refreshTokenReuseWindowSeconds = 0;

    // Fault switches.
    enum class PagingFault {
        None,
        /*! Pages after the first carry "issues" (or a project page its "values") as an object. */
        WrongType,
        /*! Every page names the second page's token as the next one. */
        RepeatedToken,
        /*! Pages never end: past the last issue come empty pages, each with a fresh token. */
        EndlessPages,
        /*! Every page is served twice, the second time under a fresh token. */
        PagesServedTwice,
    };
    /*! Faults of the issue search's token paging. */
    PagingFault issuePagingFault = PagingFault::None;
    /*! Faults of the project search's pages (WrongType only). */
    PagingFault projectPagingFault = PagingFault::None;
    /*! After letting `skip` matching requests through, the next `times` requests (-1: all) whose path
        matches the pattern get this reply instead. */
    void setOverride(const QString& pathPattern, Reply reply, int times = -1, int skip = 0);
    /*! Answers whose path matches the pattern wait this long first (0 removes the delay). */
    void setDelay(const QString& pathPattern, int delayMs);
    void clearSwitches();
    /*! The next `times` requests (-1: all) whose path matches are handled as usual (a refresh still
        rotates the tokens), and then their answer is lost: the connection closes after the head and half
        of the body. */
    void setCutAfterHandling(const QString& pathPattern, int times = 1);

    // Records.
    QList<Request> requests() const { return m_requests; }
    /*! The requests whose path matches the pattern, in order of arrival. */
    QList<Request> requests(const QString& pathPattern) const;
    void clearRequests() { m_requests.clear(); }
    int openConnections() const;
    int maxConcurrentConnections() const;
    int maxConcurrentRequests() const { return m_maxInFlight; }
    void resetCounters();

    /*! Fills the sample data: one user, one site with three projects, issues, users, boards and sprints. */
    void loadSampleData();

private:
    class Server;
    class CountingTcpServer;
    friend class Server;

    struct Route {
        QByteArray method;
        QRegularExpression pattern;
        bool needsBearer;
        Handler handler;
    };
    struct Override {
        QRegularExpression pattern;
        Reply reply;
        int remaining;
        int skip;
    };

    void handle(Request request, QTcpSocket* socket);
    Reply answer(const Request& request);
    void send(QTcpSocket* socket, const Reply& reply);
    void trickle(QTcpSocket* socket, const QByteArray& rest, int intervalMs);
    void addStandardRoutes();
    QString newToken(const char* prefix);
    void saveTokens() const;
    QJsonObject tokenAnswer();

    Reply authorize(const Request& request);
    void addSignInRoutes();
    bool hasSignInSession(const Request& request) const;
    Reply loginPage(const Request& request);
    Reply login(const Request& request);
    Reply token(const Request& request);
    Reply accessibleResources(const Request& request);
    Reply projectSearch(const Request& request, Site& site);
    Reply issueSearch(const Request& request, Site& site);
    void applyIssuePagingFault(QJsonObject& page, int offset, int pageSize);
    void applyAfterHandlingFaults(const Request& request, Reply& reply);
    bool isWithinReuseWindow(const QString& refreshToken) const;
    Reply boards(const Request& request, Site& site);
    Reply sprints(const Request& request, Site& site, qint64 boardID);

    std::unique_ptr<Server> m_server;
    CountingTcpServer* m_tcpServer = nullptr;
    QList<Route> m_routes;
    QList<Override> m_overrides;
    QList<QPair<QRegularExpression, int>> m_delays;
    QList<Request> m_requests;
    int m_inFlight = 0;
    int m_maxInFlight = 0;

    QList<Site> m_sites;
    QJsonObject m_currentUser;
    struct CodeGrant {
        QString redirectURI;
    };
    QHash<QString, CodeGrant> m_codes;
    QSet<QString> m_signInSessions;
    QSet<QString> m_accessTokens;
    QSet<QString> m_refreshTokens;
    QSet<QString> m_usedRefreshTokens;
    int m_reusedRefreshTokens = 0;
    int m_issuePageServings = 0;
    QList<QPair<QRegularExpression, int>> m_cutsAfterHandling;
    QHash<QString, QDateTime> m_refreshTokenSpentAt;
    quint64 m_tokenCounter = 0;
    QString m_tokenFile;
};
