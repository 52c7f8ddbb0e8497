// Socket addresses and queries from the network: every length and family is handled without reading
// past the data, and a written address names a port.
#include "FuzzSupport.h"
#include "ZRKit/ZRURLExtensions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    if (const auto text = ZRURL::URLStringFromSockAddrData(bytes, QStringLiteral("http")))
        FuzzSupport::check(text->startsWith(QStringLiteral("http://")) && text->contains(QLatin1Char(':')),
                           "an address string has a scheme and a port");
    ZRURL::sockAddrDataFromSystemAddress(bytes.constData(), static_cast<size_t>(bytes.size()));
    ZRURL::parsedQuery(QUrl(QStringLiteral("http://h/?") + QString::fromUtf8(bytes)));
    return 0;
}
