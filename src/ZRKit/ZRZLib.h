#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/*! Whole-buffer and file-to-file gzip and zlib coding over the system zlib. Decoded output is capped
    (MaximumInflatedSize) and repeated decoding stops after MaximumInflatePasses, so that a decompression
    bomb or an archive that decodes to itself ends as a failure rather than exhausting the machine. */
namespace ZRZLib {

/*! No decoded buffer or file grows beyond this many bytes. */
inline constexpr qsizetype MaximumInflatedSize = qsizetype(64) * 1024 * 1024;
/*! Repeated decoding gives up after this many gzip layers. */
inline constexpr int MaximumInflatePasses = 8;

/*! The first three bytes that mark gzip data (identification and the deflate method). */
bool hasGzipMagic(const QByteArray& data);

/*! Decodes gzip layer by layer while the data is at least 4 bytes long and begins with the gzip magic.
    Data that is not gzip comes back unchanged (shared with the argument). std::nullopt when a layer does
    not decode, a layer's output would exceed maximumSize, or there are more layers than the pass limit. */
std::optional<QByteArray> inflateGzipWhilePossible(const QByteArray& data,
                                                   qsizetype maximumSize = MaximumInflatedSize);

/*! The first gzip member decoded (bytes after its end are ignored); empty data comes back unchanged.
    std::nullopt on a decoder error, a truncated stream or output beyond maximumSize. */
std::optional<QByteArray> inflateGzip(const QByteArray& data, qsizetype maximumSize = MaximumInflatedSize);
/*! The same for a zlib-format stream. */
std::optional<QByteArray> inflate(const QByteArray& data, qsizetype maximumSize = MaximumInflatedSize);
/*! zlib-format compression at the default level; empty data comes back unchanged. */
std::optional<QByteArray> deflate(const QByteArray& data);
/*! gzip compression at the default level (what the update server sends). */
std::optional<QByteArray> gzip(const QByteArray& data);

/*! One gzip member from file to file. Both paths must be non-empty, the source an existing file and the
    destination free (programming errors otherwise). NO on any read, decode or write failure, on a
    source that ends early and on output beyond the cap; a failed destination is removed. */
bool inflateGzipAtPath(const QString& fromPath, const QString& toPath);
/*! Decodes layer after layer into toPath (earlier layers stay in the temporary folder as
    "<pass>_<name>"). A source that is not gzip gives YES and no destination. NO past the pass limit. */
bool inflateGzipWhilePossibleAtPath(const QString& fromPath, const QString& toPath);

} // namespace ZRZLib
