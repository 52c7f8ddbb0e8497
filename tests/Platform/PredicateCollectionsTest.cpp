#include "Platform/Predicate.h"

#include "PredicateTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using Platform::Expression;
using Platform::Predicate;
using PredicateTestSupport::parse;
using PredicateTestSupport::parseError;

namespace {

QVariant jsonValue(const char* text) {
    return QVariant::fromValue(QJsonDocument::fromJson(QByteArray(text)).object());
}

// A family as in the documentation's examples, with JSON arrays of objects as Jira sends them.
const QVariant& family() {
    static const QVariant value = jsonValue(R"({
        "name": "Ann",
        "children": [{"name": "Ben", "age": 7, "toys": ["ball"]},
                     {"name": "Cléo", "age": 12.5, "toys": []},
                     {"name": "Dan", "age": 17}],
        "noChildren": [],
        "scores": [3, 1.5, 2, true],
        "words": ["alpha", "Beta", "gamma"],
        "tags": {"a": "x", "b": "y"}})");
    return value;
}

bool matches(const char* text, const QVariant& object = family()) {
    return parse(QString::fromUtf8(text)).evaluate(object);
}

} // namespace

TEST(PredicateCollectionsTest, AKeyOfAnArrayReadsEveryElement) {
    EXPECT_EQ(Predicate::valueForKeyPath(family(), u"children.name"),
              QVariant(QVariantList{QStringLiteral("Ben"), QStringLiteral("Cléo"), QStringLiteral("Dan")}));
    EXPECT_TRUE(matches("children.name CONTAINS 'Dan'"));
    EXPECT_TRUE(matches("children.name CONTAINS[cd] 'cleo'"));
    EXPECT_FALSE(matches("children.name CONTAINS 'cleo'"));
    EXPECT_FALSE(matches("noChildren.name CONTAINS 'Dan'"));
    // Elements without the key give no value, and are still counted.
    EXPECT_EQ(Predicate::valueForKeyPath(family(), u"children.toys.@count"), QVariant(qint64(3)));
    EXPECT_TRUE(matches("children.toys CONTAINS {'ball'} AND children.toys CONTAINS nil"));
    EXPECT_TRUE(matches("missing.name == nil AND name.length == nil"));
}

TEST(PredicateCollectionsTest, AggregateQualifiersGoThroughTheElements) {
    EXPECT_TRUE(matches("ANY children.age < 10"));
    EXPECT_TRUE(matches("SOME children.age > 15"));
    EXPECT_FALSE(matches("ANY children.age > 20"));
    EXPECT_TRUE(matches("ALL children.age < 18"));
    EXPECT_FALSE(matches("ALL children.age < 12"));
    EXPECT_TRUE(matches("NONE children.age > 20"));
    EXPECT_FALSE(matches("NONE children.age < 10"));
    EXPECT_TRUE(matches("ANY words BEGINSWITH[c] 'b' AND ALL words LIKE '*a*'"));
    EXPECT_TRUE(matches("ANY children.name IN {'Dan', 'Eve'}"));
    // Empty and missing collections: nothing is found, so ALL and NONE hold.
    for (const char* path : {"noChildren.age", "missing.age"}) {
        const QString p = QString::fromLatin1(path);
        EXPECT_FALSE(parse(QStringLiteral("ANY %1 < 10").arg(p)).evaluate(family())) << path;
        EXPECT_TRUE(parse(QStringLiteral("ALL %1 < 10").arg(p)).evaluate(family())) << path;
        EXPECT_TRUE(parse(QStringLiteral("NONE %1 < 10").arg(p)).evaluate(family())) << path;
    }
    // A single value is a collection of one.
    EXPECT_TRUE(matches("ANY name == 'Ann' AND ALL name == 'Ann'"));

    const Predicate none = parse(QStringLiteral("none children.age > 20"));
    EXPECT_EQ(none.format(), QStringLiteral("NOT ANY children.age > 20"));
    ASSERT_EQ(none.compoundType(), Predicate::CompoundType::Not);
    EXPECT_EQ(none.subpredicates()[0].comparisonModifier(), Predicate::Modifier::Any);
    EXPECT_EQ(parse(QStringLiteral("some a == 1 and all b == 2")).format(),
              QStringLiteral("ANY a == 1 AND ALL b == 2"));
}

