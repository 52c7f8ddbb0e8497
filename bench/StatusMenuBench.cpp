// Rebuilding the status menu, as happens on every opening and after every search: 20 filters of 50 issues
// against a plain menu filled with 1,000 text actions, measured in the same run.
#include "IssueFilterManager.h"
#include "JiraIssueManager.h"
#include "StatusMenuBuilder.h"

#include "Platform/Bundle.h"

#include <QApplication>
#include <QJsonArray>
#include <QMenu>

#include <benchmark/benchmark.h>

namespace {

QList<QJsonObject> issues(const QString& project, int count) {
    static const QStringList statuses{QStringLiteral("To Do"), QStringLiteral("In Progress"),
                                      QStringLiteral("Done")};
    static const QStringList categories{QStringLiteral("new"), QStringLiteral("indeterminate"),
                                        QStringLiteral("done")};
    QList<QJsonObject> result;
    for (int i = 0; i < count; ++i)
        result << QJsonObject{
            {"id", QString::number(10000 + i)},
            {"key", QStringLiteral("%1-%2").arg(project).arg(i + 1)},
            {"fields",
             QJsonObject{
                 {"summary", QStringLiteral("Issue number %1 of project %2").arg(i + 1).arg(project)},
                 {"status", QJsonObject{{"name", statuses.at(i % 3)},
                                        {"statusCategory", QJsonObject{{"key", categories.at(i % 3)},
                                                                       {"name", statuses.at(i % 3)}}}}}}}};
    return result;
}

IssueFilterManager::IssueFilterList& filters() {
    static IssueFilterManager::IssueFilterList list = [] {
        IssueFilterManager::IssueFilterList made;
        for (int f = 0; f < 20; ++f) {
            const QString project = QStringLiteral("P%1").arg(f);
            auto filter = std::make_shared<IssueFilter>(QStringLiteral("F%1").arg(f), "acct", "cloud",
                                                        project, QStringLiteral("Project %1").arg(f));
            JiraIssueManager::takeSearchResult(
                issues(project, 50), *filter, QStringLiteral("https://example.atlassian.net"), project, true);
            made << filter;
        }
        return made;
    }();
    return list;
}

void BM_PlainMenuOf1000Actions(benchmark::State& state) {
    QMenu menu;
    QStringList titles;
    for (int i = 0; i < 1000; ++i)
        titles << QStringLiteral("P%1-%2 Issue number %2").arg(i / 50).arg(i % 50 + 1);
    for (auto _ : state) {
        menu.clear();
        for (const QString& title : titles)
            menu.addAction(title);
        benchmark::DoNotOptimize(menu.actions().size());
    }
}

void BM_StatusMenuRebuild20FiltersOf50Issues(benchmark::State& state) {
    QMenu menu;
    StatusMenuBuilder::Actions actions{[](QAction*) {}, [] {}};
    const IssueFilterManager::IssueFilterList& list = filters();
    StatusMenuBuilder::addIssueMenuItems(&menu, actions, true, true, list);
    if (menu.actions().size() != 20 * 51)
        state.SkipWithError("the menu does not hold 20 sections of 50 issues");
    for (auto _ : state) {
        menu.clear();
        StatusMenuBuilder::addIssueMenuItems(&menu, actions, true, true, list);
        benchmark::DoNotOptimize(menu.actions().size());
    }
}

BENCHMARK(BM_PlainMenuOf1000Actions)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_StatusMenuRebuild20FiltersOf50Issues)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Prints the ratio of the two after both ran; the target is at most 3.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // The medians of the repetitions, which interleave the two, so that the machine's load falls on
        // both alike.
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
                continue;
            if (run.benchmark_name().find("PlainMenu") != std::string::npos)
                m_baseline = run.GetAdjustedCPUTime();
            if (run.benchmark_name().find("StatusMenuRebuild") != std::string::npos)
                m_rebuild = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (m_baseline > 0 && m_rebuild > 0)
            std::printf(
                "status menu rebuild / plain menu of 1,000 actions (CPU time): %.2f (target: at most 3)\n",
                m_rebuild / m_baseline);
    }

private:
    double m_baseline = 0;
    double m_rebuild = 0;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
    std::vector<char*> arguments(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=9";
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    arguments.insert(arguments.begin() + 1, {repetitions, interleaving, aggregates});
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
