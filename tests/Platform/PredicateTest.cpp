#include "Platform/Predicate.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using Platform::Expression;
using Platform::Predicate;

namespace {

Predicate parse(const QString& text) {
    QString error;
    const std::optional<Predicate> predicate = Predicate::fromFormat(text, &error);
    EXPECT_TRUE(predicate.has_value()) << text.toStdString() << ": " << error.toStdString();
    return predicate.value_or(Predicate::falsePredicate());
}

QString parseError(const QString& text) {
    QString error;
    EXPECT_FALSE(Predicate::fromFormat(text, &error).has_value()) << text.toStdString();
    return error;
}

bool matches(const QString& text, const QVariantMap& object) {
    return parse(text).evaluate(QVariant(object));
}

} // namespace

TEST(PredicateFormatTest, PrintsCanonicallyAndReadsItsOwnOutputBack) {
    const std::pair<const char*, const char*> cases[] = {
        {"summary == 'My Issue'", "summary == \"My Issue\""},
        {"summary =[cd] \"x\"", "summary ==[cd] \"x\""},
        {"a<>1 && b=<2 || c=>3", "(a != 1 AND b <= 2) OR c >= 3"},
        {"a == 1 AND b == 2 AND c == 3", "a == 1 AND b == 2 AND c == 3"},
        {"(a == 1 AND b == 2) AND c == 3", "(a == 1 AND b == 2) AND c == 3"},
        {"a == 1 OR b == 2 AND c == 3", "a == 1 OR (b == 2 AND c == 3)"},
        {"not (a == 1 or b == 2)", "NOT (a == 1 OR b == 2)"},
        {"!a == 1", "NOT a == 1"},
        {"((a == 1))", "a == 1"},
        {"key contains[c] 'ABC' and fields.status.name beginswith 'In'",
         "key CONTAINS[c] \"ABC\" AND fields.status.name BEGINSWITH \"In\""},
        {"x ENDSWITH[dc] 'e'", "x ENDSWITH[cd] \"e\""},
        {"n == -12 AND d < 2.5 AND e >= 3.0 AND f == 1e3",
         "n == -12 AND d < 2.5 AND e >= 3.0 AND f == 1000.0"},
        {"b == yes AND c != NO AND d == NULL", "b == TRUE AND c != FALSE AND d == nil"},
        {"created < CAST(726000000.25, \"NSDate\")", "created < CAST(726000000.25, \"NSDate\")"},
        {"created == cast(0, 'NSDate')", "created == CAST(0.0, \"NSDate\")"},
        {"#and.#key == 'x'", "#and.key == \"x\""},
        {"s == 'say \\\"hi\\\"\\n\\\\ \\u00e9'", "s == \"say \\\"hi\\\"\\n\\\\ \u00e9\""},
        {"  TRUEPREDICATE  ", "TRUEPREDICATE"},
        {"falsepredicate OR a == b", "FALSEPREDICATE OR a == b"},
    };
    for (const auto& [input, canonical] : cases) {
        const Predicate predicate = parse(QString::fromUtf8(input));
        EXPECT_EQ(predicate.format().toStdString(), canonical) << input;
        EXPECT_EQ(parse(predicate.format()).format(), predicate.format()) << input;
    }
}

TEST(PredicateFormatTest, KeepsTheTreeOfCompoundsForTheEditor) {
    const Predicate nested = parse(QStringLiteral("(a == 1 AND b == 2) AND c == 3 AND NOT d == 4"));
    ASSERT_TRUE(nested.isCompound());
    EXPECT_EQ(nested.compoundType(), Predicate::CompoundType::And);
    ASSERT_EQ(nested.subpredicates().size(), 3);
    EXPECT_EQ(nested.subpredicates()[0].subpredicates().size(), 2);
    EXPECT_EQ(nested.subpredicates()[2].compoundType(), Predicate::CompoundType::Not);

    const Predicate comparison = parse(QStringLiteral("summary ==[cd] 'x'"));
    EXPECT_EQ(comparison.kind(), Predicate::Kind::Comparison);
    EXPECT_EQ(comparison.leftExpression().keyPath(), QStringLiteral("summary"));
    EXPECT_EQ(comparison.operatorType(), Predicate::Operator::EqualTo);
    EXPECT_EQ(int(comparison.options()), 3);
    EXPECT_EQ(comparison.rightExpression().constantValue(), QVariant(QStringLiteral("x")));

    // Built trees print as the editor's rows read: empty and single-element compounds collapse.
    const Predicate example = Predicate::andPredicate({comparison});
    EXPECT_EQ(example.format(), QStringLiteral("summary ==[cd] \"x\""));
    EXPECT_EQ(Predicate::andPredicate({}).format(), QStringLiteral("TRUEPREDICATE"));
    EXPECT_EQ(Predicate::orPredicate({}).format(), QStringLiteral("FALSEPREDICATE"));
    const Predicate orOfOne = Predicate::orPredicate({Predicate::andPredicate({comparison, comparison})});
    EXPECT_EQ(Predicate::andPredicate({orOfOne, comparison}).format(),
              QStringLiteral("(summary ==[cd] \"x\" AND summary ==[cd] \"x\") AND summary ==[cd] \"x\""));
    EXPECT_EQ(Predicate::compound(Predicate::CompoundType::Not, {comparison, comparison}).format(),
              QStringLiteral("NOT (summary ==[cd] \"x\" AND summary ==[cd] \"x\")"));
    EXPECT_EQ(Predicate::comparison(Expression::keyPath(QStringLiteral("in")), Predicate::Operator::EqualTo,
                                    Expression::constant(qQNaN()))
                  .format(),
              QStringLiteral("#in == nil"));
}

