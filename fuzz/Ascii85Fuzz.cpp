// Ascii85 text from outside: decoding never crashes or wraps, and whatever encodes decodes back to itself.
#include "FuzzSupport.h"
#include "ZRKit/ZRData.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    ZRData::Ascii85Error error;
    if (const auto decoded = ZRData::initWithASCII85String(QString::fromLatin1(bytes), &error)) {
        FuzzSupport::check(decoded->size() <= (bytes.size() / 5 + 1) * 4 + bytes.count('z') * 4,
                           "decoding stays within the size of the text");
    } else {
        FuzzSupport::check(error.reason.startsWith(QStringLiteral("ASCII85: ")),
                           "a refusal names its reason");
    }
    const auto back = ZRData::initWithASCII85String(ZRData::ascii85String(bytes));
    FuzzSupport::check(back.has_value() && *back == bytes, "encoded bytes decode to themselves");
    return 0;
}
