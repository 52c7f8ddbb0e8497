// printf-style formats (translated texts are formats that come from outside the code): filling never
// crashes, stays within the width limit, and never reads an argument's text as a format.
#include "FuzzSupport.h"
#include "Platform/StringFormat.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString format = FuzzSupport::text(data, size);
    const QString marker = QStringLiteral("%@%d%n%s%%");
    const QVariantList arguments{
        marker,          qint64(size) - 7, -1.5e300, QVariant(),
        QString(),       0x1F600,          true,     QVariantList{1, QStringLiteral("two")},
        qint64(0x110000)};
    const QString filled = Platform::stringWithFormat(format, arguments);
    // Every conversion adds at most the clipped width (or its argument's text) to the format's own length.
    FuzzSupport::check(filled.size() <= (format.size() + 1) * 10400, "the result stays bounded");
    // The marker argument comes back as it is, never read as a format.
    if (format == QStringLiteral("%@"))
        FuzzSupport::check(filled == marker, "an argument's percent signs are shown");
    Platform::stringWithFormat(format, QVariantList{});
    return 0;
}
