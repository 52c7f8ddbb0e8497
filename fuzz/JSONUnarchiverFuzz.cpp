// Archives from outside: reading never crashes or creates an unregistered class, and what was read
// archives again and reads back to the same value.
#include "FuzzSupport.h"
#include "ZRKit/ZRJSONArchiver.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QVariant value = ZRJSONUnarchiver::unarchiveObjectWithData(FuzzSupport::bytes(data, size));
    if (!value.isValid())
        return 0;
    const auto archived = ZRJSONArchiver::archivedDataWithRootObject(value);
    if (!archived)
        return 0; // e.g. a JSON null inside: nothing archives it
    const QVariant again = ZRJSONUnarchiver::unarchiveObjectWithData(*archived);
    const auto archivedAgain = ZRJSONArchiver::archivedDataWithRootObject(again);
    FuzzSupport::check(archivedAgain.has_value() && *archivedAgain == *archived,
                       "a read archive round-trips");
    return 0;
}
