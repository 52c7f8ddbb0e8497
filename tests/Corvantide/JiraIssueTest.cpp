#include "Model/JiraIssue.h"
#include "Model/JiraIssueUIProxy.h"
#include "Model/StableSort.h"
#include "Model/StateMapping.h"

#include "Platform/Predicate.h"
#include "Platform/SystemLog.h"

#include "TestUtils.h"

#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QJsonObject json(const QByteArray& text) {
    return QJsonDocument::fromJson(text).object();
}

JiraIssue issue(const QByteArray& fields, const QString& key = QStringLiteral("ABC-1"),
                const std::optional<QString>& baseURL = QStringLiteral("https://x.atlassian.net")) {
    QJsonObject object{{"id", "10001"}, {"key", key}};
    if (!fields.isEmpty())
        object.insert(QStringLiteral("fields"), json(fields));
    return *JiraIssue::create(QStringLiteral("cloud"), baseURL, QStringLiteral("Alpha"), object);
}

QByteArray status(const char* name, const char* categoryKey, const char* categoryName) {
    return QStringLiteral(R"({"status": {"name": "%1", "statusCategory": {"key": "%2", "name": "%3"}}})")
        .arg(QLatin1String(name), QLatin1String(categoryKey), QLatin1String(categoryName))
        .toUtf8();
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& contents) {
    const QString path = dir.filePath(QLatin1String(name));
    TestUtils::writeFile(path, contents);
    return path;
}

QByteArray plist(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

} // namespace

TEST(JiraIssueTest, NeedsStringIdAndKeyAndToleratesMissingFields) {
    EXPECT_FALSE(JiraIssue::create({}, {}, {}, json(R"({"id": 10001, "key": "ABC-1"})")).has_value());
    EXPECT_FALSE(JiraIssue::create({}, {}, {}, json(R"({"id": "10001"})")).has_value());

    const JiraIssue bare = issue({});
    EXPECT_EQ(bare.identifier(), QStringLiteral("10001"));
    EXPECT_EQ(bare.cloudID(), QStringLiteral("cloud"));
    EXPECT_EQ(bare.projectName(), QStringLiteral("Alpha"));
    EXPECT_TRUE(bare.fields().isEmpty());
    EXPECT_FALSE(bare.summary().has_value());
    EXPECT_EQ(bare.menuItemTitle(), QStringLiteral("ABC-1 "));
    EXPECT_FALSE(bare.statusName().has_value());
    EXPECT_FALSE(bare.assigneeDisplayName().has_value());

    const std::optional<JiraIssue> fieldsNotAnObject =
        JiraIssue::create({}, {}, {}, json(R"({"id": "1", "key": "K-1", "fields": [1, 2]})"));
    ASSERT_TRUE(fieldsNotAnObject.has_value());
    EXPECT_TRUE(fieldsNotAnObject->fields().isEmpty());

    const JiraIssue typed = issue(R"({"summary": 5, "assignee": "Ada", "status": {"name": ["Done"]}})");
    EXPECT_FALSE(typed.summary().has_value());
    EXPECT_FALSE(typed.assigneeDict().has_value());
    EXPECT_FALSE(typed.statusName().has_value());
    EXPECT_TRUE(typed.statusDict().has_value());
}

TEST(JiraIssueTest, BrowseUrlOnlyForWebBaseUrls) {
    EXPECT_EQ(issue({}).url(), QUrl(QStringLiteral("https://x.atlassian.net/browse/ABC-1")));
    EXPECT_EQ(
        issue({}, QStringLiteral("ABC-1"), QStringLiteral("http://127.0.0.1:8080/jira")).url()->toString(),
        QStringLiteral("http://127.0.0.1:8080/jira/browse/ABC-1"));
    EXPECT_FALSE(issue({}, QStringLiteral("ABC-1"), std::nullopt).url().has_value());
    for (const char* base : {"javascript:alert(1)//", "file:///etc", "x.atlassian.net", "", "https://"})
        EXPECT_FALSE(issue({}, QStringLiteral("ABC-1"), QLatin1String(base)).url().has_value()) << base;
    EXPECT_FALSE(issue({}, QStringLiteral("ABC 1"), QStringLiteral("https://x")).url().has_value());
}

