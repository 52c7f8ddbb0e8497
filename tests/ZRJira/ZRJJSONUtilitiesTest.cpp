#include "ZRJira/ZRJJSONUtilities.h"
#include "ZRJira/FetchTokenResponse.h"
#include "ZRJira/ZRIssueSearchFilter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <gtest/gtest.h>

using namespace ZRJJSONUtilities;

namespace {
QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}
} // namespace

TEST(DateFromStringTest, ReadsInternetDateTimesWithFractionalSecondsOnly) {
    EXPECT_EQ(dateFromString(QStringLiteral("2024-03-05T10:15:30.123Z")), utc(2024, 3, 5, 10, 15, 30, 123));
    EXPECT_EQ(dateFromString(QStringLiteral("2024-03-05T10:15:30.5Z")), utc(2024, 3, 5, 10, 15, 30, 500));
    EXPECT_EQ(dateFromString(QStringLiteral("2024-03-05T10:15:30.123456Z")),
              utc(2024, 3, 5, 10, 15, 30, 123));
    // Offsets as Jira writes them, with and without the colon.
    EXPECT_EQ(dateFromString(QStringLiteral("2024-03-05T11:15:30.123+01:00")),
              utc(2024, 3, 5, 10, 15, 30, 123));
    EXPECT_EQ(dateFromString(QStringLiteral("2024-03-05T05:15:30.000-0500")), utc(2024, 3, 5, 10, 15, 30));

    EXPECT_FALSE(dateFromString(QStringLiteral("2024-03-05T10:15:30Z")));
    EXPECT_FALSE(dateFromString(QStringLiteral("2024-03-05T10:15:30.123")));
    EXPECT_FALSE(dateFromString(QStringLiteral("2024-03-05 10:15:30.123Z")));
    EXPECT_FALSE(dateFromString(QStringLiteral("2024-13-05T10:15:30.123Z")));
    EXPECT_FALSE(dateFromString(QStringLiteral("2024-02-30T10:15:30.123Z")));
    EXPECT_FALSE(dateFromString(QStringLiteral("2024-03-05T24:15:30.123Z")));
    EXPECT_FALSE(dateFromString(QStringLiteral("2024-03-05T10:15:30.123+25:00")));
    EXPECT_FALSE(dateFromString(QStringLiteral(" 2024-03-05T10:15:30.123Z")));
    EXPECT_FALSE(dateFromString(QString()));
}

TEST(DateFromStringTest, WorksOnEveryThreadAndAgainOnTheSameOne) {
    const QString text = QStringLiteral("2024-03-05T10:15:30.123Z");
    EXPECT_EQ(dateFromString(text), dateFromString(text));
    std::optional<QDateTime> fromThread;
    QThread* thread = QThread::create([&] { fromThread = dateFromString(text); });
    thread->start();
    thread->wait();
    delete thread;
    EXPECT_EQ(fromThread, utc(2024, 3, 5, 10, 15, 30, 123));
}

TEST(ReferenceDateTest, CountsSecondsFromTheFirstOf2001) {
    EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(utc(2001, 1, 1, 0, 0, 30)), 30.0);
    EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(utc(2000, 12, 31, 23, 59, 59, 500)), -0.5);
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(30.25), utc(2001, 1, 1, 0, 0, 30, 250));
}

TEST(FetchTokenResponseTest, RoundTripsThroughJsonWithAllFourKeysRequired) {
    const FetchTokenResponse response(QStringLiteral("at"), QStringLiteral("rt"),
                                      utc(2025, 6, 1, 12, 0, 0, 250), QStringLiteral("read:jira-work"));
    const QJsonObject json = response.toJson();
    EXPECT_EQ(json.keys(), (QStringList{QStringLiteral("accessToken"), QStringLiteral("expires"),
                                        QStringLiteral("refreshToken"), QStringLiteral("scope")}));
    EXPECT_TRUE(json.value(QStringLiteral("expires")).isDouble());
    const auto decoded = FetchTokenResponse::fromJson(json);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, response);

    for (const QString& key : json.keys()) {
        QJsonObject missing = json;
        missing.remove(key);
        EXPECT_FALSE(FetchTokenResponse::fromJson(missing)) << key.toStdString();
        QJsonObject wrongType = json;
        wrongType.insert(key, QJsonValue(true));
        EXPECT_FALSE(FetchTokenResponse::fromJson(wrongType)) << key.toStdString();
    }
}

