// Reading the release feed at its bounds, against plain XML tokenizing of the same unpacked bytes: a feed
// of the most releases read (10,000), and a gzip bomb that unpacks past the size bound and is refused.
// Compare each pair's times; the feed is read on a worker thread, so this is time off the interface's.
#include "ZRKit/ZRZLib.h"
#include "ZRUpdater/ZRUpdaterReleaseController.h"

#include <QXmlStreamReader>

#include <benchmark/benchmark.h>

namespace {

QByteArray largestFeed() {
    QByteArray releases;
    for (int i = 0; i < int(ZRUpdaterReleaseController::MaximumReleaseCount); ++i)
        releases += "<Release><Version>1." + QByteArray::number(i) + "</Version><BundleVersion>" +
                    QByteArray::number(i) +
                    "</BundleVersion><DownloadLink>https://example.com/C.zip</DownloadLink>"
                    "<Changes><![CDATA[<p>What is new.</p>]]></Changes></Release>";
    return "<Feed><AppName>Corvantide</AppName><Releases>" + releases + "</Releases></Feed>";
}

void tokenize(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        benchmark::DoNotOptimize(reader.readNext());
}

void BM_BaselineTokenizeLargestFeed(benchmark::State& state) {
    const QByteArray xml = largestFeed();
    for (auto _ : state)
        tokenize(xml);
}

void BM_ReadLargestFeed(benchmark::State& state) {
    const QByteArray gzipped = *ZRZLib::gzip(largestFeed());
    QString error;
    for (auto _ : state)
        benchmark::DoNotOptimize(ZRUpdaterReleaseController::releasesFromFeedData(gzipped, &error));
}

// Releases of one empty element each, many times more than the bound: what a small bomb unpacks to.
QByteArray bomb() {
    return "<Releases>" + QByteArray("<Release/>").repeated(6'700'000) + "</Releases>";
}

void BM_BaselineTokenizeBoundOfBomb(benchmark::State& state) {
    const QByteArray xml = bomb().left(ZRUpdaterReleaseController::MaximumFeedSize);
    for (auto _ : state)
        tokenize(xml);
}

void BM_RefuseBomb(benchmark::State& state) {
    const QByteArray gzipped = *ZRZLib::gzip(bomb());
    state.counters["gzipped_bytes"] = double(gzipped.size());
    QString error;
    for (auto _ : state)
        benchmark::DoNotOptimize(ZRUpdaterReleaseController::releasesFromFeedData(gzipped, &error));
}

} // namespace

BENCHMARK(BM_BaselineTokenizeLargestFeed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLargestFeed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineTokenizeBoundOfBomb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefuseBomb)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
