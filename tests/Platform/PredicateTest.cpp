#include "Platform/Predicate.h"

#include "PredicateTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <limits>

using Platform::Expression;
using Platform::Predicate;
using PredicateTestSupport::parse;
using PredicateTestSupport::parseError;

namespace {

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
        {"n == -12 AND d < 2.5 AND e >= 3.0 AND f == 1e3", "n == -12 AND d < 2.5 AND e >= 3 AND f == 1000"},
        {"b == yes AND c != NO AND d == NULL", "b == 1 AND c != 0 AND d == nil"},
        {"created < CAST(726000000.25, \"NSDate\")", "created < CAST(726000000.250000, \"NSDate\")"},
        {"created == cast(0, 'NSDate')", "created == CAST(0.000000, \"NSDate\")"},
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
    EXPECT_TRUE(parseError(QStringLiteral("summary SIMILAR 'x'")).contains(QStringLiteral("operator")));
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

TEST(PredicateLiteralTest, ReadsNumbersInEveryBaseAndAtTheLimits) {
    const std::pair<const char*, QVariant> numbers[] = {
        {"0x1F", qlonglong(31)},
        {"0X1f", qlonglong(31)},
        {"0o17", qlonglong(15)},
        {"0b101", qlonglong(5)},
        {"-0x10", qlonglong(-16)},
        {"0xFFFFFFFFFFFFFFFF", qulonglong(18446744073709551615ULL)},
        {"-0x8000000000000000", qlonglong(std::numeric_limits<qint64>::min())},
        {"9223372036854775807", qlonglong(std::numeric_limits<qint64>::max())},
        {"-9223372036854775808", qlonglong(std::numeric_limits<qint64>::min())},
        {"18446744073709551615", qulonglong(18446744073709551615ULL)},
        {"18446744073709551616", 18446744073709551616.0},
        {"2.5e-3", 0.0025},
    };
    for (const auto& [text, value] : numbers) {
        const Predicate p = parse(QStringLiteral("a == %1").arg(QLatin1String(text)));
        EXPECT_EQ(p.rightExpression().constantValue().typeId(), value.typeId()) << text;
        EXPECT_EQ(p.rightExpression().constantValue(), value) << text;
        EXPECT_EQ(parse(p.format()).format(), p.format()) << text;
    }
    EXPECT_TRUE(parseError(QStringLiteral("a == 0x")).contains(QStringLiteral("not a number")));
    EXPECT_TRUE(parseError(QStringLiteral("a == 0b102")).contains(QStringLiteral("not a number")));
    EXPECT_TRUE(
        parseError(QStringLiteral("a == 0x1FFFFFFFFFFFFFFFF")).contains(QStringLiteral("out of range")));
    EXPECT_TRUE(
        parseError(QStringLiteral("a == -0x8000000000000001")).contains(QStringLiteral("out of range")));
    EXPECT_TRUE(parseError(QStringLiteral("a == 12abc")).contains(QStringLiteral("not a number")));
}

TEST(PredicateLiteralTest, ReadsEveryStringEscape) {
    const std::pair<const char*, QString> strings[] = {
        {R"('\x41\x7e')", QStringLiteral("A~")},
        {R"('\u00e9\u00C9')", QStringLiteral("éÉ")},
        {R"('\U0001F600')", QString::fromUcs4(U"\U0001F600")},
        {R"('\101\060\177')", QStringLiteral("A0\x7f")},
        {R"('\a\b\f\v\t\r\n')", QStringLiteral("\a\b\f\v\t\r\n")},
        {R"('it\'s \"q\" \\ \q')", QStringLiteral("it's \"q\" \\ q")},
        {R"("\uD800 alone")", QString(QChar(0xD800)) + QStringLiteral(" alone")},
    };
    for (const auto& [text, value] : strings) {
        const Predicate p = parse(QStringLiteral("a == ") + QString::fromUtf8(text));
        EXPECT_EQ(p.rightExpression().constantValue().toString(), value) << text;
        // The text goes through UTF-8 when saved; nothing may change on the way.
        const Predicate back = parse(QString::fromUtf8(p.format().toUtf8()));
        EXPECT_EQ(back.rightExpression().constantValue().toString(), value) << text;
    }
    EXPECT_TRUE(parseError(QStringLiteral(R"(a == '\x4')")).contains(QStringLiteral("2 hexadecimal")));
    EXPECT_TRUE(
        parseError(QStringLiteral(R"(a == '\U0011FFFF')")).contains(QStringLiteral("not a character")));
    EXPECT_TRUE(parseError(QStringLiteral(R"(a == '\12')")).contains(QStringLiteral("octal")));
    EXPECT_TRUE(parseError(QStringLiteral(R"(a == '\U1234')")).contains(QStringLiteral("8 hexadecimal")));
}

TEST(PredicateLiteralTest, DatesKeepTheirFullPrecision) {
    const Predicate a = parse(QStringLiteral("d == CAST(726000000.0001, 'NSDate')"));
    const Predicate b = parse(QStringLiteral("d == CAST(726000000.0002, 'NSDate')"));
    EXPECT_NE(a.format(), b.format());
    EXPECT_EQ(parse(a.format()).format(), a.format());
    EXPECT_EQ(a.rightExpression().constantValue().typeId(), qMetaTypeId<Platform::PredicateDate>());
    // A sub-millisecond date still converts for an editor that shows dates.
    EXPECT_TRUE(a.rightExpression().constantValue().toDateTime().isValid());
    const QDateTime ms = Platform::predicateReferenceDate().addMSecs(726000000000LL);
    const QVariant object(QVariantMap{{QStringLiteral("d"), ms}});
    EXPECT_FALSE(a.evaluate(object));
    EXPECT_TRUE(
        parse(QStringLiteral("d < CAST(726000000.0001, 'NSDate') AND d > CAST(725999999.9999, 'NSDate')"))
            .evaluate(object));
    EXPECT_TRUE(parse(QStringLiteral("d == CAST(726000000, 'NSDate')")).evaluate(object));
    // Dates on a whole millisecond are plain date-times, however they came.
    EXPECT_EQ(parse(QStringLiteral("d == CAST(1.5, 'NSDate')")).rightExpression().constantValue().typeId(),
              QMetaType::QDateTime);
    EXPECT_EQ(Expression::constant(QVariant::fromValue(Platform::PredicateDate{1.5})).constantValue(),
              QVariant(Platform::predicateReferenceDate().addMSecs(1500)));
}

TEST(PredicateLiteralTest, ComparesNumbersExactlyAcrossTheirTypes) {
    const QVariant object(QVariantMap{{QStringLiteral("big"), qint64(9007199254740993LL)},
                                      {QStringLiteral("top"), std::numeric_limits<quint64>::max()},
                                      {QStringLiteral("flag"), true},
                                      {QStringLiteral("zero"), 0.0}});
    EXPECT_FALSE(parse(QStringLiteral("big == 9007199254740992.0")).evaluate(object));
    EXPECT_TRUE(
        parse(QStringLiteral("big > 9007199254740992.0 AND big == 9007199254740993")).evaluate(object));
    EXPECT_TRUE(
        parse(QStringLiteral("top == 0xFFFFFFFFFFFFFFFF AND top > 9223372036854775807")).evaluate(object));
    EXPECT_TRUE(parse(QStringLiteral("top > -1 AND top < 1.9e19 AND -1 < top")).evaluate(object));
    EXPECT_TRUE(
        parse(QStringLiteral("flag == 1 AND flag == 1.0 AND flag == YES AND flag > 0.5")).evaluate(object));
    EXPECT_TRUE(parse(QStringLiteral("zero == 0 AND zero == NO AND zero == -0.0")).evaluate(object));
}

TEST(PredicatePrintingTest, PrintsAsThePlatformAndReadsBackWhatItPrinted) {
    const std::pair<const char*, const char*> cases[] = {
        {"a == YES", "a == 1"},
        {"a == 3.0 OR a == -0.0 OR a == 1e20 OR a == 0.1", "a == 3 OR a == 0 OR a == 1e+20 OR a == 0.1"},
        {"d < CAST(0.1234567, 'NSDate')", "d < CAST(0.1234567, \"NSDate\")"},
        {"d < CAST(-1.5, 'NSDate')", "d < CAST(-1.500000, \"NSDate\")"},
        {"#first.#SIZE[LAST] == '\\x01\\x7f'", "#first.#SIZE[LAST] == \"\\x01\\x7f\""},
        {"a == {}", "a == {}"},
        {"{1, {2, 'x'}} CONTAINS a", "{1, {2, \"x\"}} CONTAINS a"},
    };
    for (const auto& [input, canonical] : cases) {
        const Predicate predicate = parse(QString::fromUtf8(input));
        EXPECT_EQ(predicate.format().toStdString(), canonical) << input;
        EXPECT_EQ(parse(predicate.format()).format(), predicate.format()) << input;
    }
    // Texts printed by earlier versions read as they did.
    EXPECT_TRUE(parse(QStringLiteral("a == TRUE AND b == 3.0 AND d < CAST(726000000.25, \"NSDate\")"))
                    .evaluate(QVariant(
                        QVariantMap{{"a", true}, {"b", 3}, {"d", Platform::predicateReferenceDate()}})));

    // Whatever the tree API builds prints as text that reads back the same.
    const QList<Expression> constants = {
        Expression::constant(std::numeric_limits<quint64>::max()),
        Expression::constant(std::numeric_limits<qint64>::min()),
        Expression::constant(uint(7)),
        Expression::constant(float(0.5f)),
        Expression::constant(QString(QChar(0xDC00)) + QStringLiteral("\U0001F600\t")),
        Expression::constant(QVariantList{1, QStringLiteral("x"), QVariant()}),
        Expression::constant(Platform::predicateReferenceDate().addMSecs(-1)),
        Expression::constant(QVariant::fromValue(Platform::PredicateDate{1e-7})),
        Expression::evaluatedObject(),
        Expression::keyPath(QStringLiteral("in.SELF.@sum.x")),
    };
    for (const Expression& constant : constants) {
        const Predicate built = Predicate::comparison(Expression::keyPath(QStringLiteral("a")),
                                                      Predicate::Operator::EqualTo, constant);
        ASSERT_TRUE(built.isValid()) << built.errorMessage().toStdString();
        EXPECT_EQ(parse(built.format()), built) << built.format().toStdString();
    }
    EXPECT_FALSE(Predicate::compound(Predicate::CompoundType(7), {}).isValid());
    EXPECT_FALSE(Predicate::comparison(Expression::keyPath(QStringLiteral("a")), Predicate::Operator(42),
                                       Expression::constant(1))
                     .isValid());
    EXPECT_FALSE(Expression::constant(QVariantMap{{QStringLiteral("a"), 1}}).isValid());
}

TEST(PredicatePrintingTest, RefusesOnBuildingWhatCouldNotBeReadBack) {
    const Predicate leaf = parse(QStringLiteral("a == 1"));
    // Mixed AND/OR levels: each needs parentheses once printed.
    Predicate nested = leaf;
    int levels = 0;
    while (nested.isValid()) {
        nested =
            levels % 2 ? Predicate::andPredicate({leaf, nested}) : Predicate::orPredicate({leaf, nested});
        ++levels;
    }
    EXPECT_EQ(levels, Predicate::MaximumNestingDepth + 2);
    EXPECT_TRUE(nested.errorMessage().contains(QStringLiteral("nested deeper")))
        << nested.errorMessage().toStdString();
    EXPECT_TRUE(nested.format().isNull());
    EXPECT_FALSE(nested.evaluate(QVariant(QVariantMap{{"a", 1}})));
    EXPECT_FALSE(Predicate::andPredicate({leaf, nested}).isValid())
        << "a part that is not valid spoils the whole";

    // The same text read from a file: 51 levels need only 50 parentheses, but print with 101.
    QString text = QStringLiteral("a == 1");
    for (int i = 0; i < 51; ++i)
        text = QStringLiteral("a == 1 OR a == 1 AND (%1)").arg(text);
    EXPECT_TRUE(parseError(text).contains(QStringLiteral("nested deeper")));
    text = QStringLiteral("a == 1");
    for (int i = 0; i < 24; ++i)
        text = QStringLiteral("a == 1 OR a == 1 AND (%1)").arg(text);
    const Predicate readable = parse(text);
    EXPECT_EQ(parse(readable.format()), readable);

    // Compact input whose canonical text is longer than the limit.
    const QStringList terms(Predicate::MaximumFormatLength / 5 - 1, QStringLiteral("a=1"));
    EXPECT_LE(terms.join(QStringLiteral("||")).size(), Predicate::MaximumFormatLength);
    EXPECT_TRUE(parseError(terms.join(QStringLiteral("||"))).contains(QStringLiteral("longer than")));
    QList<Predicate> many(Predicate::MaximumFormatLength / 10 + 1, leaf);
    EXPECT_FALSE(Predicate::orPredicate(many).isValid());
    EXPECT_TRUE(Predicate::orPredicate(many.mid(0, 9000)).isValid());

    // Control characters print short enough to read back.
    const QString controls = QStringLiteral("a == '%1'").arg(QString(20000, QChar(0x01)));
    const Predicate withControls = parse(controls);
    EXPECT_LE(withControls.format().size(), Predicate::MaximumFormatLength);
    EXPECT_EQ(parse(withControls.format()), withControls);

    // Single-element compounds print as their element, however deeply they are wrapped.
    Predicate wrapped = leaf;
    for (int i = 0; i < 300; ++i)
        wrapped = Predicate::andPredicate({wrapped});
    EXPECT_EQ(wrapped.format(), QStringLiteral("a == 1"));
    for (int i = 0; i < 200; ++i)
        wrapped = Predicate::andPredicate({wrapped});
    EXPECT_FALSE(wrapped.isValid());

    QList<Expression> deep{Expression::constant(1)};
    Expression collection = Expression::constant(1);
    for (int i = 0; i < Predicate::MaximumNestingDepth + 1; ++i)
        collection = Expression::aggregate({collection});
    EXPECT_FALSE(collection.isValid());
    EXPECT_FALSE(
        Predicate::comparison(Expression::keyPath(QStringLiteral("a")), Predicate::Operator::In, collection)
            .isValid());
}

TEST(PredicateFormatTest, NamesTheConstructsItDoesNotSupport) {
    const std::pair<const char*, const char*> cases[] = {
        {"name == $NAME", "variables ($NAME) are not supported (at offset 8)"},
        {"age + 1 > 2", "arithmetic (+) is not supported (at offset 4)"},
        {"a == 2 * b", "arithmetic (*) is not supported (at offset 7)"},
        {"a == b - 1", "arithmetic (-) is not supported"},
        {"a / 2 == 1", "arithmetic (/) is not supported"},
        {"uppercase(name) == 'A'", "function expressions (uppercase) are not supported (at offset 0)"},
        {"a == FUNCTION(b, 'x')", "function expressions (FUNCTION) are not supported (at offset 5)"},
        {"a == now()", "function expressions (now) are not supported"},
        {"a == sum:(b)", "function expressions (sum) are not supported"},
        {"SUBQUERY(children, $c, $c.age > 1).@count > 0",
         "subqueries (SUBQUERY) are not supported (at offset 0)"},
        {"name LIKE %@", "format arguments (%@, %K) are not supported (at offset 10)"},
        {"%K == 1", "format arguments"},
        {"$x := 1", "variables"},
        {"a := 1", "assignments (:=) are not supported"},
        {"ANYKEY == 1", "ANYKEY is not supported"},
        {"a UTI-CONFORMS-TO 'public.text'", "UTI-CONFORMS-TO"},
        {"FETCH(a, b, NO) == 1", "FETCH"},
        {"a == (b)", "parenthesised expressions"},
    };
    for (const auto& [input, message] : cases) {
        const QString error = parseError(QString::fromUtf8(input));
        EXPECT_TRUE(error.contains(QString::fromUtf8(message))) << input << ": " << error.toStdString();
    }
}
