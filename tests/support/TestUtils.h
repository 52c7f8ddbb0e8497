#pragma once

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>

#include <functional>

namespace TestUtils {

/*! Runs the event loop until the condition holds or the time is up; answers the condition. */
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

/*! Runs pending events for the given time. */
inline void spin(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

/*! Writes the file whole, making its folder first; answers whether it worked. */
inline bool writeFile(const QString& path, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

inline QString sourcePath(const QString& relative) {
    return QStringLiteral(CORVANTIDE_SOURCE_DIR "/") + relative;
}

/*! A square PNG image of one colour, as a server would send it. */
inline QByteArray pngImage(int side, const QColor& color) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace TestUtils
