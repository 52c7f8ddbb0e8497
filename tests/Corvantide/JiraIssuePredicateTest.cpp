#include "Model/JiraIssue.h"

#include "Platform/Predicate.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

// An issue as a Jira search answers it: components, versions and labels are arrays.
JiraIssue issue(const char* fields) {
    const QJsonObject object{
        {"id", "10001"}, {"key", "ABC-7"}, {"fields", QJsonDocument::fromJson(QByteArray(fields)).object()}};
    return *JiraIssue::create(QStringLiteral("cloud"), QStringLiteral("https://x.atlassian.net"),
                              QStringLiteral("Alpha"), object);
}

const JiraIssue& full() {
    static const JiraIssue value = issue(R"({
        "summary": "Tray icon is blurry",
        "created": "2024-03-05T10:15:30.123Z",
        "components": [{"id": "1", "name": "Backend"}, {"id": "2", "name": "Tray UI"}],
        "fixVersions": [{"name": "1.2", "released": true}, {"name": "2.0", "released": false}],
        "versions": [],
        "labels": ["linux", "Regression"],
        "timetracking": {"originalEstimateSeconds": 3600},
        "worklog": {"worklogs": [{"timeSpentSeconds": 1800}, {"timeSpentSeconds": 900.5}]},
        "status": {"name": "In Progress", "statusCategory": {"key": "indeterminate", "name": "In Progress"}}})");
    return value;
}

bool matches(const JiraIssue& issue, const char* format) {
    QString error;
    const auto predicate = Platform::Predicate::fromFormat(QString::fromUtf8(format), &error);
    EXPECT_TRUE(predicate.has_value()) << format << ": " << error.toStdString();
    return predicate &&
           predicate->evaluate([&issue](const QString& keyPath) { return issue.value(keyPath); });
}

} // namespace

TEST(JiraIssuePredicateTest, ReadsJirasArraysOfObjects) {
    EXPECT_TRUE(matches(full(), "fields.components.name CONTAINS 'Backend'"));
    EXPECT_FALSE(matches(full(), "fields.components.name CONTAINS 'backend'"));
    EXPECT_TRUE(matches(full(), "fields.components.name CONTAINS[c] 'backend'"));
    EXPECT_TRUE(matches(full(), "ANY fields.components.name BEGINSWITH[cd] 'tray'"));
    EXPECT_TRUE(
        matches(full(), "ANY fields.fixVersions.released == NO AND ANY fields.fixVersions.released == YES"));
    EXPECT_FALSE(matches(full(), "ALL fields.fixVersions.released == TRUE"));
    EXPECT_TRUE(matches(full(), "NONE fields.versions.name == '1.0' AND fields.versions.@count == 0"));
    EXPECT_TRUE(matches(full(), "'regression' IN[c] fields.labels AND fields.labels[FIRST] == 'linux'"));
    EXPECT_TRUE(matches(full(), "fields.fixVersions[LAST].name == '2.0' AND fields.components[SIZE] == 2"));
    EXPECT_TRUE(matches(full(), "fields.worklog.worklogs.@sum.timeSpentSeconds == 2700.5"));
    EXPECT_TRUE(matches(
        full(),
        "fields.worklog.worklogs.@max.timeSpentSeconds < fields.timetracking.originalEstimateSeconds"));
    EXPECT_TRUE(
        matches(full(), "statusCategoryKey IN {'new', 'indeterminate'} AND key MATCHES '[A-Z]+-\\\\d+'"));
    EXPECT_TRUE(matches(full(), "summary LIKE[c] '*BLUR*' AND createdDate BETWEEN {CAST(731000000, "
                                "'NSDate'), CAST(732000000, 'NSDate')}"));
    // Issue properties that are no collections or do not exist.
    EXPECT_FALSE(
        matches(full(), "ANY summary.name == 'x' OR key.@count == 5 OR noSuchProperty[FIRST] != nil"));
}

TEST(JiraIssuePredicateTest, IssuesWithoutTheFieldsAreNotMatched) {
    const JiraIssue bare = issue("{}");
    EXPECT_FALSE(matches(bare, "fields.components.name CONTAINS 'Backend'"));
    EXPECT_FALSE(matches(bare, "ANY fields.components.name == 'Backend'"));
    EXPECT_TRUE(matches(bare, "NONE fields.components.name == 'Backend'"));
    EXPECT_TRUE(matches(bare, "fields.components.@count == nil AND fields.labels[FIRST] == nil"));
    EXPECT_FALSE(matches(bare, "fields.labels.@count == 0"));
    EXPECT_FALSE(matches(bare, "summary LIKE '*' OR summary MATCHES '.*' OR summary IN {'x'}"));
    EXPECT_TRUE(matches(bare, "summary IN {'x', nil}"));
}
