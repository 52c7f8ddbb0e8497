#include "ZRKit/ZRImageSizeSnooper.h"

#include <cstring>
#include <optional>

namespace {

const unsigned char PngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
const unsigned char PngHeaderChunkHead[8] = {0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52};

/*! Bounds-checked reads: every accessor answers nothing when a byte it needs lies outside the data. */
class ByteReader {
public:
    explicit ByteReader(const QByteArray& data)
        : m_bytes(reinterpret_cast<const unsigned char*>(data.constData()))
        , m_size(static_cast<size_t>(data.size())) {}

    size_t size() const { return m_size; }
    bool has(size_t offset, size_t count) const { return offset <= m_size && count <= m_size - offset; }

    std::optional<unsigned char> byte(size_t offset) const {
        if (!has(offset, 1))
            return std::nullopt;
        return m_bytes[offset];
    }
    std::optional<quint32> bigEndian16(size_t offset) const {
        if (!has(offset, 2))
            return std::nullopt;
        return quint32(m_bytes[offset]) << 8 | m_bytes[offset + 1];
    }
    std::optional<quint32> littleEndian16(size_t offset) const {
        if (!has(offset, 2))
            return std::nullopt;
        return quint32(m_bytes[offset + 1]) << 8 | m_bytes[offset];
    }
    std::optional<quint32> bigEndian32(size_t offset) const {
        if (!has(offset, 4))
            return std::nullopt;
        return quint32(m_bytes[offset]) << 24 | quint32(m_bytes[offset + 1]) << 16 |
               quint32(m_bytes[offset + 2]) << 8 | m_bytes[offset + 3];
    }
    bool matches(size_t offset, const void* bytes, size_t count) const {
        return has(offset, count) && std::memcmp(m_bytes + offset, bytes, count) == 0;
    }

private:
    const unsigned char* m_bytes;
    size_t m_size;
};

} // namespace

QSizeF ZRImageSizeSnooper::cgSizeOfImageData(const QByteArray& data) {
    const ByteReader reader(data);
    if (reader.size() == 0)
        return {0, 0};
    if (reader.byte(0) == 0xFF && reader.byte(1) == 0xD8)
        return cgSizeOfJPEGData(data);
    if (reader.size() >= 33 && reader.matches(0, PngSignature, 8) &&
        reader.matches(8, PngHeaderChunkHead, 8)) {
        const auto width = reader.bigEndian32(16);
        const auto height = reader.bigEndian32(20);
        if (width && height)
            return QSizeF(*width, *height);
        return {0, 0};
    }
    if (reader.size() >= 10 && (reader.matches(0, "GIF87a", 6) || reader.matches(0, "GIF89a", 6))) {
        const auto width = reader.littleEndian16(6);
        const auto height = reader.littleEndian16(8);
        if (width && height)
            return QSizeF(*width, *height);
    }
    return {0, 0};
}

QSizeF ZRImageSizeSnooper::cgSizeOfJPEGData(const QByteArray& data) {
    const ByteReader reader(data);
    size_t offset = 2;
    while (true) {
        // Up to the next marker prefix, then past any fill bytes to the marker itself.
        while (reader.byte(offset) && *reader.byte(offset) != 0xFF)
            ++offset;
        while (reader.byte(offset) == 0xFF)
            ++offset;
        const auto marker = reader.byte(offset);
        if (!marker)
            return {0, 0};
        if (*marker >= 0xC0 && *marker <= 0xC3) {
            const auto height = reader.bigEndian16(offset + 4);
            const auto width = reader.bigEndian16(offset + 6);
            if (width && height)
                return QSizeF(*width, *height);
            return {0, 0};
        }
        const auto length = reader.bigEndian16(offset + 1);
        if (!length)
            return {0, 0};
        offset += 1 + *length;
    }
}