TEST(PredicateFormatTest, RejectsBadInputWithAClearMessage) {
    EXPECT_TRUE(parseError(QString()).contains(QStringLiteral("empty")));
    EXPECT_TRUE(parseError(QStringLiteral("summary == 'open")).contains(QStringLiteral("not closed")));
    EXPECT_TRUE(parseError(QStringLiteral("summary LIKE 'x'")).contains(QStringLiteral("operator")));
    EXPECT_TRUE(parseError(QStringLiteral("summary ==")).contains(QStringLiteral("at the end")));
    EXPECT_TRUE(parseError(QStringLiteral("and == 1")).contains(QStringLiteral("#and")));
    EXPECT_TRUE(parseError(QStringLiteral("a ==[x] 1")).contains(QStringLiteral("option")));
    EXPECT_TRUE(parseError(QStringLiteral("a == 1 b")).contains(QStringLiteral("offset 7")));
    EXPECT_TRUE(parseError(QStringLiteral("(a == 1")).contains(QStringLiteral("\")\"")));
    EXPECT_TRUE(parseError(QStringLiteral("a == CAST(1, 'NSString')")).contains(QStringLiteral("NSDate")));
    EXPECT_TRUE(parseError(QStringLiteral("a == CAST(1e300, 'NSDate')")).contains(QStringLiteral("range")));
    EXPECT_TRUE(parseError(QStringLiteral("a == '\\u12'")).contains(QStringLiteral("hexadecimal")));
    EXPECT_TRUE(parseError(QStringLiteral("a == 1.2.3")).contains(QStringLiteral("not a number")));

    const QString tooLong = QStringLiteral("a == '%1'").arg(QString(Predicate::MaximumFormatLength, u'x'));
    EXPECT_TRUE(parseError(tooLong).contains(QStringLiteral("longer than")));
}

TEST(PredicateFormatTest, RejectsDeepNestingButAcceptsItUpToTheLimit) {
    const int limit = Predicate::MaximumNestingDepth;
    const auto nested = [](int depth) {
        return QString(depth, u'(') + QStringLiteral("a == 1") + QString(depth, u')');
    };
    EXPECT_TRUE(Predicate::fromFormat(nested(limit)).has_value());
    EXPECT_TRUE(parseError(nested(limit + 1)).contains(QStringLiteral("nested deeper")));
    // Far beyond the limit the parser stops at the limit rather than recursing on.
    EXPECT_TRUE(parseError(nested(40000)).contains(QStringLiteral("nested deeper")));
    EXPECT_TRUE(parseError(QStringLiteral("NOT ").repeated(limit + 1) + QStringLiteral("a == 1"))
                    .contains(QStringLiteral("nested deeper")));
    // Long flat chains are not nesting.
    QStringList chain;
    for (int i = 0; i < 2000; ++i)
        chain.append(QStringLiteral("a == %1").arg(i));
    const Predicate flat = parse(chain.join(QStringLiteral(" OR ")));
    EXPECT_EQ(flat.subpredicates().size(), 2000);
    EXPECT_TRUE(flat.evaluate(QVariant(QVariantMap{{QStringLiteral("a"), 1999}})));
}

