// Bytes arriving on the sandbox service's socket: framing never overreads or accepts an oversized
// message, every request the service would act on survives encoding and decoding unchanged, and the
// client's reply readers take whatever comes.
#include "FuzzSupport.h"
#include "Platform/XPCWire.h"
#include "ZRUpdater/ZRUpdaterSandboxServiceProtocol.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ZRUpdaterSandboxServiceMessages;
    const QByteArray input = FuzzSupport::bytes(data, size);
    Platform::XPCWire::FrameReader reader;
    // Delivered in uneven pieces, as a socket may hand them over.
    for (qsizetype offset = 0, step = 1; offset < input.size(); offset += step, step = step * 2 + 1)
        reader.append(input.mid(offset, step));
    QCborMap message;
    int messages = 0;
    while (reader.next(&message) == Platform::XPCWire::FrameReader::Status::Message) {
        ++messages;
        FuzzSupport::check(!Platform::XPCWire::frame(message).isEmpty() ||
                               message.toCborValue().toCbor().size() > Platform::XPCWire::MaximumMessageSize,
                           "a message that fits is framed again");
        QString error;
        if (const std::optional<Request> request = decodeRequest(message, &error)) {
            const std::optional<Request> again = decodeRequest(encodeRequest(*request), &error);
            FuzzSupport::check(again.has_value() && *again == *request, "a request reads back unchanged");
        } else {
            FuzzSupport::check(!error.isEmpty(), "a refused request says why");
        }
        bool success = false;
        Platform::OptionalError replyError;
        qint32 status = 0;
        decodeSuccessReply(message, &success, &replyError);
        decodeStatusReply(message, &status);
        decodeEmptyReply(message);
        Platform::XPCWire::errorInReply(message);
    }
    FuzzSupport::check(messages <= int(input.size() / 5) + 1, "no message without its bytes");
    return 0;
}
