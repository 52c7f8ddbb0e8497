#include "Model/JiraBoard.h"
#include "Model/JiraProject.h"
#include "Model/JiraResource.h"
#include "Model/JiraSprint.h"
#include "Model/JiraUser.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QJsonObject json(const char* text) {
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

} // namespace

TEST(JiraResourceTest, NeedsAStringIdAndReadsTheRestOptionally) {
    EXPECT_EQ(JiraResource::create(QStringLiteral("acc"), json(R"j({"id": 17, "name": "Site"})j")), nullptr);
    EXPECT_EQ(JiraResource::create(QStringLiteral("acc"), json(R"j({"name": "Site"})j")), nullptr);

    const std::shared_ptr<JiraResource> site = JiraResource::create(
        QStringLiteral("acc"), json(R"j({"id": "cloud-1", "name": "Site", "url": "https://x.atlassian.net",
                                        "avatarUrl": 5})j"));
    ASSERT_TRUE(site);
    EXPECT_EQ(site->accountID(), QStringLiteral("acc"));
    EXPECT_EQ(site->cloudID(), QStringLiteral("cloud-1"));
    EXPECT_EQ(site->name(), QStringLiteral("Site"));
    EXPECT_EQ(site->url(), QStringLiteral("https://x.atlassian.net"));
    EXPECT_FALSE(site->avatarUrl().has_value());
    EXPECT_FALSE(site->projects().has_value());
    EXPECT_FALSE(site->users().has_value());
    EXPECT_FALSE(site->value(QStringLiteral("avatarUrl")).isValid());
    EXPECT_EQ(site->value(QStringLiteral("url")).toString(), QStringLiteral("https://x.atlassian.net"));
}

TEST(JiraResourceTest, AnnouncesEachNewListOfProjectsAndUsers) {
    const std::shared_ptr<JiraResource> site =
        JiraResource::create(QStringLiteral("acc"), json(R"j({"id": "cloud-1"})j"));
    ASSERT_TRUE(site);
    QSignalSpy projects(site.get(), &JiraResource::projectsChanged);
    QSignalSpy users(site.get(), &JiraResource::usersChanged);

    site->setUsers(QList<JiraUser>{JiraUser(json(R"j({"accountId": "u1"})j"))});
    ASSERT_TRUE(site->users().has_value());
    EXPECT_EQ(site->users()->first().accountID(), QStringLiteral("u1"));
    EXPECT_EQ(users.count(), 1);
    EXPECT_EQ(projects.count(), 0);

    const std::optional<JiraProject> project = JiraProject::create(
        QStringLiteral("acc"), QStringLiteral("cloud-1"), std::nullopt, json(R"j({"id": "1", "key": "K"})j"));
    ASSERT_TRUE(project);
    site->setProjects(QList<JiraProject>{*project});
    site->setProjects(QList<JiraProject>{*project}); // a second download is news too
    EXPECT_EQ(projects.count(), 2);
    site->setProjects(std::nullopt);
    EXPECT_EQ(projects.count(), 3);
    EXPECT_FALSE(site->projects().has_value());
}

