// The file name the update server suggests for its archive (Content-Disposition or the address's last
// segment): whatever comes in, what is used is one plain file name the file system takes, or nothing.
#include "FuzzSupport.h"
#include "ZRUpdater/ZRUpdater.h"

#include <QFile>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString name = ZRUpdater::safeDownloadFileName(FuzzSupport::text(data, size));
    if (name.isEmpty())
        return 0;
    FuzzSupport::check(name.toUtf8().size() <= 255, "at most 255 bytes");
    FuzzSupport::check(!name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('.')),
                       "one visible name, no folder");
    for (const QChar c : name)
        FuzzSupport::check(c.unicode() >= 0x20 && !(c.unicode() >= 0x7f && c.unicode() <= 0x9f) &&
                               c != QChar::LineSeparator && c != QChar::ParagraphSeparator,
                           "no control character or line break");
    FuzzSupport::check(QString::fromUtf8(name.toUtf8()) == name, "cut between characters");
    return 0;
}
