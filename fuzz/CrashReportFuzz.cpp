// Crash reports read on the next start (written by the crash handler, but a file on disk all the same):
// reading never crashes, and the frames of any report, against any memory map, come out as well-formed
// stack frames, one per address.
#include "FuzzSupport.h"
#include "Platform/CrashHandler.h"
#include "Platform/StackFrames.h"

#include <QJsonArray>
#include <QJsonObject>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Platform::ModuleMap ours = Platform::ModuleMap::current();
    QString error;
    const auto report = Platform::CrashReport::parse(FuzzSupport::bytes(data, size), &error);
    if (!report) {
        FuzzSupport::check(!error.isEmpty(), "a refused report says why");
        return 0;
    }
    FuzzSupport::check(report->frames.size() <= 128, "at most 128 frames");
    const QJsonArray frames =
        Platform::stackFrames(report->frames, Platform::ModuleMap::parse(report->maps), ours);
    FuzzSupport::check(frames.size() == report->frames.size(), "one stack frame per address");
    for (const QJsonValue& frame : frames)
        FuzzSupport::check(frame.toObject()
                               .value(QStringLiteral("instruction_addr"))
                               .toString()
                               .startsWith(QStringLiteral("0x")),
                           "every frame has its address");
    Platform::CrashReport::signalName(report->signal);
    return 0;
}
