// CSV text from outside: parsing never crashes, an accepted text has at least one row, and every field
// a row holds is text of the input (no invented content).
#include "FuzzSupport.h"
#include "ZRKit/ZRCSVParser.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the separator and whether there is a header.
    static const QString separators[] = {QStringLiteral(","), QStringLiteral(";"), QStringLiteral("\t"),
                                         QStringLiteral("::"), QStringLiteral("ab")};
    const QString separator = separators[data[0] % 5];
    const bool header = (data[0] & 0x80) != 0;
    const QString text = FuzzSupport::text(data + 1, size - 1);
    ZRCSVParser parser(text, separator, header);
    const auto rows = parser.arrayOfParsedRows();
    if (!rows) {
        FuzzSupport::check(!parser.errorMessage().isEmpty(), "a refused text says why");
        return 0;
    }
    FuzzSupport::check(!rows->isEmpty(), "an accepted text has a row");
    for (const QVariantMap& row : *rows)
        for (auto it = row.cbegin(); it != row.cend(); ++it)
            FuzzSupport::check(it.value().toString().size() <= text.size(),
                               "a field is no longer than the text");
    int delivered = 0;
    ZRCSVParser again(text, separator, header);
    FuzzSupport::check(again.parseRowsForReceiver([&delivered](const QVariantMap&) { ++delivered; }),
                       "the receiver form accepts what the list form accepts");
    FuzzSupport::check(delivered == rows->size(), "both forms give the same rows");
    return 0;
}
