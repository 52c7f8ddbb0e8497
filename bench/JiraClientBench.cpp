// The Jira client's per-answer work, each beside a baseline in the same run: reading a Jira date against
// Qt's own ISO parser, decoding a search answer with null keys removed against decoding alone, and a
// redacted log body against printing the body as it is, and redacting bodies of many empty values against
// reading them as text.
#include "Platform/JSONResponseSerializer.h"
#include "ZRJira/ZRJJSONUtilities.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

namespace {

const QString kDate = QStringLiteral("2024-03-05T10:15:30.123+0000");
const QString kDateBaseline = QStringLiteral("2024-03-05T10:15:30.123+00:00");

QByteArray searchAnswer(int issues) {
    QJsonArray array;
    for (int i = 0; i < issues; ++i)
        array.append(QJsonObject{
            {"id", QString::number(10000 + i)},
            {"key", QStringLiteral("ABC-%1").arg(i)},
            {"fields", QJsonObject{{"summary", QStringLiteral("Issue %1").arg(i)},
                                   {"assignee", i % 3 ? QJsonValue(QJsonObject{{"accountId", "5b10"},
                                                                               {"locale", QJsonValue::Null}})
                                                      : QJsonValue(QJsonValue::Null)},
                                   {"status", QJsonObject{{"name", "To Do"}, {"iconUrl", QJsonValue::Null}}},
                                   {"created", kDate}}}});
    return QJsonDocument(QJsonObject{{"issues", array}, {"isLast", true}}).toJson(QJsonDocument::Compact);
}

Platform::HttpResponse jsonResponse() {
    Platform::HttpResponse response;
    response.statusCode = 200;
    Platform::setHeaderValue(response.headers, "Content-Type", "application/json");
    return response;
}

void dateFromString(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ZRJJSONUtilities::dateFromString(kDate));
}

void baselineQtIsoDate(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(QDateTime::fromString(kDateBaseline, Qt::ISODateWithMs));
}

void serializeWithoutNulls(benchmark::State& state) {
    const QByteArray body = searchAnswer(int(state.range(0)));
    Platform::JSONResponseSerializer serializer;
    serializer.removesKeysWithNullValues = true;
    const Platform::HttpResponse response = jsonResponse();
    for (auto _ : state)
        benchmark::DoNotOptimize(serializer.serialize(response, body));
}

void baselineJsonDecode(benchmark::State& state) {
    const QByteArray body = searchAnswer(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(body).object());
}

const QByteArray kTokenAnswer =
    R"({"access_token":"eyJraWQiOiJhdXRoLmF0bGFzc2lhbi5jb20","refresh_token":"eyJraWQiOiJyZWZyZXNo",)"
    R"("expires_in":3600,"scope":"read:jira-user read:jira-work offline_access","token_type":"Bearer"})";

void redactedBody(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ZRJJSONUtilities::redactedBody(kTokenAnswer));
}

// Bodies of many empty values, plain text or form-like up to a last blank: the shapes on which a nested
// pattern once took up to 60 ms per call (366 bytes) in redaction.
QByteArray emptyValues(int count, const QByteArray& item) {
    QByteArray body;
    for (int i = 0; i < count; ++i)
        body += item;
    return body + " code=C";
}

void redactedEmptyValues(benchmark::State& state) {
    const QByteArray body = emptyValues(int(state.range(0)), state.range(1) ? "a=&" : "code= ");
    for (auto _ : state)
        benchmark::DoNotOptimize(ZRJJSONUtilities::redactedBody(body));
}

void baselineEmptyValuesText(benchmark::State& state) {
    const QByteArray body = emptyValues(int(state.range(0)), state.range(1) ? "a=&" : "code= ");
    for (auto _ : state)
        benchmark::DoNotOptimize(QString::fromUtf8(body).toLower());
}

void baselinePlainBody(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            QString::fromUtf8(QJsonDocument::fromJson(kTokenAnswer).toJson(QJsonDocument::Compact)));
}

} // namespace

BENCHMARK(dateFromString);
BENCHMARK(baselineQtIsoDate);
BENCHMARK(serializeWithoutNulls)->Arg(50)->Arg(1000);
BENCHMARK(baselineJsonDecode)->Arg(50)->Arg(1000);
BENCHMARK(redactedBody);
BENCHMARK(baselinePlainBody);
BENCHMARK(redactedEmptyValues)->ArgsProduct({{122, 4096}, {0, 1}});
BENCHMARK(baselineEmptyValuesText)->ArgsProduct({{122, 4096}, {0, 1}});

BENCHMARK_MAIN();
