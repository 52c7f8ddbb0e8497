// Sorting issues by status and reading them by key path, each beside a baseline in the same run:
// std::stable_sort with the same comparison, and reading the same value straight from the JSON.
#include "Model/JiraIssue.h"

#include <QJsonArray>
#include <QJsonObject>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

QList<JiraIssue> makeIssues(int count) {
    static const char* const categories[][2] = {
        {"new", "To Do"}, {"indeterminate", "In Progress"}, {"done", "Done"}, {"undefined", "No Category"}};
    QList<JiraIssue> issues;
    for (int i = 0; i < count; ++i) {
        const auto* category = categories[(i * 7) % 4];
        const QJsonObject fields{
            {"summary", QStringLiteral("Issue number %1").arg(i)},
            {"priority", QJsonObject{{"name", "High"}}},
            {"labels", QJsonArray{"tray", "linux"}},
            {"status",
             QJsonObject{{"name", category[1]},
                         {"statusCategory", QJsonObject{{"key", category[0]}, {"name", category[1]}}}}}};
        issues.append(*JiraIssue::create(
            QStringLiteral("cloud"), QStringLiteral("https://x.atlassian.net"), QStringLiteral("Alpha"),
            QJsonObject{
                {"id", QString::number(i)}, {"key", QStringLiteral("ABC-%1").arg(i)}, {"fields", fields}}));
    }
    return issues;
}

void sortedByJiraStatus(benchmark::State& state) {
    const QList<JiraIssue> issues = makeIssues(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(JiraIssue::sortedByJiraStatus(issues));
}

void baselineStdStableSort(benchmark::State& state) {
    const QList<JiraIssue> issues = makeIssues(int(state.range(0)));
    for (auto _ : state) {
        QList<JiraIssue> copy = issues;
        std::stable_sort(copy.begin(), copy.end(),
                         [](const JiraIssue& a, const JiraIssue& b) { return a.compareByJiraStatus(b) < 0; });
        benchmark::DoNotOptimize(copy);
    }
}

void valueForKeyPath(benchmark::State& state) {
    const JiraIssue issue = makeIssues(1).first();
    for (auto _ : state)
        benchmark::DoNotOptimize(issue.value(QStringLiteral("fields.priority.name")));
}

void baselineJsonLookup(benchmark::State& state) {
    const JiraIssue issue = makeIssues(1).first();
    for (auto _ : state)
        benchmark::DoNotOptimize(QVariant(issue.fields()
                                              .value(QStringLiteral("priority"))
                                              .toObject()
                                              .value(QStringLiteral("name"))
                                              .toString()));
}

} // namespace

BENCHMARK(baselineStdStableSort)->Arg(50)->Arg(1000);
BENCHMARK(sortedByJiraStatus)->Arg(50)->Arg(1000);
BENCHMARK(baselineJsonLookup);
BENCHMARK(valueForKeyPath);
BENCHMARK_MAIN();
