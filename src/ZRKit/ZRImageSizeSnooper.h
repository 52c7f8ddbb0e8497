#pragma once

#include <QByteArray>
#include <QSizeF>

/*! Reads an image's pixel size from its file header without decoding the image: JPEG, PNG and GIF.
    Answers the zero size for anything else, and for data that ends before the size. Never reads a
    byte beyond the data. Safe from any thread. */
class ZRImageSizeSnooper {
public:
    static QSizeF cgSizeOfImageData(const QByteArray& data);
    static QSizeF cgSizeOfJPEGData(const QByteArray& data);
    static QSizeF sizeOfImageData(const QByteArray& data) { return cgSizeOfImageData(data); }
    static QSizeF sizeOfJPEGData(const QByteArray& data) { return cgSizeOfJPEGData(data); }
};
