// Base64 text from outside: decoding never crashes, and whatever encodes (wrapped or not) decodes back.
#include "FuzzSupport.h"
#include "ZRKit/ZRData.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    if (const auto decoded = ZRData::dataFromBase64String(QString::fromUtf8(bytes)))
        FuzzSupport::check(decoded->size() <= bytes.size(), "decoding shrinks");
    for (bool newlines : {false, true}) {
        const auto back =
            ZRData::dataFromBase64String(ZRData::base64EncodedStringWithNewlines(bytes, newlines));
        FuzzSupport::check(back.has_value() && *back == bytes, "encoded bytes decode to themselves");
    }
    return 0;
}