TEST(PredicateCollectionsTest, CollectionOperatorsAndSubscripts) {
    const QVariant& f = family();
    EXPECT_EQ(Predicate::valueForKeyPath(f, u"children.@count"), QVariant(qint64(3)));
    EXPECT_EQ(Predicate::valueForKeyPath(f, u"tags.@count"), QVariant(qint64(2)));
    EXPECT_EQ(Predicate::valueForKeyPath(f, u"noChildren.@count"), QVariant(qint64(0)));
    EXPECT_EQ(Predicate::valueForKeyPath(f, u"children.@sum.age").toDouble(), 36.5);
    EXPECT_EQ(Predicate::valueForKeyPath(f, u"scores.@sum"), QVariant(7.5));
    EXPECT_EQ(Predicate::valueForKeyPath(f, u"noChildren.@sum.age"), QVariant(qint64(0)));
    EXPECT_DOUBLE_EQ(Predicate::valueForKeyPath(f, u"children.@avg.age").toDouble(), 36.5 / 3);
    EXPECT_FALSE(Predicate::valueForKeyPath(f, u"noChildren.@avg.age").isValid());
    EXPECT_EQ(Predicate::valueForKeyPath(f, u"children.@max.age"), QVariant(17));
    EXPECT_EQ(Predicate::valueForKeyPath(f, u"words.@min"), QVariant(QStringLiteral("Beta")));
    EXPECT_FALSE(Predicate::valueForKeyPath(f, u"missing.@count").isValid());

    EXPECT_TRUE(matches("children.@count == 3 AND noChildren.@count == 0 AND children.@sum.age > 36"));
    EXPECT_TRUE(matches("children.@avg.age BETWEEN {12, 12.2} AND children.@min.age == 7"));
    EXPECT_TRUE(matches("children[FIRST].name == 'Ben' AND children[LAST].name == 'Dan'"));
    EXPECT_TRUE(matches("children[1].name == 'Cléo' AND children[SIZE] == 3 AND words[size] == 3"));
    EXPECT_TRUE(matches("children[3].name == nil AND noChildren[FIRST] == nil AND name[LAST] == nil"));
    EXPECT_TRUE(matches("children[0].toys[FIRST] == 'ball'"));
    EXPECT_EQ(parse(QStringLiteral("children[first].name == 'Ben' AND words[ 2 ] == 'gamma'")).format(),
              QStringLiteral("children[FIRST].name == \"Ben\" AND words[2] == \"gamma\""));

    // SELF is the evaluated object.
    EXPECT_TRUE(parse(QStringLiteral("SELF BEGINSWITH 'ab' AND SELF.length == nil"))
                    .evaluate(QVariant(QStringLiteral("abc"))));
    EXPECT_TRUE(parse(QStringLiteral("SELF IN {1, 2}")).evaluate(QVariant(2)));
    EXPECT_TRUE(parse(QStringLiteral("SELF.name == 'Ann' AND @count == 6")).evaluate(f));
    EXPECT_EQ(parse(QStringLiteral("SELF.name == 'Ann'")).format(), QStringLiteral("name == \"Ann\""));

    EXPECT_TRUE(parseError(QStringLiteral("children.@distinctUnionOfObjects.name == 1"))
                    .contains(QStringLiteral("@distinctUnionOfObjects")));
    EXPECT_TRUE(parseError(QStringLiteral("children[-1] == 1")).contains(QStringLiteral("subscript")));
    EXPECT_TRUE(parseError(QStringLiteral("tags['a'] == 'x'")).contains(QStringLiteral("dictionary")));
    EXPECT_FALSE(Expression::keyPath(QStringLiteral("a b")).isValid());
    EXPECT_FALSE(Predicate::comparison(Expression::keyPath(QStringLiteral("a..b")),
                                       Predicate::Operator::EqualTo, Expression::constant(1))
                     .isValid());
}

