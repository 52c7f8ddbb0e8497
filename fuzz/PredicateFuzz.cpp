// Advanced filters from outside (IssueFilters.json, the "customIssueFilter" default): reading never
// crashes; what was read prints as text that reads back to the same predicate, through UTF-8 too, within
// the limits; the tree API rebuilds it unchanged; and the re-read predicate decides like the first one.
#include "FuzzSupport.h"
#include "Model/JiraIssue.h"
#include "Platform/Predicate.h"

#include <QJsonDocument>
#include <QJsonObject>

using Platform::Predicate;

namespace {

const QVariant& sampleObject() {
    static const QVariant object = [] {
        QVariantMap map = QJsonDocument::fromJson(R"({
            "a": 1, "b": 2.5, "flag": true, "s": "Crème brûlée", "empty": "", "none": null,
            "list": [1, "x", 2.5, null, {"name": "n"}], "labels": ["ui", "Tray"],
            "children": [{"name": "Ben", "age": 7}, {"name": "Cléo", "age": 12.5}],
            "dict": {"key": "value", "nested": {"deeper": [true, false]}}})")
                              .object()
                              .toVariantMap();
        map.insert(QStringLiteral("date"), Platform::predicateReferenceDate().addMSecs(726000000123LL));
        map.insert(QStringLiteral("big"), std::numeric_limits<quint64>::max());
        return QVariant(map);
    }();
    return object;
}

const JiraIssue& sampleIssue() {
    static const JiraIssue issue = *JiraIssue::create(
        QStringLiteral("cloud"), QStringLiteral("https://x.atlassian.net"), QStringLiteral("Alpha"),
        QJsonDocument::fromJson(R"({"id": "1", "key": "ABC-1", "fields": {"summary": "Fix it",
            "created": "2024-03-05T10:15:30.123Z", "components": [{"name": "Backend"}], "labels": ["a"],
            "status": {"name": "Done", "statusCategory": {"key": "done", "name": "Done"}}}})")
            .object());
    return issue;
}

Predicate rebuilt(const Predicate& predicate) {
    switch (predicate.kind()) {
    case Predicate::Kind::True:
    case Predicate::Kind::False:
        return predicate;
    case Predicate::Kind::Comparison:
        return Predicate::comparison(predicate.leftExpression(), predicate.operatorType(),
                                     predicate.rightExpression(), predicate.options(),
                                     predicate.comparisonModifier());
    case Predicate::Kind::Compound:
        break;
    }
    QList<Predicate> parts;
    for (const Predicate& sub : predicate.subpredicates())
        parts.append(rebuilt(sub));
    return Predicate::compound(predicate.compoundType(), parts);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString error;
    const std::optional<Predicate> predicate = Predicate::fromFormat(FuzzSupport::text(data, size), &error);
    if (!predicate) {
        FuzzSupport::check(!error.isEmpty(), "a refused text says why");
        return 0;
    }
    FuzzSupport::check(predicate->isValid(), "what was read is valid");
    const QString text = predicate->format();
    FuzzSupport::check(!text.isNull() && text.size() <= Predicate::MaximumFormatLength,
                       "the printed text keeps within the length limit");
    const std::optional<Predicate> reread = Predicate::fromFormat(QString::fromUtf8(text.toUtf8()), &error);
    FuzzSupport::check(reread.has_value(), "the printed text reads back");
    FuzzSupport::check(*reread == *predicate && reread->format() == text,
                       "reading back gives the same predicate");
    FuzzSupport::check(rebuilt(*predicate) == *predicate, "the tree API rebuilds the same predicate");

    const auto issue = [](const QString& keyPath) { return sampleIssue().value(keyPath); };
    FuzzSupport::check(predicate->evaluate(sampleObject()) == reread->evaluate(sampleObject()),
                       "the re-read predicate decides the same over a dictionary");
    FuzzSupport::check(predicate->evaluate(issue) == reread->evaluate(issue),
                       "the re-read predicate decides the same over an issue");
    return 0;
}
