// Envelopes read back from the crash reporter's outbox (and by the stand-in's sink): reading never
// crashes, and what is written from a read envelope reads back to the same items.
#include "FuzzSupport.h"
#include "Platform/SentryEnvelope.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString error;
    const auto envelope = Platform::SentryEnvelope::parse(FuzzSupport::bytes(data, size), &error);
    if (!envelope) {
        FuzzSupport::check(!error.isEmpty(), "a refused envelope says why");
        return 0;
    }
    const QByteArray written = envelope->serialized();
    const auto reread = Platform::SentryEnvelope::parse(written, &error);
    FuzzSupport::check(reread.has_value(), "a written envelope reads back");
    FuzzSupport::check(reread->items.size() == envelope->items.size(), "the same number of items");
    for (qsizetype i = 0; i < envelope->items.size(); ++i) {
        FuzzSupport::check(reread->items[i].payload == envelope->items[i].payload, "the same payloads");
        FuzzSupport::check(reread->items[i].type() == envelope->items[i].type(), "the same item types");
    }
    FuzzSupport::check(reread->serialized() == written, "writing is stable after one pass");
    envelope->categories();
    return 0;
}
