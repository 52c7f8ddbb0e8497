// The filters file and the one-filter JSON of the issue list: reading never crashes and never loses a
// readable filter; what is saved reads back to the same filters, and saving again writes the same bytes.
#include "FuzzSupport.h"
#include "IssueFilterManager.h"
#include "Model/IssueFilter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonArray asArray(const IssueFilterManager::IssueFilterList& filters) {
    QJsonArray array;
    for (const auto& filter : filters)
        array.append(filter->toJson());
    return array;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = FuzzSupport::bytes(data, size);

    // One filter.
    if (const std::shared_ptr<IssueFilter> filter = IssueFilter::fromJsonData(input)) {
        FuzzSupport::check(filter->issueFilter() >= 0 && filter->issueFilter() <= 3, "issue filter in range");
        FuzzSupport::check(filter->sprintFilter() >= 0 && filter->sprintFilter() <= 2,
                           "sprint filter in range");
        const std::shared_ptr<IssueFilter> again = IssueFilter::fromJsonData(filter->toJsonData());
        FuzzSupport::check(again != nullptr, "a written filter reads back");
        FuzzSupport::check(again->toJson() == filter->toJson(), "a filter survives its JSON form");
        filter->humanReadablePredicateDescription();
    }

    // The whole file.
    const QString path = FuzzSupport::scratchFolder() + QStringLiteral("/IssueFilters.json");
    if (!FuzzSupport::writeFile(path, input))
        return 0;
    IssueFilterManager store([path] { return path; });
    const IssueFilterManager::IssueFilterList loaded = store.allIssueFilters();
    const QJsonDocument document = QJsonDocument::fromJson(input);
    if (document.isArray())
        FuzzSupport::check(loaded.size() <= document.array().size(), "no filter comes from nowhere");
    store.saveIssueFilters();
    const QByteArray saved = readAll(path);

    IssueFilterManager reread([path] { return path; });
    FuzzSupport::check(asArray(reread.allIssueFilters()) == asArray(loaded), "saved filters read back equal");
    reread.saveIssueFilters();
    FuzzSupport::check(readAll(path) == saved, "saving is stable");
    return 0;
}