TEST(IssueSearchFilterTest, BuildsTheJqlOfEveryMineAndSprintCombination) {
    struct Case {
        bool mine;
        std::optional<qint64> sprint;
        bool future;
        bool open;
        const char* expected;
    };
    const Case cases[] = {
        {false, {}, false, false, R"(project = "ABC")"},
        {true, {}, false, false, R"(project = "ABC" AND assignee = currentuser())"},
        {false, {}, true, false, R"(project = "ABC" AND sprint in futureSprints())"},
        {false, {}, false, true, R"(project = "ABC" AND sprint in openSprints())"},
        {false, {}, true, true, R"(project = "ABC" AND sprint in futureSprints())"},
        {true,
         {},
         true,
         false,
         R"(project = "ABC" AND assignee = currentuser() AND sprint in futureSprints())"},
        {true,
         {},
         false,
         true,
         R"(project = "ABC" AND assignee = currentuser() AND sprint in openSprints())"},
        {true,
         {},
         true,
         true,
         R"(project = "ABC" AND assignee = currentuser() AND sprint in futureSprints())"},
        {false, 42, false, true, R"(project = "ABC" AND sprint = 42)"},
        {false, 42, true, false, R"(project = "ABC" AND sprint = 42)"},
        {true, 7, true, true, R"(project = "ABC" AND assignee = currentuser() AND sprint = 7)"},
        {false, 0, false, false, R"(project = "ABC" AND sprint = 0)"},
    };
    for (const Case& c : cases) {
        const ZRIssueSearchFilter filter{QStringLiteral("ABC"), c.mine, c.sprint, c.future, c.open};
        EXPECT_EQ(filter.jqlQuery().toStdString(), c.expected);
    }
}

TEST(IssueSearchFilterTest, QuotesTheProjectKeySafely) {
    EXPECT_EQ(ZRIssueSearchFilter{QStringLiteral(R"(A"B)")}.jqlQuery().toStdString(), R"(project = "A\"B")");
    EXPECT_EQ(ZRIssueSearchFilter{QStringLiteral(R"(A\)")}.jqlQuery().toStdString(), R"(project = "A\\")");
    EXPECT_EQ(ZRIssueSearchFilter{QStringLiteral(R"(x" OR project != "y)")}.jqlQuery().toStdString(),
              R"(project = "x\" OR project != \"y")");
    EXPECT_EQ(ZRIssueSearchFilter{QStringLiteral("10001")}.jqlQuery().toStdString(), R"(project = "10001")");
}

TEST(RedactionTest, SecretsAreMaskedInJsonFormsTextAndUrls) {
    const QJsonObject answer{
        {QStringLiteral("access_token"), QStringLiteral("A1")},
        {QStringLiteral("nested"),
         QJsonArray{QJsonObject{{QStringLiteral("refresh_token"), QStringLiteral("R1")}}}},
        {QStringLiteral("scope"), QStringLiteral("read")}};
    EXPECT_EQ(
        printedForm(answer),
        QStringLiteral(
            R"({"access_token":"<redacted>","nested":[{"refresh_token":"<redacted>"}],"scope":"read"})"));
    EXPECT_EQ(printedForm(QJsonValue(QJsonValue::Undefined)), QStringLiteral("nil"));
    EXPECT_EQ(printedForm(QJsonValue(QStringLiteral("text"))), QStringLiteral("text"));

    EXPECT_EQ(redactedBody(R"({"client_secret":"S","code":"C","grant_type":"authorization_code"})"),
              QStringLiteral(
                  R"({"client_secret":"<redacted>","code":"<redacted>","grant_type":"authorization_code"})"));
    const auto form = redactedBody("grant_type=refresh_token&refresh_token=R2&client_id=id");
    ASSERT_TRUE(form);
    EXPECT_FALSE(form->contains(QStringLiteral("R2")));
    EXPECT_TRUE(form->contains(QStringLiteral("client_id=id")));
    const auto broken = redactedBody(R"({"id_token": "I3", "accessToken":"A3")");
    ASSERT_TRUE(broken);
    EXPECT_FALSE(broken->contains(QStringLiteral("I3")));
    EXPECT_FALSE(broken->contains(QStringLiteral("A3")));
    EXPECT_FALSE(redactedBody(QByteArray()));
    EXPECT_FALSE(redactedBody(QByteArray("\xff\xfe", 2)));
    // An empty value does not take the next key along: the secret after it is masked all the same.
    EXPECT_EQ(redactedBody("error: invalid code= access_token: SECRET123"),
              QStringLiteral("error: invalid code= access_token: <redacted>"));
    EXPECT_EQ(redactedBody("code=xaccess_token: S2 refresh_token=S3;"),
              QStringLiteral("code=<redacted>access_token: <redacted> refresh_token=<redacted>;"));
    // Form-like bodies of any length are read in one pass (a nested pattern once took seconds on these).
    QByteArray manyEmpty;
    for (int i = 0; i < 20000; ++i)
        manyEmpty += "a=&";
    manyEmpty += "code=C5";
    const auto many = redactedBody(manyEmpty);
    ASSERT_TRUE(many);
    EXPECT_TRUE(many->endsWith(QStringLiteral("code=%3Credacted%3E")) ||
                many->endsWith(QStringLiteral("code=<redacted>")))
        << many->right(40).toStdString();

    const QString url = redactedURL(QUrl(QStringLiteral("https://h/cb?code=C4&state=s")));
    EXPECT_FALSE(url.contains(QStringLiteral("C4")));
    EXPECT_TRUE(url.contains(QStringLiteral("state=s")));
}
