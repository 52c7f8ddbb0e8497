// Signing in from the tray on a real display: the sign-in window runs Qt WebEngine on the X server, as a
// user's does (the other sign-in tests run it offscreen).
#include "TrayFixture.h"

class TraySignInTest : public TrayTest {};

TEST_F(TraySignInTest, TheSignInRowOpensTheWindowOnTheDisplayAndTheAccountArrives) {
    // The callback of the development settings the executable is built with.
    standIn.redirectURI = QStringLiteral("http://127.0.0.1:8788/atlassian/jira_oauth.html");
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(TestUtils::waitUntil([this] { return menu->rowTexts().contains(QStringLiteral("Sign In…")); },
                                     20000));
    int signIn = -1;
    for (const DBusMenuReader::Row& row : menu->rows()) {
        if (row.label() == u"Sign In…")
            signIn = row.id;
    }
    ASSERT_TRUE(menu->event(signIn));
    // The stand-in signs in at once; the window closes and the menu turns to the account's rows.
    QStringList rows;
    EXPECT_TRUE(TestUtils::waitUntil(
        [&] {
            rows = menu->rowTexts();
            return rows.contains(QStringLiteral("Update Issues Now")) &&
                   !rows.contains(QStringLiteral("Sign In…"));
        },
        60000))
        << rows.join(" | ").toStdString();
    EXPECT_EQ(standIn.requests(QStringLiteral("^/oauth/token$")).size(), 1);
    ASSERT_EQ(app.state(), QProcess::Running) << "the application outlived its web view";
    terminate();
}
