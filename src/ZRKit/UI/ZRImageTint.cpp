// Accent-colour tinting of named images and its cache.
#include "ZRKit/UI/ZRImage.h"

#include "Platform/Assert.h"
#include "Platform/MainThread.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace {

QString effectiveAppearanceName() {
    const QPalette palette = qGuiApp ? QGuiApplication::palette() : QPalette();
    return palette.color(QPalette::Window).lightness() < 128 ? QStringLiteral("dark")
                                                             : QStringLiteral("light");
}

} // namespace

ZRImage ZRImage::zr_imageTintedWithAccentColorAddSystemEffect(ZRColorSystemEffect effect) const {
    Platform::assertMainThread();
    Platform::parameterAssert(!m_name.isEmpty(), "Need image name");
    QColor color = ZRColor::zr_controlAccentColor();
    if (effect != ZRColorSystemEffect::None)
        color = ZRColor::zr_colorWithSystemEffect(color, effect);
    const QString key = QStringLiteral("%1-%2-%3-%4")
                            .arg(m_name, ZRColor::hexadecimalStringValue(color))
                            .arg(static_cast<long>(effect))
                            .arg(effectiveAppearanceName());
    QHash<QString, ZRImage>& cache = zr_imageCache();
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd())
        return *cached;
    // Drawn as a template: the image's alpha is the mask, the colour its only ink.
    ZRImage tinted = imageWithCanvas(m_size, [&](ZRGraphicsContext& context) {
        drawInRect(context, QRectF(QPointF(0, 0), m_size));
        context.painter().setCompositionMode(QPainter::CompositionMode_SourceIn);
        context.fillRect(QRectF(QPointF(0, 0), m_size), color);
    });
    cache.insert(key, tinted);
    return tinted;
}

ZRImage ZRImage::zr_imageNamedTintedWithAccentColorAddSystemEffect(const QString& name,
                                                                   ZRColorSystemEffect effect) {
    const ZRImage image = imageNamed(name);
    if (image.isNull())
        return {};
    return image.zr_imageTintedWithAccentColorAddSystemEffect(effect);
}

ZRImage ZRImage::zr_accentColorTintedImageNamed(const QString& name) {
    return zr_imageNamedTintedWithAccentColorAddSystemEffect(name, ZRColorSystemEffect::None);
}

QHash<QString, ZRImage>& ZRImage::zr_imageCache() {
    static QHash<QString, ZRImage> cache;
    return cache;
}
