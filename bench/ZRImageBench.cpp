// The header sniffing of the image-size snooper against Qt's image reader (which also only reads the
// header), and the kit's 16 x 16 icon scaling against a plain QImage::scaled. Compare the pairs' times.
#include "ZRKit/UI/ZRImage.h"
#include "ZRKit/ZRImageSizeSnooper.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <benchmark/benchmark.h>

namespace {

QByteArray encoded(const char* format) {
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

void readerSize(benchmark::State& state, const char* format) {
    const QByteArray data = encoded(format);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        benchmark::DoNotOptimize(reader.size());
    }
}

void snooperSize(benchmark::State& state, const char* format) {
    const QByteArray data = encoded(format);
    for (auto _ : state)
        benchmark::DoNotOptimize(ZRImageSizeSnooper::cgSizeOfImageData(data));
}

void BM_BaselineQImageReaderJpeg(benchmark::State& state) {
    readerSize(state, "jpeg");
}
void BM_SnooperJpeg(benchmark::State& state) {
    snooperSize(state, "jpeg");
}
void BM_BaselineQImageReaderPng(benchmark::State& state) {
    readerSize(state, "png");
}
void BM_SnooperPng(benchmark::State& state) {
    snooperSize(state, "png");
}

QImage statusIcon() {
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    return image;
}

void BM_BaselineQImageScaled16(benchmark::State& state) {
    const QImage image = statusIcon();
    for (auto _ : state)
        benchmark::DoNotOptimize(image.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void BM_ScaledImageWithSize16(benchmark::State& state) {
    const ZRImage image = ZRImage::fromBitmap(statusIcon());
    for (auto _ : state)
        benchmark::DoNotOptimize(image.scaledImageWithSize(QSizeF(16, 16)));
}

} // namespace

BENCHMARK(BM_BaselineQImageReaderJpeg);
BENCHMARK(BM_SnooperJpeg);
BENCHMARK(BM_BaselineQImageReaderPng);
BENCHMARK(BM_SnooperPng);
BENCHMARK(BM_BaselineQImageScaled16);
BENCHMARK(BM_ScaledImageWithSize16);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
