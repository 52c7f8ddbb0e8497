#include "Model/IssueFilter.h"
#include "Model/JiraProject.h"

#include "Platform/SystemLog.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QUuid>

#include <gtest/gtest.h>

using Platform::Predicate;

namespace {

QJsonObject filterJson() {
    return QJsonDocument::fromJson(
               R"({"identifier": "6F1C2A3B-0000-4000-8000-000000000001", "accountID": "acc-1",
        "cloudID": "cloud-1", "projectIdentifier": "10000", "name": "Backend", "showOnlyMyIssues": true,
        "issueFilter": 3, "sprintFilter": 2})")
        .object();
}

Predicate parse(const char* format) {
    return Predicate::fromFormat(QString::fromUtf8(format)).value();
}

} // namespace

TEST(IssueFilterJsonTest, WritesAndReadsEveryField) {
    const auto filter = IssueFilter::fromJson(filterJson());
    ASSERT_TRUE(filter);
    EXPECT_EQ(filter->identifier(), QStringLiteral("6F1C2A3B-0000-4000-8000-000000000001"));
    EXPECT_EQ(filter->accountID(), QStringLiteral("acc-1"));
    EXPECT_EQ(filter->cloudID(), QStringLiteral("cloud-1"));
    EXPECT_EQ(filter->projectIdentifier(), QStringLiteral("10000"));
    EXPECT_EQ(filter->name(), QStringLiteral("Backend"));
    EXPECT_TRUE(filter->showOnlyMyIssues());
    EXPECT_EQ(filter->issueFilterType(), IssueFilter::IssueFilterType::todoOrInProgress);
    EXPECT_EQ(filter->sprintFilterType(), IssueFilter::SprintFilterType::open);
    EXPECT_TRUE(filter->openSprintsOnly());
    EXPECT_FALSE(filter->futureSprintsOnly());
    EXPECT_FALSE(filter->predicate().has_value());
    EXPECT_EQ(filter->toJson(), filterJson()) << "no \"predicate\" key without a predicate";

    const Predicate predicate = parse("summary CONTAINS[cd] \"crème\" AND key != nil");
    filter->setPredicate(predicate);
    const QJsonObject json = filter->toJson();
    EXPECT_EQ(QByteArray::fromBase64(json.value(QStringLiteral("predicate")).toString().toLatin1()),
              predicate.format().toUtf8());
    const auto reread = IssueFilter::fromJsonData(filter->toJsonData());
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->toJson(), json);
    ASSERT_TRUE(reread->predicate().has_value());
    EXPECT_EQ(reread->predicate()->format(), predicate.format());
    EXPECT_TRUE(reread->predicate()->evaluate(QVariant(QVariantMap{
        {QStringLiteral("summary"), QStringLiteral("CREME brulee")}, {QStringLiteral("key"), 1}})));
}

