// The crash reporter's session file of the last run (a file on disk, so it may be cut short or changed):
// reading never crashes, and a session it accepts has everything a session update must carry.
#include "FuzzSupport.h"
#include "Platform/CrashReporterClient.h"

#include <QDateTime>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString error;
    const auto session =
        Platform::CrashReporterClient::parseSessionFile(FuzzSupport::bytes(data, size), &error);
    if (!session) {
        FuzzSupport::check(!error.isEmpty(), "a refused file says why");
        return 0;
    }
    FuzzSupport::check(!session->sid.isEmpty(), "a session id");
    FuzzSupport::check(QDateTime::fromString(session->started, Qt::ISODateWithMs).isValid(), "a start time");
    FuzzSupport::check(QDateTime::fromString(session->timestamp, Qt::ISODateWithMs).isValid(), "a time");
    FuzzSupport::check(!session->release.isEmpty(), "a release");
    FuzzSupport::check(session->errors >= 0, "a count of errors");
    return 0;
}