TEST(PredicateEvaluationTest, FollowsTheNilRules) {
    const QVariantMap object{{QStringLiteral("summary"), QStringLiteral("Fix it")},
                             {QStringLiteral("null_value"), QVariant::fromValue(nullptr)}};
    EXPECT_TRUE(matches(QStringLiteral("missing == nil"), object));
    EXPECT_TRUE(matches(QStringLiteral("null_value == nil"), object));
    EXPECT_FALSE(matches(QStringLiteral("missing != nil"), object));
    EXPECT_TRUE(matches(QStringLiteral("summary != nil"), object));
    EXPECT_FALSE(matches(QStringLiteral("summary == nil"), object));
    EXPECT_TRUE(matches(QStringLiteral("missing != 'Fix it'"), object));
    EXPECT_FALSE(matches(QStringLiteral("missing == 'Fix it'"), object));
    EXPECT_FALSE(matches(QStringLiteral("missing < 5"), object));
    EXPECT_FALSE(matches(QStringLiteral("missing >= 5"), object));
    EXPECT_FALSE(matches(QStringLiteral("missing CONTAINS 'x'"), object));
    EXPECT_FALSE(matches(QStringLiteral("summary.deeper == 'x'"), object));
    EXPECT_TRUE(matches(QStringLiteral("summary.deeper == nil"), object));
}

