// Bytes that the update server or a proxy may send as the release feed: repeated gzip decoding stays
// within its caps, and what the encoder packs decodes back.
#include "FuzzSupport.h"
#include "ZRKit/ZRZLib.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    if (const auto decoded = ZRZLib::inflateGzipWhilePossible(bytes)) {
        FuzzSupport::check(decoded->size() <= ZRZLib::MaximumInflatedSize || decoded->isSharedWith(bytes),
                           "decoded data stays within the cap");
        FuzzSupport::check(decoded->size() < 4 || !ZRZLib::hasGzipMagic(*decoded), "no gzip layer is left");
    }
    (void)ZRZLib::inflate(bytes, 1 << 20);
    const auto packed = ZRZLib::gzip(bytes);
    FuzzSupport::check(packed.has_value(), "anything can be packed");
    FuzzSupport::check(bytes.isEmpty() || ZRZLib::inflateGzip(*packed) == bytes, "packed bytes decode back");
    return 0;
}