TEST(JiraProjectTest, NeedsStringIdAndKeyAndAllStringAvatarUrls) {
    const auto make = [](const char* text) {
        return JiraProject::create(QStringLiteral("acc"), QStringLiteral("cloud"),
                                   QStringLiteral("https://x"), json(text));
    };
    EXPECT_FALSE(make(R"j({"id": 10000, "key": "ABC"})j").has_value());
    EXPECT_FALSE(make(R"j({"id": "10000"})j").has_value());

    std::optional<JiraProject> project = make(
        R"j({"id": "10000", "key": "ABC", "name": "Alpha", "avatarUrls": {"48x48": "https://a/48", "16x16": "https://a/16"}})j");
    ASSERT_TRUE(project.has_value());
    EXPECT_EQ(project->identifier(), QStringLiteral("10000"));
    EXPECT_EQ(project->key(), QStringLiteral("ABC"));
    EXPECT_EQ(project->name(), QStringLiteral("Alpha"));
    EXPECT_EQ(project->baseURL(), QStringLiteral("https://x"));
    EXPECT_EQ(project->cloudID(), QStringLiteral("cloud"));
    ASSERT_TRUE(project->avatarUrls().has_value());
    EXPECT_EQ(project->avatarUrls()->value(QStringLiteral("48x48")), QStringLiteral("https://a/48"));
    EXPECT_EQ(project->value(QStringLiteral("avatarUrls.16x16")).toString(), QStringLiteral("https://a/16"));

    project = make(R"j({"id": "1", "key": "K", "avatarUrls": {"48x48": "https://a/48", "16x16": null}})j");
    ASSERT_TRUE(project.has_value());
    EXPECT_FALSE(project->avatarUrls().has_value());
    EXPECT_FALSE(project->name().has_value());
}

TEST(JiraUserTest, MissingMembersAreEmptyAndTheCurrentUserNeedsAllThree) {
    const JiraUser user(json(R"j({"accountId": 5, "displayName": "Ada"})j"));
    EXPECT_EQ(user.accountID(), QString());
    EXPECT_EQ(user.displayName(), QStringLiteral("Ada"));
    EXPECT_EQ(user.emailAddress(), QString());

    EXPECT_FALSE(
        JiraCurrentUser::create(json(R"j({"accountId": "a", "displayName": "Ada", "emailAddress": ""})j")));
    EXPECT_FALSE(JiraCurrentUser::create(json(R"j({"accountId": "a", "displayName": "Ada"})j")));
    const std::optional<JiraCurrentUser> me = JiraCurrentUser::create(
        json(R"j({"accountId": "a", "displayName": "Ada", "emailAddress": "ada@x"})j"));
    ASSERT_TRUE(me.has_value());
    EXPECT_EQ(me->value(QStringLiteral("emailAddress")).toString(), QStringLiteral("ada@x"));
}

TEST(JiraBoardTest, ReadsItsNamesAndUrlFromTheLocation) {
    const JiraBoard scrum(json(R"j({"id": 84, "self": "https://x/board/84", "type": "scrum",
        "location": {"projectId": 10040, "displayName": "Alpha (ABC)", "projectName": "Alpha",
                     "projectKey": "ABC", "name": "Alpha board", "self": "https://x/project/10040"}})j"));
    EXPECT_EQ(scrum.id(), 84);
    EXPECT_EQ(scrum.type(), JiraBoardType::scrum);
    EXPECT_TRUE(scrum.isScrumBoard());
    EXPECT_EQ(scrum.projectID(), 10040);
    EXPECT_EQ(scrum.boardUrl(), QStringLiteral("https://x/project/10040"));
    EXPECT_EQ(scrum.displayName(), QStringLiteral("Alpha (ABC)"));
    EXPECT_EQ(scrum.projectKey(), QStringLiteral("ABC"));
    EXPECT_EQ(scrum.projectName(), QStringLiteral("Alpha"));
    EXPECT_EQ(scrum.name(), QStringLiteral("Alpha board"));
    EXPECT_EQ(scrum.value(QStringLiteral("isScrumBoard")).toBool(), true);
    EXPECT_EQ(scrum.value(QStringLiteral("fields.projectKey")).toString(), QStringLiteral("ABC"));
    EXPECT_FALSE(scrum.value(QStringLiteral("id")).isValid()) << "not readable by key path";

    const JiraBoard other(json(R"j({"id": "84", "self": "https://x/board/84", "type": "simple",
                                   "location": {"projectId": "10040", "name": 3}})j"));
    EXPECT_EQ(other.id(), 0);
    EXPECT_FALSE(other.type().has_value());
    EXPECT_FALSE(other.isScrumBoard());
    EXPECT_FALSE(other.boardUrl().has_value()) << "the board's own self is not its url";
    EXPECT_FALSE(other.projectID().has_value());
    EXPECT_FALSE(other.name().has_value());

    const JiraBoard kanban(json(R"j({"id": 2, "type": "kanban", "location": []})j"));
    EXPECT_EQ(kanban.type(), JiraBoardType::kanban);
    EXPECT_FALSE(kanban.isScrumBoard());
    EXPECT_TRUE(kanban.fields().isEmpty());
    EXPECT_FALSE(kanban.displayName().has_value());
}

TEST(JiraSprintTest, ReadsStateAndDatesAndFallsBackPerField) {
    const JiraSprint future(json(R"j({"id": 37, "originBoardId": 5, "state": "future", "name": "Sprint 7",
        "goal": "Ship", "self": "https://x/sprint/37", "startDate": "2024-03-05T10:15:30.123Z",
        "endDate": "2024-03-19T10:15:30Z", "completeDate": 17})j"));
    EXPECT_EQ(future.id(), 37);
    EXPECT_EQ(future.boardId(), 5);
    EXPECT_FALSE(future.state().has_value());
    EXPECT_EQ(future.name(), QStringLiteral("Sprint 7"));
    EXPECT_EQ(future.goal(), QStringLiteral("Ship"));
    EXPECT_EQ(future.sprintUrl(), QStringLiteral("https://x/sprint/37"));
    EXPECT_EQ(future.startDate(), QDateTime(QDate(2024, 3, 5), QTime(10, 15, 30, 123), QTimeZone::utc()));
    EXPECT_FALSE(future.endDate().has_value()) << "no fractional seconds: the date parser rejects it";
    EXPECT_FALSE(future.completeDate().has_value());
    EXPECT_EQ(future.value(QStringLiteral("startDate")).toDateTime(), *future.startDate());
    EXPECT_FALSE(future.value(QStringLiteral("state")).isValid());

    EXPECT_EQ(JiraSprint(json(R"j({"state": "active"})j")).state(), JiraSprint::State::active);
    EXPECT_EQ(JiraSprint(json(R"j({"state": "closed"})j")).state(), JiraSprint::State::closed);
    const JiraSprint odd(json(R"j({"id": 3.5, "originBoardId": "5", "state": "CLOSED"})j"));
    EXPECT_EQ(odd.id(), 0);
    EXPECT_EQ(odd.boardId(), 0);
    EXPECT_FALSE(odd.state().has_value());
    EXPECT_FALSE(odd.name().has_value());
}
