// Property lists from outside (the bundle's Info.plist and defaults, state mappings, release notes of a
// build): reading never crashes, and what is written once reads back to the same document.
#include "FuzzSupport.h"
#include "Platform/PropertyList.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString error;
    const QVariant value = Platform::PropertyList::read(FuzzSupport::bytes(data, size), &error);
    if (!value.isValid())
        return 0;
    const QByteArray written = Platform::PropertyList::write(value, &error);
    if (written.isEmpty())
        return 0; // a value without a property-list form (refused with a message) is fine
    const QVariant reread = Platform::PropertyList::read(written, &error);
    FuzzSupport::check(reread.isValid(), "a written property list reads back");
    FuzzSupport::check(Platform::PropertyList::write(reread) == written, "writing is stable after one pass");
    return 0;
}
