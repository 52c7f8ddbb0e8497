// Writing kit images to files.
#include "ZRKit/UI/ZRImage.h"

#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

namespace {

bool writeBitmap(const QImage& bitmap, const QString& path, const char* format, int quality) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, format);
    writer.setQuality(quality);
    if (!writer.write(bitmap)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

bool ZRImage::writeAsJPEGToPath(const QString& path) const {
    if (m_representations.isEmpty())
        return false;
    // JPEG has no transparency: transparent parts become white rather than black.
    const QImage& source = m_representations.first().bitmap;
    QImage flattened(source.size(), QImage::Format_RGB32);
    flattened.fill(Qt::white);
    QPainter(&flattened).drawImage(0, 0, source);
    return writeBitmap(flattened, path, "jpeg", 80);
}

bool ZRImage::writeAsPNGToPath(const QString& path) const {
    if (m_representations.isEmpty())
        return false;
    return writeBitmap(m_representations.first().bitmap, path, "png", -1);
}
