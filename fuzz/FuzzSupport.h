#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Shared set-up for the fuzz targets: a Qt application object on the offscreen platform, the built
// Corvantide.app as main bundle, and throw-away XDG folders, made once per process.
namespace FuzzSupport {

// Call from LLVMFuzzerInitialize (or at the top of each input; only the first call does work).
void initialize();

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QString text(const uint8_t* data, size_t size) {
    return QString::fromUtf8(bytes(data, size));
}

// A folder of this process that the target may write into (emptied by nobody; files are overwritten).
QString scratchFolder();

// Writes the bytes whole to the path (replacing the file); false when that did not work.
bool writeFile(const QString& path, const QByteArray& bytes);

// Aborts (a finding for libFuzzer) when the condition does not hold; message goes to stderr first.
void check(bool condition, const char* what);

} // namespace FuzzSupport