TEST(PredicateOperatorsTest, LikeMatchesWildcardsOverTheWholeText) {
    const QVariantMap object{{QStringLiteral("s"), QStringLiteral("Crème brûlée")},
                             {QStringLiteral("star"), QStringLiteral("a*b?")},
                             {QStringLiteral("empty"), QString()}};
    const QVariant o(object);
    EXPECT_TRUE(matches("s LIKE 'Cr*'", o));
    EXPECT_TRUE(matches("s LIKE '*br?l?e'", o));
    EXPECT_FALSE(matches("s LIKE 'brûlée'", o)) << "LIKE matches the whole text";
    EXPECT_FALSE(matches("s LIKE 'cr*'", o));
    EXPECT_TRUE(matches("s LIKE[c] 'cr*'", o));
    EXPECT_FALSE(matches("s LIKE[c] '*brulee'", o));
    EXPECT_TRUE(matches("s LIKE[cd] '*BRULEE'", o));
    EXPECT_TRUE(matches("s LIKE '*'", o) && matches("empty LIKE '*'", o) && matches("empty LIKE ''", o));
    EXPECT_FALSE(matches("empty LIKE '?'", o));
    EXPECT_TRUE(matches("star LIKE 'a\\\\*b\\\\?'", o)) << "escaped wildcards stand for themselves";
    EXPECT_FALSE(matches("s LIKE 'a\\\\*b\\\\?'", o));
    EXPECT_TRUE(matches("s LIKE '**C*r*è*e**'", o));
    EXPECT_FALSE(matches("missing LIKE '*'", o));
    // The documentation's own examples, constants on both sides.
    EXPECT_TRUE(matches("\"NeXT\" like[c] \"next\" AND \"naïve\" like[d] \"naive\"", o));
    EXPECT_FALSE(matches("\"NeXT\" like \"next\" OR \"naïve\" like \"naive\"", o));
    EXPECT_TRUE(matches("nil == missing AND NOT nil == s AND NOT 'x' LIKE missing", o));
}

