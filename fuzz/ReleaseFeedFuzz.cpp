// The release feed as the update server (or anyone in its place) sends it: plain or gzipped XML read
// into release records; the records are complete and the reading is the same every time.
#include "FuzzSupport.h"
#include "ZRUpdater/ZRUpdaterReleaseController.h"
#include "ZRUpdater/ZRUpdaterReleaseParser.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    QString error;
    const auto releases = ZRUpdaterReleaseController::releasesFromFeedData(bytes, &error);
    FuzzSupport::check(releases.has_value() != !error.isEmpty(), "either releases or a reason");
    if (!releases)
        return 0;
    FuzzSupport::check(!releases->isEmpty(), "a feed that is read has releases");
    FuzzSupport::check(releases->size() <= ZRUpdaterReleaseController::MaximumReleaseCount,
                       "the release count is bounded");
    for (const ZRUpdaterRelease& release : *releases) {
        FuzzSupport::check(release.title.startsWith(release.applicationName), "every record is titled");
        FuzzSupport::check(!release.date.isValid() || release.date.year() >= 0, "dates are plain dates");
    }
    ZRUpdaterReleaseController controller;
    controller.setReleases(*releases);
    const auto sorted = controller.sortedReleases();
    FuzzSupport::check(sorted.size() <= releases->size(), "sorting adds nothing");
    for (qsizetype i = 1; i < sorted.size(); ++i)
        FuzzSupport::check(ZRUpdaterIntegerValue(sorted.at(i - 1).bundleVersion) >=
                               ZRUpdaterIntegerValue(sorted.at(i).bundleVersion),
                           "highest bundle version first");
    QString again;
    const auto second = ZRUpdaterReleaseController::releasesFromFeedData(bytes, &again);
    FuzzSupport::check(second && second->size() == releases->size(), "reading is stable");
    return 0;
}
