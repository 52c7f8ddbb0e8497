// The issue pipeline at 10,000 issues: a search answer's JSON bytes become JiraIssue objects, pass a
// filter's status condition and advanced filter (one of whose conditions reads through an array of
// objects), are kept, and are read back sorted. Measured beside
// parsing the same bytes alone, which every download pays anyway; the ratio of the two is printed.
#include "JiraIssueManager.h"
#include "UserDefaultsKeys.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int IssueCount = 10000;

QByteArray searchAnswer() {
    static const QByteArray bytes = [] {
        const char* statuses[][3] = {{"Open", "new", "To Do"},
                                     {"In Progress", "indeterminate", "In Progress"},
                                     {"In Review", "indeterminate", "In Progress"},
                                     {"Done", "done", "Done"}};
        const char* people[] = {"Ada Lovelace", "Grace Hopper", "Alan Turing", "Édouard Lucas"};
        const char* components[] = {"Backend", "Tray UI", "Sign-in", "Updater", "Menu"};
        QJsonArray issues;
        for (int i = 0; i < IssueCount; ++i) {
            const auto& status = statuses[(i * 7) % 4];
            const QJsonObject person{{QStringLiteral("accountId"), QStringLiteral("user-%1").arg(i % 4)},
                                     {QStringLiteral("displayName"), QString::fromUtf8(people[i % 4])}};
            const QJsonObject fields{
                {QStringLiteral("summary"), QStringLiteral("Fix the crème brûlée renderer, case %1").arg(i)},
                {QStringLiteral("assignee"), person},
                {QStringLiteral("creator"), person},
                // Jira's arrays of objects, read by key paths through the array.
                {QStringLiteral("components"),
                 QJsonArray{
                     QJsonObject{{QStringLiteral("id"), QString::number(i % 5)},
                                 {QStringLiteral("name"), QString::fromLatin1(components[i % 5])}},
                     QJsonObject{{QStringLiteral("id"), QString::number((i + 2) % 5)},
                                 {QStringLiteral("name"), QString::fromLatin1(components[(i + 2) % 5])}}}},
                {QStringLiteral("labels"), QJsonArray{QStringLiteral("linux"), QStringLiteral("tray")}},
                {QStringLiteral("created"),
                 QStringLiteral("2026-03-%1T10:15:30.123+0000").arg(1 + i % 28, 2, 10, QLatin1Char('0'))},
                {QStringLiteral("status"),
                 QJsonObject{
                     {QStringLiteral("name"), QString::fromLatin1(status[0])},
                     {QStringLiteral("iconUrl"), QStringLiteral("https://example.atlassian.net/icon.png")},
                     {QStringLiteral("statusCategory"),
                      QJsonObject{{QStringLiteral("key"), QString::fromLatin1(status[1])},
                                  {QStringLiteral("name"), QString::fromLatin1(status[2])}}}}}};
            issues.append(QJsonObject{
                {QStringLiteral("id"), QString::number(10000 + i)},
                {QStringLiteral("key"), QStringLiteral("ABC-%1").arg((i * 7919) % IssueCount)},
                {QStringLiteral("self"), QStringLiteral("https://example/rest/api/3/issue/%1").arg(i)},
                {QStringLiteral("fields"), fields}});
        }
        return QJsonDocument(QJsonObject{{QStringLiteral("startAt"), 0},
                                         {QStringLiteral("maxResults"), IssueCount},
                                         {QStringLiteral("total"), IssueCount},
                                         {QStringLiteral("issues"), issues}})
            .toJson(QJsonDocument::Compact);
    }();
    return bytes;
}

QList<QJsonObject> issueObjects(const QJsonDocument& document) {
    QList<QJsonObject> objects;
    const QJsonArray issues = document.object().value(QStringLiteral("issues")).toArray();
    objects.reserve(issues.size());
    for (const QJsonValue& issue : issues)
        objects.append(issue.toObject());
    return objects;
}

void BM_ParseJsonOnly(benchmark::State& state) {
    const QByteArray bytes = searchAnswer();
    // Kept until the next answer is parsed, as the pipeline keeps its issues: both parse beside the
    // previous result.
    QJsonDocument kept;
    for (auto _ : state) {
        kept = QJsonDocument::fromJson(bytes);
        benchmark::DoNotOptimize(kept.isObject());
    }
    state.SetItemsProcessed(state.iterations() * IssueCount);
}

// Each iteration is one download of the filter: the answer becomes issues that replace the filter's
// previous ones and are read back sorted. With range(0) 1 the previous issues are let go first, outside
// the measurement, as for a filter's first download: the parse then does not run beside them.
void BM_IssuePipeline(benchmark::State& state) {
    const QByteArray bytes = searchAnswer();
    IssueFilter filter(QStringLiteral("bench"), QStringLiteral("account"), QStringLiteral("cloud"),
                       QStringLiteral("10000"), QStringLiteral("Bench"));
    filter.setIssueFilterType(IssueFilter::IssueFilterType::todoOrInProgress);
    filter.setPredicate(Platform::Predicate::fromFormat(QStringLiteral(
        "summary CONTAINS[cd] \"creme\" AND (ANY fields.components.name BEGINSWITH[c] \"menu\" "
        "OR assigneeDisplayName BEGINSWITH[c] \"a\" OR creatorDisplayName ENDSWITH[cd] \"lucas\")")));
    if (!filter.predicate())
        state.SkipWithError("the advanced filter does not read");
    UserDefaultsKeys::set(qint64(IssuesOrderType::byStatus), UserDefaultsKeys::Key::orderIssuesType);
    const QString baseURL = QStringLiteral("https://example.atlassian.net");
    const QString projectName = QStringLiteral("Bench");
    const bool firstDownload = state.range(0) == 1;
    qsizetype kept = 0;
    for (auto _ : state) {
        if (firstDownload) {
            state.PauseTiming();
            JiraIssueManager::takeSearchResult({}, filter, baseURL, projectName, true);
            state.ResumeTiming();
        }
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        JiraIssueManager::takeSearchResult(issueObjects(document), filter, baseURL, projectName, true);
        kept = JiraIssueManager::issues(filter)->size();
        benchmark::DoNotOptimize(kept);
    }
    state.counters["kept"] = double(kept);
    state.SetItemsProcessed(state.iterations() * IssueCount);
}

BENCHMARK(BM_ParseJsonOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IssuePipeline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration so the ratio can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    // The sorted read consults the user defaults: keep them away from the user's own settings.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto baseline = reporter.times.find("BM_ParseJsonOnly");
    for (const auto& [name, label] : {std::pair{"BM_IssuePipeline/0", "replacing the previous download"},
                                      std::pair{"BM_IssuePipeline/1", "first download"}}) {
        const auto pipeline = reporter.times.find(name);
        if (baseline != reporter.times.end() && pipeline != reporter.times.end() && baseline->second > 0)
            std::printf(
                "issue pipeline (%s) / JSON parsing alone at %d issues, CPU time: %.2f (target: at most 3)\n",
                label, IssueCount, pipeline->second / baseline->second);
    }
    benchmark::Shutdown();
    return 0;
}