TEST(PredicateOperatorsTest, MatchesUsesAWholeStringRegularExpression) {
    const QVariant o(QVariantMap{{QStringLiteral("key"), QStringLiteral("ABC-123")},
                                 {QStringLiteral("name"), QStringLiteral("Élodie")},
                                 {QStringLiteral("pattern"), QStringLiteral("[A-Z]+-\\d+")},
                                 {QStringLiteral("broken"), QStringLiteral("(")}});
    EXPECT_TRUE(matches("key MATCHES '[A-Z]+-\\\\d+'", o));
    EXPECT_FALSE(matches("key MATCHES '\\\\d+'", o)) << "the whole string must match";
    EXPECT_FALSE(matches("key MATCHES '[a-z]+-\\\\d+'", o));
    EXPECT_TRUE(matches("key MATCHES[c] '[a-z]+-\\\\d+'", o));
    EXPECT_TRUE(matches("name MATCHES '\\\\w+'", o)) << "word characters beyond ASCII";
    EXPECT_FALSE(matches("name MATCHES 'elodie'", o));
    EXPECT_TRUE(matches("name MATCHES[cd] 'elodie'", o));
    EXPECT_TRUE(matches("key MATCHES pattern", o));
    EXPECT_FALSE(matches("key MATCHES broken", o)) << "a pattern read at evaluation that cannot compile";
    EXPECT_FALSE(matches("missing MATCHES '.*'", o));

    const QString error = parseError(QStringLiteral("key MATCHES '[unclosed'"));
    EXPECT_TRUE(error.contains(QStringLiteral("regular expression"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("offset 0"))) << error.toStdString();
    const Predicate built =
        Predicate::comparison(Expression::keyPath(QStringLiteral("key")), Predicate::Operator::Matches,
                              Expression::constant(QStringLiteral("(")));
    EXPECT_FALSE(built.isValid());
    EXPECT_TRUE(built.format().isNull());
    EXPECT_FALSE(built.evaluate(o));
}

TEST(PredicateOperatorsTest, InAndContainsLookInCollectionsAndTexts) {
    const QVariantMap object{
        {QStringLiteral("name"), QStringLiteral("Nick")},
        {QStringLiteral("count"), 2},
        {QStringLiteral("labels"), QStringList{QStringLiteral("ui"), QStringLiteral("Tray")}},
        {QStringLiteral("team"), QVariantMap{{QStringLiteral("lead"), QStringLiteral("Nick")}}},
        {QStringLiteral("empty"), QVariantList()}};
    const QVariant o(object);
    EXPECT_TRUE(matches("name IN { 'Ben', 'Melissa', 'Nick' }", o));
    EXPECT_FALSE(matches("name IN { 'Ben', 'Melissa', 'nick' }", o));
    EXPECT_TRUE(matches("name IN[c] { 'ben', 'nick' }", o));
    EXPECT_TRUE(matches("count IN {1.0, 2.0} AND 2 IN {count}", o));
    EXPECT_TRUE(matches("'tray' IN[c] labels AND NOT 'tray' IN labels", o));
    EXPECT_TRUE(matches("'ic' IN name AND 'NI' IN[c] name AND NOT '' IN name", o));
    EXPECT_TRUE(matches("name IN team", o)) << "a dictionary's values";
    EXPECT_FALSE(matches("name IN empty OR name IN {} OR name IN missing OR missing IN labels", o));
    EXPECT_TRUE(matches("missing IN {1, nil}", o));
    EXPECT_TRUE(
        matches("labels CONTAINS 'ui' AND {1, 2, 3} CONTAINS count AND NOT labels CONTAINS 'tray'", o));
    EXPECT_TRUE(matches("labels CONTAINS[c] 'tray' AND name CONTAINS[c] 'IC'", o));
    EXPECT_EQ(parse(QStringLiteral("name in{'a','b'}")).format(), QStringLiteral("name IN {\"a\", \"b\"}"));
}

TEST(PredicateOperatorsTest, BetweenTakesTwoBoundsInclusively) {
    const QDateTime created(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    const double seconds = Platform::predicateReferenceDate().msecsTo(created) / 1000.0;
    const QVariant o(QVariantMap{{QStringLiteral("n"), 5},
                                 {QStringLiteral("x"), 2.5},
                                 {QStringLiteral("s"), QStringLiteral("m")},
                                 {QStringLiteral("created"), created},
                                 {QStringLiteral("bounds"), QVariantList{1, 5}}});
    EXPECT_TRUE(matches("n BETWEEN {1, 5} AND n BETWEEN {5, 5} AND x BETWEEN {2, 3}", o));
    EXPECT_FALSE(matches("n BETWEEN {6, 9} OR n BETWEEN {5.5, 3}", o));
    EXPECT_TRUE(matches("s BETWEEN {'a', 'z'} AND NOT s BETWEEN {'A', 'Z'} AND s BETWEEN[c] {'A', 'Z'}", o));
    EXPECT_TRUE(matches("n BETWEEN bounds", o));
    EXPECT_FALSE(matches("missing BETWEEN {1, 5} OR s BETWEEN {1, 5} OR n BETWEEN missing", o));
    EXPECT_TRUE(parse(QStringLiteral("created BETWEEN {CAST(%1, 'NSDate'), CAST(%2, 'NSDate')}")
                          .arg(seconds - 1, 0, 'f', 3)
                          .arg(seconds, 0, 'f', 3))
                    .evaluate(o));
    EXPECT_EQ(parse(QStringLiteral("1 BETWEEN { 0 , 33 }")).format(), QStringLiteral("1 BETWEEN {0, 33}"));
    EXPECT_TRUE(parseError(QStringLiteral("n BETWEEN {1, 2, 3}")).contains(QStringLiteral("two values")));
    EXPECT_TRUE(parseError(QStringLiteral("n BETWEEN 4")).contains(QStringLiteral("two values")));
}