TEST(IssueFilterJsonTest, MapsUnknownConditionsToAllAndRejectsMissingOrMistypedKeys) {
    QJsonObject json = filterJson();
    json.insert(QStringLiteral("issueFilter"), 7);
    json.insert(QStringLiteral("sprintFilter"), -1);
    auto filter = IssueFilter::fromJson(json);
    ASSERT_TRUE(filter);
    EXPECT_EQ(filter->issueFilter(), 0);
    EXPECT_EQ(filter->sprintFilter(), 0);
    json.insert(QStringLiteral("issueFilter"), 2.0);
    EXPECT_EQ(IssueFilter::fromJson(json)->issueFilter(), 2);
    // Whole numbers of any size name no condition: they read as all, never as a failed filter.
    for (const double huge : {4294967296.0, -2147483649.0, 1e10, 1e12, -1e300, 1e300}) {
        json.insert(QStringLiteral("issueFilter"), huge);
        json.insert(QStringLiteral("sprintFilter"), huge);
        filter = IssueFilter::fromJson(json);
        ASSERT_TRUE(filter) << huge;
        EXPECT_EQ(filter->issueFilter(), 0) << huge;
        EXPECT_EQ(filter->sprintFilter(), 0) << huge;
    }
    ASSERT_TRUE(IssueFilter::fromJsonData(R"({"identifier":"I","accountID":"a","cloudID":"c",
        "projectIdentifier":"p","name":"n","showOnlyMyIssues":false,"issueFilter":4294967296,
        "sprintFilter":2})"));

    const std::pair<const char*, QJsonValue> broken[] = {{"name", QJsonValue(QJsonValue::Undefined)},
                                                         {"identifier", 5},
                                                         {"showOnlyMyIssues", 1},
                                                         {"issueFilter", 1.5},
                                                         {"sprintFilter", "1"},
                                                         {"cloudID", QJsonValue::Null},
                                                         {"sprintFilter", 2.5}};
    for (const auto& [key, value] : broken) {
        QJsonObject bad = filterJson();
        if (value.isUndefined())
            bad.remove(QString::fromLatin1(key));
        else
            bad.insert(QString::fromLatin1(key), value);
        QString error;
        EXPECT_FALSE(IssueFilter::fromJson(bad, &error)) << key;
        EXPECT_TRUE(error.contains(QString::fromLatin1(key))) << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(IssueFilter::fromJsonData("[1]", &error));
    EXPECT_FALSE(IssueFilter::fromJsonData("{", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(IssueFilterJsonTest, AnUnreadablePredicateIsKeptAndWrittenBackUnchanged) {
    const QJsonValue undecodable[] = {
        QStringLiteral("not base64!"), QString::fromLatin1(QByteArray("summary ==").toBase64()),
        QString::fromLatin1(QByteArray("a == $VALUE").toBase64()), 42, QJsonObject{{"archive", "keyed"}}};
    for (const QJsonValue& stored : undecodable) {
        QJsonObject json = filterJson();
        json.insert(QStringLiteral("predicate"), stored);
        Platform::SystemLog::Capture log;
        const auto filter = IssueFilter::fromJson(json);
        ASSERT_TRUE(filter);
        EXPECT_FALSE(filter->predicate().has_value());
        EXPECT_TRUE(filter->hasUnreadablePredicate());
        EXPECT_EQ(filter->humanReadablePredicateDescription(), QStringLiteral("No advanced filter set up."));
        EXPECT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.contains(QStringLiteral("could not read the advanced filter of ticket filter "
                                                "6F1C2A3B-0000-4000-8000-000000000001 \"Backend\"")))
            << log.lines().join(u'\n').toStdString();
        EXPECT_EQ(filter->toJson(), json) << "written back as it was read";
        EXPECT_EQ(IssueFilter::fromJsonData(filter->toJsonData())->toJson(), json);
    }
    QJsonObject json = filterJson();
    json.insert(QStringLiteral("predicate"), QJsonValue::Null);
    EXPECT_FALSE(IssueFilter::fromJson(json)->predicate().has_value());
    EXPECT_FALSE(IssueFilter::fromJson(json)->hasUnreadablePredicate());
}

TEST(IssueFilterJsonTest, SettingOrDeletingTheAdvancedFilterReplacesAnUnreadableOne) {
    QJsonObject json = filterJson();
    json.insert(QStringLiteral("predicate"), QStringLiteral("not base64!"));
    const auto deleted = IssueFilter::fromJson(json);
    QSignalSpy changed(deleted.get(), &IssueFilter::predicateChanged);
    deleted->setPredicate(std::nullopt);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(deleted->hasUnreadablePredicate());
    EXPECT_FALSE(deleted->toJson().contains(QStringLiteral("predicate")));

    const auto replaced = IssueFilter::fromJson(json);
    replaced->setPredicate(parse("key == 'ABC-1'"));
    EXPECT_FALSE(replaced->hasUnreadablePredicate());
    EXPECT_EQ(replaced->toJson().value(QStringLiteral("predicate")).toString(),
              QString::fromLatin1(QByteArray("key == \"ABC-1\"").toBase64()));
}

TEST(IssueFilterJsonTest, OnlyPredicatesThatReadBackAreStored) {
    const auto filter = IssueFilter::fromJson(filterJson());
    const Predicate kept = parse("summary == '\\uD800 alone \\x01'");
    filter->setPredicate(kept);
    const auto reread = IssueFilter::fromJsonData(filter->toJsonData());
    ASSERT_TRUE(reread && reread->predicate());
    EXPECT_EQ(reread->predicate()->rightExpression().constantValue().toString(),
              QString(QChar(0xD800)) + QStringLiteral(" alone \x01"));

    Predicate tooDeep = kept;
    while (tooDeep.isValid())
        tooDeep = Predicate::notPredicate(Predicate::orPredicate({kept, tooDeep}));
    Platform::SystemLog::Capture log;
    filter->setPredicate(tooDeep);
    EXPECT_EQ(filter->predicate(), kept);
    EXPECT_TRUE(log.contains(QStringLiteral("refusing an advanced filter")));
}

TEST(IssueFilterPropertiesTest, SignalsEachChangeOnceAndRefusesUnknownRawValues) {
    IssueFilter filter(QStringLiteral("id"), QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("p"),
                       QStringLiteral("Name"));
    QSignalSpy name(&filter, &IssueFilter::nameChanged);
    QSignalSpy mine(&filter, &IssueFilter::showOnlyMyIssuesChanged);
    QSignalSpy issue(&filter, &IssueFilter::issueFilterChanged);
    QSignalSpy sprint(&filter, &IssueFilter::sprintFilterChanged);
    QSignalSpy predicate(&filter, &IssueFilter::predicateChanged);
    QSignalSpy description(&filter, &IssueFilter::humanReadablePredicateDescriptionChanged);

    filter.setName(QStringLiteral("Other"));
    filter.setName(QStringLiteral("Other"));
    filter.setShowOnlyMyIssues(true);
    filter.setIssueFilter(2);
    filter.setSprintFilter(1);
    {
        Platform::SystemLog::Capture log;
        filter.setIssueFilter(4);
        filter.setSprintFilter(-1);
        EXPECT_EQ(log.lines().size(), 2);
    }
    EXPECT_EQ(filter.issueFilter(), 2);
    EXPECT_EQ(filter.sprintFilter(), 1);
    EXPECT_TRUE(filter.futureSprintsOnly());
    EXPECT_TRUE(filter.setProperty("sprintFilter", 2));
    EXPECT_EQ(filter.sprintFilterType(), IssueFilter::SprintFilterType::open);

    EXPECT_EQ(filter.humanReadablePredicateDescription(), QStringLiteral("No advanced filter set up."));
    filter.setPredicate(parse("a == 1 AND b == 2 AND (c == 3 OR d == 4)"));
    EXPECT_EQ(filter.humanReadablePredicateDescription(), QStringLiteral("3 filter(s) set up."));
    filter.setPredicate(parse("a == 1 AND b == 2 AND (c == 3 OR d == 4)"));
    filter.setPredicate(parse("summary == 'x'"));
    EXPECT_EQ(filter.humanReadablePredicateDescription(), QStringLiteral("1 filter set up."));
    filter.setPredicate(std::nullopt);

    EXPECT_EQ(name.count(), 1);
    EXPECT_EQ(mine.count(), 1);
    EXPECT_EQ(issue.count(), 1);
    EXPECT_EQ(sprint.count(), 2);
    EXPECT_EQ(predicate.count(), 3);
    EXPECT_EQ(description.count(), 3);
}

TEST(IssueFilterPropertiesTest, ANewFilterForAProjectTakesItsIdentityAndName) {
    const QJsonObject json{{QStringLiteral("id"), QStringLiteral("10002")},
                           {QStringLiteral("key"), QStringLiteral("GHI")}};
    const JiraProject nameless =
        JiraProject::create(QStringLiteral("acc"), QStringLiteral("cloud"), std::nullopt, json).value();
    const auto first = IssueFilter::forProject(nameless);
    const auto second = IssueFilter::forProject(nameless);
    EXPECT_EQ(first->name(), QStringLiteral("New Project"));
    EXPECT_EQ(first->accountID(), QStringLiteral("acc"));
    EXPECT_EQ(first->cloudID(), QStringLiteral("cloud"));
    EXPECT_EQ(first->projectIdentifier(), QStringLiteral("10002"));
    EXPECT_NE(first->identifier(), second->identifier());
    EXPECT_EQ(first->identifier(), first->identifier().toUpper());
    EXPECT_FALSE(QUuid::fromString(first->identifier()).isNull());
    EXPECT_EQ(first->issueFilterType(), IssueFilter::IssueFilterType::all);
    EXPECT_EQ(first->sprintFilterType(), IssueFilter::SprintFilterType::all);
    EXPECT_FALSE(first->showOnlyMyIssues());
    EXPECT_FALSE(first->predicate().has_value());

    QJsonObject named = json;
    named.insert(QStringLiteral("name"), QStringLiteral("Gamma"));
    EXPECT_EQ(
        IssueFilter::forProject(
            JiraProject::create(QStringLiteral("acc"), QStringLiteral("cloud"), std::nullopt, named).value())
            ->name(),
        QStringLiteral("Gamma"));
}
