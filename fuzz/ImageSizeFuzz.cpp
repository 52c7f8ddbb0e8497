// Image headers from the network (status icons): the size sniffing reads only within the bytes and gives a
// size that is either empty or positive.
#include "FuzzSupport.h"
#include "ZRKit/ZRImageSizeSnooper.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input, so that any read past its end is the sanitizer's finding.
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    for (const QSizeF found :
         {ZRImageSizeSnooper::sizeOfImageData(bytes), ZRImageSizeSnooper::sizeOfJPEGData(bytes)})
        FuzzSupport::check(found.width() >= 0 && found.height() >= 0, "sizes are never negative");
    return 0;
}
