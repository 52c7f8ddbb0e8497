// Runs the local Jira Cloud with its sample data, for trying the application by hand:
//   jira-standin [port [token file]]   (default port 8788)
// then start Corvantide with CORVANTIDE_AUTH_URL and CORVANTIDE_API_URL set to the printed address. With a
// token file the tokens it issues stay valid across restarts (scripts/run-app keeps one in the build folder).
#include "EnvelopeSink.h"
#include "JiraStandIn.h"
#include "UpdateServer.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const quint16 port = argc > 1 ? static_cast<quint16>(QString::fromLocal8Bit(argv[1]).toUInt()) : 8788;
    JiraStandIn standIn;
    QString tokenFileError;
    if (argc > 2 && !standIn.setTokenFile(QString::fromLocal8Bit(argv[2]), &tokenFileError))
        std::fprintf(stderr, "jira-standin: ignoring the token file %s: %s\n", argv[2],
                     qPrintable(tokenFileError));
    if (!standIn.listen(port)) {
        std::fprintf(stderr, "jira-standin: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    // The development settings send the sign-in back to this address's redirect page, and the sign-in
    // first shows a login form, as Atlassian's does.
    standIn.redirectURI = standIn.baseUrl().toString() + QStringLiteral("/atlassian/jira_oauth.html");
    standIn.requireLogin = true;
    EnvelopeSink crashReports(standIn);
    // The update feed offers an old release, so that a check from the menu finds the build up to date.
    UpdateServer updates(standIn);
    updates.feed = UpdateServer::feedWithRelease(QStringLiteral("0.1"), QStringLiteral("1"),
                                                 updates.downloadURL(QStringLiteral("Corvantide.zip")));
    const auto [access, refresh] = standIn.issueTokens();
    std::printf("jira-standin listening on %s\n", qPrintable(standIn.baseUrl().toString()));
    std::printf("client id %s, client secret %s, redirect %s\n", qPrintable(standIn.clientID),
                qPrintable(standIn.clientSecret), qPrintable(standIn.redirectURI));
    std::printf("sample access token %s, refresh token %s\n", qPrintable(access), qPrintable(refresh));
    std::printf("crash reports go to %s\n", qPrintable(crashReports.dsn()));
    std::printf("update feed at %s\n", qPrintable(updates.feedURL().toString()));
    std::fflush(stdout);
    return app.exec();
}