TEST(PredicateEvaluationTest, ComparesNumbersDatesAndMismatchedTypes) {
    const QDateTime created(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    const QVariantMap object{
        {QStringLiteral("count"), 3},         {QStringLiteral("ratio"), 2.5},
        {QStringLiteral("flag"), true},       {QStringLiteral("big"), qint64(1) << 40},
        {QStringLiteral("created"), created}, {QStringLiteral("text"), QStringLiteral("3")}};
    EXPECT_TRUE(matches(QStringLiteral("count == 3.0 AND count < 3.5 AND count >= 3"), object));
    EXPECT_TRUE(matches(QStringLiteral("ratio > 2 AND ratio <= 2.5 AND ratio != 2"), object));
    EXPECT_TRUE(matches(QStringLiteral("flag == TRUE AND flag == 1 AND flag != FALSE"), object));
    EXPECT_TRUE(matches(QStringLiteral("big == 1099511627776 AND big > 1099511627775"), object));
    EXPECT_FALSE(matches(QStringLiteral("text == 3"), object));
    EXPECT_FALSE(matches(QStringLiteral("text < 4"), object));
    EXPECT_FALSE(matches(QStringLiteral("count CONTAINS '3'"), object));

    const double seconds = Platform::predicateReferenceDate().secsTo(created);
    const QString castAt = QStringLiteral("CAST(%1, 'NSDate')").arg(seconds, 0, 'f', 3);
    EXPECT_TRUE(matches(QStringLiteral("created == ") + castAt, object));
    EXPECT_TRUE(
        matches(QStringLiteral("created < CAST(%1, 'NSDate')").arg(seconds + 0.5, 0, 'f', 3), object));
    EXPECT_FALSE(matches(QStringLiteral("created > ") + castAt, object));
    EXPECT_FALSE(matches(QStringLiteral("created == %1").arg(seconds, 0, 'f', 0), object));

    // A date constant keeps its instant through the text form.
    const Predicate built =
        Predicate::comparison(Expression::keyPath(QStringLiteral("created")), Predicate::Operator::EqualTo,
                              Expression::constant(created.addMSecs(250)));
    EXPECT_EQ(parse(built.format()).rightExpression().constantValue().toDateTime(), created.addMSecs(250));
    EXPECT_FALSE(built.evaluate(QVariant(object)));
    EXPECT_TRUE(parse(built.format())
                    .evaluate(QVariant(QVariantMap{{QStringLiteral("created"), created.addMSecs(250)}})));
}

TEST(PredicateEvaluationTest, AppliesCaseAndDiacriticOptions) {
    const QString decomposed = QStringLiteral("Cafe\u0301 Cre\u0300me");
    const QVariantMap object{{QStringLiteral("precomposed"), QStringLiteral("Café Crème")},
                             {QStringLiteral("decomposed"), decomposed},
                             {QStringLiteral("plain"), QStringLiteral("cafe creme")}};
    EXPECT_FALSE(matches(QStringLiteral("precomposed == 'cafe creme'"), object));
    EXPECT_FALSE(matches(QStringLiteral("precomposed ==[c] 'cafe creme'"), object));
    EXPECT_FALSE(matches(QStringLiteral("precomposed ==[d] 'cafe creme'"), object));
    EXPECT_TRUE(matches(QStringLiteral("precomposed ==[d] 'Cafe Creme'"), object));
    EXPECT_TRUE(matches(QStringLiteral("precomposed ==[cd] 'CAFE CREME'"), object));
    EXPECT_TRUE(matches(QStringLiteral("decomposed ==[cd] 'café crème'"), object));
    EXPECT_TRUE(matches(QStringLiteral("plain ==[cd] 'CAFÉ CRÈME'"), object));
    EXPECT_TRUE(matches(QStringLiteral("precomposed ==[c] 'CAFÉ CRÈME'"), object));
    EXPECT_TRUE(matches(QStringLiteral("precomposed CONTAINS[cd] 'E CRE'"), object));
    EXPECT_FALSE(matches(QStringLiteral("precomposed CONTAINS[c] 'E CRE'"), object));
    EXPECT_TRUE(matches(QStringLiteral("decomposed BEGINSWITH[cd] 'CAFE'"), object));
    EXPECT_TRUE(matches(QStringLiteral("decomposed ENDSWITH[d] 'eme'"), object));
    EXPECT_FALSE(matches(QStringLiteral("decomposed ENDSWITH 'eme'"), object));
    EXPECT_TRUE(matches(QStringLiteral("plain < 'cafè' AND plain <[d] 'cafez'"), object));
    // Stacked marks, other scripts, text outside the basic plane and marks standing alone.
    const QVariantMap more{{QStringLiteral("vi"), QStringLiteral("Tiếng Việt ǖ")},
                           {QStringLiteral("el"), QStringLiteral("Ἀθῆναι")},
                           {QStringLiteral("math"), QStringLiteral("\U0001D49C é")},
                           {QStringLiteral("marks"), QStringLiteral("a\u0301\u0308b")}};
    EXPECT_TRUE(matches(QStringLiteral("vi ==[cd] 'TIENG VIET U'"), more));
    EXPECT_TRUE(matches(QStringLiteral("el ==[cd] 'αθηναι'"), more));
    EXPECT_TRUE(
        matches(QStringLiteral("math ENDSWITH[cd] ' E' AND math BEGINSWITH[d] '\\uD835\\uDC9C'"), more));
    EXPECT_TRUE(matches(QStringLiteral("marks ==[d] 'ab' AND marks !=[c] 'ab'"), more));
    // An empty pattern is never found.
    EXPECT_FALSE(matches(QStringLiteral("plain CONTAINS ''"), object));
    EXPECT_FALSE(matches(QStringLiteral("plain BEGINSWITH[cd] ''"), object));
    EXPECT_TRUE(matches(QStringLiteral("plain != ''"), object));
}

TEST(PredicateEvaluationTest, ReadsKeyPathsThroughDictionariesJsonAndAccessors) {
    const QJsonObject fields = QJsonDocument::fromJson(R"({"status": {"name": "In Progress",
        "statusCategory": {"key": "indeterminate"}}, "labels": ["ui", "Backend"], "assignee": null})")
                                   .object();
    const QVariantMap issue{{QStringLiteral("key"), QStringLiteral("ABC-1")},
                            {QStringLiteral("fields"), QVariant::fromValue(fields)}};
    EXPECT_TRUE(matches(QStringLiteral("fields.status.statusCategory.key == 'indeterminate'"), issue));
    EXPECT_TRUE(matches(QStringLiteral("fields.status.name BEGINSWITH 'In' AND key == 'ABC-1'"), issue));
    EXPECT_TRUE(matches(QStringLiteral("fields.assignee == nil AND fields.nothing == nil"), issue));
    EXPECT_TRUE(matches(QStringLiteral("fields.labels CONTAINS[c] 'backend'"), issue));
    EXPECT_FALSE(matches(QStringLiteral("fields.labels CONTAINS 'backend'"), issue));

    QStringList asked;
    const Predicate predicate = parse(QStringLiteral("a == 1 OR b == 2 AND NOT c == 3"));
    const bool result = predicate.evaluate([&asked](const QString& keyPath) {
        asked.append(keyPath);
        return keyPath == QLatin1String("a") ? QVariant(1) : QVariant();
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(asked, QStringList{QStringLiteral("a")}) << "OR stops at the first true subpredicate";
    EXPECT_TRUE(parse(QStringLiteral("NOT (a == 1 AND b == 2)")).evaluate(QVariant(QVariantMap{{"a", 1}})));
    EXPECT_FALSE(parse(QStringLiteral("FALSEPREDICATE OR NOT TRUEPREDICATE")).evaluate(QVariant()));
}