TEST(JiraIssueTest, ReadsPeopleStatusAndCreatedDate) {
    const JiraIssue full = issue(R"({"summary": "Fix the tray", "created": "2024-03-05T10:15:30.123+0100",
        "assignee": {"accountId": "u1", "displayName": "Ada Lovelace"},
        "creator": {"displayName": "Grace"},
        "status": {"name": "In Progress", "iconUrl": "https://x/icon.png",
                   "statusCategory": {"key": "indeterminate", "name": "In Progress"}}})");
    EXPECT_EQ(full.summary(), QStringLiteral("Fix the tray"));
    EXPECT_EQ(full.menuItemTitle(), QStringLiteral("ABC-1 Fix the tray"));
    EXPECT_EQ(full.assigneeAccountID(), QStringLiteral("u1"));
    EXPECT_EQ(full.assigneeDisplayName(), QStringLiteral("Ada Lovelace"));
    EXPECT_EQ(full.creatorDisplayName(), QStringLiteral("Grace"));
    EXPECT_EQ(full.statusName(), QStringLiteral("In Progress"));
    EXPECT_EQ(full.statusCategoryKey(), QStringLiteral("indeterminate"));
    EXPECT_EQ(full.statusCategoryName(), QStringLiteral("In Progress"));
    EXPECT_EQ(full.menuItemImageURL(), QUrl(QStringLiteral("https://x/icon.png")));
    EXPECT_EQ(full.createdDate(), QDateTime(QDate(2024, 3, 5), QTime(9, 15, 30, 123), QTimeZone::utc()));

    EXPECT_FALSE(issue(R"({"created": "2024-03-05T10:15:30Z"})").createdDate().has_value());
    EXPECT_FALSE(issue(R"({"created": "yesterday"})").createdDate().has_value());
    EXPECT_FALSE(issue(R"({"status": {"iconUrl": "http://[broken"}})").menuItemImageURL().has_value());
}

TEST(JiraIssueTest, ImageByStatusNameThenCategoryInFileOrderThenUnknown) {
    EXPECT_EQ(issue(status("Done", "done", "Done")).menuItemImageName(), QStringLiteral("status-done"));
    EXPECT_EQ(issue(status("In Review", "indeterminate", "In Progress")).menuItemImageName(),
              QStringLiteral("status-review"));
    // "Blocked" sorts before "In Progress", but the file lists "In Progress" first.
    EXPECT_EQ(issue(status("Waiting for QA", "indeterminate", "In Progress")).menuItemImageName(),
              QStringLiteral("status-inprogress"));
    EXPECT_EQ(issue(status("Shipped", "done", "Done")).menuItemImageName(), QStringLiteral("status-done"));
    EXPECT_EQ(issue(status("Odd", "nonsense", "Odd")).menuItemImageName(), QStringLiteral("status-unknown"));
    EXPECT_EQ(issue({}).menuItemImageName(), QStringLiteral("status-unknown"));

    // Every image the mapping names ships and renders at menu size.
    ASSERT_TRUE(StateMapping::application().has_value());
    for (const StateMapping::Entry& entry : StateMapping::application()->entries()) {
        const JiraIssue withStatus = issue(status(entry.statusName.toUtf8().constData(), "x", "x"));
        const QIcon icon = withStatus.menuItemImage();
        ASSERT_FALSE(icon.isNull()) << entry.statusName.toStdString();
        EXPECT_FALSE(icon.pixmap(16, 16).isNull()) << entry.statusName.toStdString();
    }

    // Tables and predicates reach the image by key path as well.
    const JiraIssue done = issue(status("Done", "done", "Done"));
    const QVariant image = done.value(QStringLiteral("menuItemImage"));
    ASSERT_EQ(image.typeId(), QMetaType::QIcon);
    EXPECT_EQ(image.value<QIcon>().pixmap(16, 16).toImage(), done.menuItemImage().pixmap(16, 16).toImage());
    EXPECT_EQ(done.value(QStringLiteral("menuItemImageName")).toString(), QStringLiteral("status-done"));
}

TEST(JiraIssueUIProxyTest, HoldsAnIssueReadableByKeyPathAndAnnouncesANewOne) {
    auto users = std::make_shared<JiraUserManager>();
    JiraIssueUIProxy proxy(issue(R"({"summary": "First"})", QStringLiteral("ABC-1")), users);
    EXPECT_EQ(proxy.userManager(), users);
    EXPECT_EQ(proxy.value(QStringLiteral("issue.key")).toString(), QStringLiteral("ABC-1"));
    EXPECT_EQ(proxy.value(QStringLiteral("issue.summary")).toString(), QStringLiteral("First"));
    EXPECT_FALSE(proxy.value(QStringLiteral("key")).isValid());
    EXPECT_FALSE(proxy.value(QStringLiteral("issue.nothing")).isValid());

    QSignalSpy changed(&proxy, &JiraIssueUIProxy::issueChanged);
    proxy.setIssue(issue(R"({"summary": "Second"})", QStringLiteral("ABC-2")));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(proxy.value(QStringLiteral("issue.summary")).toString(), QStringLiteral("Second"));
}

TEST(StateMappingTest, FirstEntryOfACategoryDecidesAndBrokenFilesAreRejected) {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "mapping.plist", plist(R"(
<key>Zeta</key><dict><key>categoryKey</key><string>new</string></dict>
<key>Alpha</key><dict><key>image</key><string>alpha</string><key>categoryKey</key><string>new</string></dict>
<key>Unknown</key><dict><key>image</key><string>unknown</string></dict>
)"));
    const std::optional<StateMapping> mapping = StateMapping::load(path);
    ASSERT_TRUE(mapping.has_value());
    EXPECT_EQ(mapping->entries().first().statusName, QStringLiteral("Zeta"));
    EXPECT_EQ(mapping->imageName(QStringLiteral("Alpha"), std::nullopt), QStringLiteral("alpha"));
    // Zeta comes first in the file and has no image: the category step gives nothing, "Unknown" follows.
    EXPECT_EQ(mapping->imageName(QStringLiteral("Other"), QStringLiteral("new")), QStringLiteral("unknown"));
    EXPECT_EQ(mapping->imageName(QStringLiteral("Zeta"), std::nullopt), QStringLiteral("unknown"));

    const QString noUnknown = writeFile(dir, "no-unknown.plist", plist(R"(
<key>Done</key><dict><key>image</key><string>done</string></dict>
)"));
    Platform::SystemLog::Capture log;
    EXPECT_FALSE(StateMapping::load(noUnknown)->imageName(QStringLiteral("Other"), std::nullopt).has_value());
    EXPECT_TRUE(log.contains(QStringLiteral("Could not get key 'Unknown' from StateMapping")));

    QString error;
    EXPECT_FALSE(StateMapping::load(dir.filePath(QStringLiteral("missing.plist")), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    const QString notStrings = writeFile(dir, "numbers.plist", plist(R"(
<key>Done</key><dict><key>image</key><integer>3</integer></dict>
)"));
    EXPECT_FALSE(StateMapping::load(notStrings).has_value());
    const QString flat = writeFile(dir, "flat.plist", plist("<key>Done</key><string>done</string>\n"));
    EXPECT_FALSE(StateMapping::load(flat).has_value());
}

TEST(StateMappingTest, ABareDictionaryWithoutThePlistWrapperIsReadInFileOrder) {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "bare.plist", R"(<?xml version="1.0" encoding="UTF-8"?>
<dict>
<key>Zeta</key><dict><key>categoryKey</key><string>new</string></dict>
<key>Alpha</key><dict><key>image</key><string>alpha</string></dict>
<key>Unknown</key><dict><key>image</key><string>unknown</string></dict>
<key>Mid</key><dict><key>image</key><string>mid</string><key>categoryKey</key><string>done</string></dict>
</dict>
)");
    QString error;
    const std::optional<StateMapping> mapping = StateMapping::load(path, &error);
    ASSERT_TRUE(mapping.has_value()) << error.toStdString();
    QStringList names;
    for (const StateMapping::Entry& entry : mapping->entries())
        names.append(entry.statusName);
    EXPECT_EQ(names, (QStringList{"Zeta", "Alpha", "Unknown", "Mid"}));
    EXPECT_EQ(mapping->imageName(QStringLiteral("Other"), QStringLiteral("done")), QStringLiteral("mid"));
}

TEST(JiraIssueTest, ComparesByCategoryOrderThenByName) {
    const JiraIssue todo = issue(status("To Do", "new", "To Do"), QStringLiteral("A-1"));
    const JiraIssue doing =
        issue(status("In Progress", "indeterminate", "In Progress"), QStringLiteral("A-2"));
    const JiraIssue review =
        issue(status("In Review", "indeterminate", "In Progress"), QStringLiteral("A-3"));
    const JiraIssue done = issue(status("Done", "done", "Done"), QStringLiteral("A-4"));
    const JiraIssue undefinedCategory =
        issue(status("Triage", "undefined", "No Category"), QStringLiteral("A-5"));
    const JiraIssue nameOnly = issue(R"({"status": {"name": "backlog"}})", QStringLiteral("A-6"));
    const JiraIssue bare = issue({}, QStringLiteral("a-7"));

    EXPECT_GT(done.compareByJiraStatus(todo), 0);
    EXPECT_LT(todo.compareByJiraStatus(done), 0);
    EXPECT_EQ(doing.compareByJiraStatus(review), 0);
    // "No Category" against "To Do", case-insensitively.
    EXPECT_LT(undefinedCategory.compareByJiraStatus(todo), 0);
    EXPECT_GT(undefinedCategory.compareByJiraStatus(done), 0) << "'no category' after 'done'";
    EXPECT_LT(nameOnly.compareByJiraStatus(done), 0) << "'backlog' before 'Done'";
    EXPECT_EQ(bare.compareByJiraStatus(issue({}, QStringLiteral("A-7"))), 0);

    const QList<JiraIssue> sorted = JiraIssue::sortedByJiraStatus({done, review, todo, doing});
    QStringList keys;
    for (const JiraIssue& each : sorted)
        keys.append(each.key());
    EXPECT_EQ(keys.join(u','), QStringLiteral("A-1,A-3,A-2,A-4")) << "equal categories keep their order";
}

TEST(JiraIssueTest, SortingStaysInBoundsWhenTheOrderIsNotConsistent) {
    // Category order and name order disagree across these, so the comparison is not transitive.
    QList<JiraIssue> issues;
    const char* const statuses[][3] = {{"To Do", "new", "To Do"},
                                       {"Done", "done", "Done"},
                                       {"Triage", "undefined", "No Category"},
                                       {"Zed", "odd", "Alpha"},
                                       {"In Progress", "indeterminate", "In Progress"}};
    for (int i = 0; i < 200; ++i) {
        const auto* s = statuses[QRandomGenerator::global()->bounded(5)];
        issues.append(issue(status(s[0], s[1], s[2]), QStringLiteral("K-%1").arg(i)));
    }
    const QList<JiraIssue> sorted = JiraIssue::sortedByJiraStatus(issues);
    ASSERT_EQ(sorted.size(), issues.size());
    QStringList before;
    QStringList after;
    for (qsizetype i = 0; i < issues.size(); ++i) {
        before.append(issues[i].key());
        after.append(sorted[i].key());
    }
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(before, after) << "the same issues, each once";

    // Even a comparison that answers at random gives back every element once.
    QList<int> numbers;
    for (int i = 0; i < 1000; ++i)
        numbers.append(i);
    QList<int> shuffled = stableSorted<int>(
        numbers, [](const int&, const int&) { return QRandomGenerator::global()->bounded(2) == 0; });
    std::sort(shuffled.begin(), shuffled.end());
    EXPECT_EQ(shuffled, numbers);
}

TEST(JiraIssueTest, MatchesKeySummaryAndAssigneeCaseInsensitively) {
    const JiraIssue full =
        issue(R"({"summary": "Fix the Tray", "assignee": {"displayName": "Ada Lovelace"}})");
    EXPECT_TRUE(full.matchesString(QStringLiteral("abc-")));
    EXPECT_TRUE(full.matchesString(QStringLiteral("TRAY")));
    EXPECT_TRUE(full.matchesString(QStringLiteral("lovelace")));
    EXPECT_TRUE(full.matchesString(QString()));
    EXPECT_FALSE(full.matchesString(QStringLiteral("grace")));
    EXPECT_FALSE(issue({}).matchesString(QStringLiteral("tray")));
}

TEST(JiraIssueTest, KeyPathsReachPropertiesAndFieldsForPredicates) {
    const JiraIssue full = issue(R"({"summary": "Fix", "created": "2024-03-05T10:15:30.123Z",
        "priority": {"name": "High"}, "labels": ["tray", "linux"], "storyPoints": 3, "flagged": null,
        "status": {"name": "Done", "statusCategory": {"key": "done", "name": "Done"}}})");
    EXPECT_EQ(full.value(QStringLiteral("key")).toString(), QStringLiteral("ABC-1"));
    EXPECT_EQ(full.value(QStringLiteral("projectName")).toString(), QStringLiteral("Alpha"));
    EXPECT_EQ(full.value(QStringLiteral("menuItemTitle")).toString(), QStringLiteral("ABC-1 Fix"));
    EXPECT_EQ(full.value(QStringLiteral("fields.priority.name")).toString(), QStringLiteral("High"));
    EXPECT_EQ(full.value(QStringLiteral("statusDict.statusCategory.key")).toString(), QStringLiteral("done"));
    EXPECT_EQ(full.value(QStringLiteral("fields.storyPoints")).toInt(), 3);
    EXPECT_EQ(full.value(QStringLiteral("fields.labels")).toStringList(), (QStringList{"tray", "linux"}));
    EXPECT_EQ(full.value(QStringLiteral("fields.status")).toMap().value(QStringLiteral("name")).toString(),
              QStringLiteral("Done"));
    EXPECT_EQ(full.value(QStringLiteral("createdDate")).toDateTime(),
              QDateTime(QDate(2024, 3, 5), QTime(10, 15, 30, 123), QTimeZone::utc()));
    EXPECT_EQ(full.value(QStringLiteral("url")).toUrl(),
              QUrl(QStringLiteral("https://x.atlassian.net/browse/ABC-1")));
    for (const char* missing : {"assigneeDisplayName", "fields.flagged", "fields.nothing.deeper",
                                "summary.length", "noSuchProperty"})
        EXPECT_FALSE(full.value(QLatin1String(missing)).isValid()) << missing;
    // A key of an array reads each element: strings have no such key.
    EXPECT_EQ(full.value(QStringLiteral("fields.labels.first")),
              QVariant(QVariantList{QVariant(), QVariant()}));

    const auto predicate = Platform::Predicate::fromFormat(
        u"statusCategoryKey == 'done' AND fields.priority.name ==[c] 'high' AND summary CONTAINS 'F'");
    ASSERT_TRUE(predicate.has_value());
    EXPECT_TRUE(predicate->evaluate([&](const QString& keyPath) { return full.value(keyPath); }));
    EXPECT_FALSE(predicate->evaluate([](const QString& keyPath) { return issue({}).value(keyPath); }));
}
