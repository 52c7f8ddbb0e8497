// The kernel's mount table as the start-from-disk-image check reads it: every entry has an absolute mount
// point, and the entry found for a path contains that path.
#include "FuzzSupport.h"
#include "Platform/MountTable.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    const QList<Platform::MountTable::Entry> table = Platform::MountTable::parse(bytes);
    for (const Platform::MountTable::Entry& entry : table)
        FuzzSupport::check(entry.mountPoint.startsWith(QLatin1Char('/')), "mount points are absolute");
    for (const QString& path : {QStringLiteral("/"), QStringLiteral("/media/image/Corvantide.app")}) {
        if (const auto entry = Platform::MountTable::entryForPath(table, path))
            FuzzSupport::check(entry->mountPoint == QLatin1String("/") || path == entry->mountPoint ||
                                   path.startsWith(entry->mountPoint + QLatin1Char('/')),
                               "the entry for a path contains it");
    }
    return 0;
}
