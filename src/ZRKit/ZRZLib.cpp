#include "ZRKit/ZRZLib.h"

#include "Platform/Assert.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zlib.h>

namespace ZRZLib {

namespace {

constexpr int GzipWindowBits = 31; // 15-bit window, gzip wrapper only
constexpr qsizetype ChunkSize = 16384;

std::optional<QByteArray> inflateBuffer(const QByteArray& data, int windowBits, qsizetype maximumSize) {
    if (data.isEmpty())
        return data;
    const qsizetype length = data.size();
    const qsizetype step = std::max<qsizetype>(length / 2, 1);
    QByteArray output;
    output.resize(std::min(length + length / 2, maximumSize + 1));

    z_stream stream{};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(std::min<qsizetype>(length, UINT_MAX));
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return std::nullopt;

    int status = Z_OK;
    while (status == Z_OK) {
        const qsizetype produced = static_cast<qsizetype>(stream.total_out);
        if (produced > maximumSize)
            break;
        if (produced >= output.size())
            output.resize(std::min(output.size() + step, maximumSize + 1));
        stream.next_out = reinterpret_cast<Bytef*>(output.data()) + produced;
        stream.avail_out = static_cast<uInt>(std::min<qsizetype>(output.size() - produced, UINT_MAX));
        status = ::inflate(&stream, Z_SYNC_FLUSH);
    }
    const qsizetype produced = static_cast<qsizetype>(stream.total_out);
    const bool ended = status == Z_STREAM_END && produced <= maximumSize;
    if (inflateEnd(&stream) != Z_OK || !ended)
        return std::nullopt;
    output.truncate(produced);
    return output;
}

std::optional<QByteArray> deflateBuffer(const QByteArray& data, int windowBits) {
    if (data.isEmpty())
        return data;
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    QByteArray output;
    int status = Z_OK;
    do {
        const qsizetype produced = static_cast<qsizetype>(stream.total_out);
        if (produced >= output.size())
            output.resize(output.size() + ChunkSize);
        stream.next_out = reinterpret_cast<Bytef*>(output.data()) + produced;
        stream.avail_out = static_cast<uInt>(output.size() - produced);
        status = ::deflate(&stream, Z_FINISH);
    } while (status == Z_OK || (status == Z_BUF_ERROR && stream.avail_out == 0));
    const qsizetype produced = static_cast<qsizetype>(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    output.truncate(produced);
    return output;
}

QByteArray firstBytes(const QString& path, qint64 count) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(count) : QByteArray();
}

} // namespace

bool hasGzipMagic(const QByteArray& data) {
    return data.size() >= 3 && data.startsWith(QByteArrayLiteral("\x1f\x8b\x08"));
}

std::optional<QByteArray> inflateGzipWhilePossible(const QByteArray& data, qsizetype maximumSize) {
    QByteArray current = data;
    int passes = 0;
    while (current.size() >= 4 && hasGzipMagic(current)) {
        if (++passes > MaximumInflatePasses)
            return std::nullopt;
        auto next = inflateGzip(current, maximumSize);
        if (!next)
            return std::nullopt;
        current = std::move(*next);
    }
    return current;
}

std::optional<QByteArray> inflateGzip(const QByteArray& data, qsizetype maximumSize) {
    return inflateBuffer(data, GzipWindowBits, maximumSize);
}

std::optional<QByteArray> inflate(const QByteArray& data, qsizetype maximumSize) {
    return inflateBuffer(data, MAX_WBITS, maximumSize);
}

std::optional<QByteArray> deflate(const QByteArray& data) {
    return deflateBuffer(data, MAX_WBITS);
}

std::optional<QByteArray> gzip(const QByteArray& data) {
    return deflateBuffer(data, GzipWindowBits);
}

bool inflateGzipAtPath(const QString& fromPath, const QString& toPath) {
    Platform::parameterAssert(0 < fromPath.length(), "0 < [inFromPath length]");
    Platform::parameterAssert(0 < toPath.length(), "0 < [inToPath length]");
    const QFileInfo source(fromPath);
    if (!source.exists() || source.isDir())
        Platform::invalidParameter(
            QStringLiteral("File must exists and must not be a dir at %1").arg(fromPath));
    if (QFileInfo::exists(toPath))
        Platform::invalidParameter(QStringLiteral("File must not exists at %1").arg(toPath));

    QFile input(fromPath);
    QFile output(toPath);
    if (!input.open(QIODevice::ReadOnly))
        return false;
    if (!output.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    z_stream stream{};
    if (inflateInit2(&stream, GzipWindowBits) != Z_OK) {
        output.remove();
        return false;
    }
    QByteArray in(ChunkSize, Qt::Uninitialized);
    QByteArray out(ChunkSize, Qt::Uninitialized);
    bool ok = false;
    bool failed = false;
    while (!ok && !failed) {
        const qint64 read = input.read(in.data(), ChunkSize);
        if (read <= 0) {
            failed = true; // a read error, or the source ended before the stream did
            break;
        }
        stream.next_in = reinterpret_cast<Bytef*>(in.data());
        stream.avail_in = static_cast<uInt>(read);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = static_cast<uInt>(ChunkSize);
            const int status = ::inflate(&stream, Z_SYNC_FLUSH);
            if (status == Z_NEED_DICT || status == Z_DATA_ERROR || status == Z_MEM_ERROR ||
                status == Z_STREAM_ERROR) {
                failed = true;
                break;
            }
            const qint64 have = ChunkSize - stream.avail_out;
            if (output.write(out.constData(), have) != have ||
                static_cast<qsizetype>(stream.total_out) > MaximumInflatedSize) {
                failed = true;
                break;
            }
            if (status == Z_STREAM_END) {
                ok = true;
                break;
            }
            if (status == Z_BUF_ERROR && stream.avail_out != 0)
                break; // wants more input
        } while (stream.avail_out == 0);
    }
    inflateEnd(&stream);
    input.close();
    if (!output.flush())
        ok = false;
    output.close();
    if (!ok)
        output.remove();
    return ok;
}

bool inflateGzipWhilePossibleAtPath(const QString& fromPath, const QString& toPath) {
    QString source = fromPath;
    QByteArray head = firstBytes(source, 3);
    int pass = 0;
    while (hasGzipMagic(head)) {
        if (pass >= MaximumInflatePasses)
            return false;
        if (pass > 0) {
            const QString moved = QDir::temp().filePath(
                QStringLiteral("%1_%2").arg(pass - 1).arg(QFileInfo(toPath).fileName()));
            QFile::remove(moved);
            if (!QFile::rename(toPath, moved))
                return false;
            source = moved;
        }
        if (!inflateGzipAtPath(source, toPath))
            return false;
        ++pass;
        head = firstBytes(toPath, 3);
    }
    return true;
}

} // namespace ZRZLib
