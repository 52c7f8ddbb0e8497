// The registry of named images and the lookup by name.
#include "ZRKit/UI/ZRImage.h"

#include "Platform/Bundle.h"
#include "ZRKit/UI/ZRIconLookup.h"

#include <mutex>

namespace {

/*! Images registered by name; any thread may look them up. */
struct NamedImages {
    std::mutex mutex;
    QHash<QString, ZRImage> images;
};

NamedImages& namedImages() {
    static NamedImages registry;
    return registry;
}

} // namespace

ZRImage ZRImage::imageNamed(const QString& name) {
    if (name.isEmpty())
        return {};
    {
        NamedImages& registry = namedImages();
        const std::lock_guard lock(registry.mutex);
        const auto registered = registry.images.constFind(name);
        if (registered != registry.images.constEnd())
            return *registered;
    }
    ZRImage image;
    const Platform::Bundle bundle = Platform::Bundle::mainBundle();
    const QString png = bundle.pathForResource(QStringLiteral("images/") + name, QStringLiteral("png"));
    const QString svg = png.isEmpty()
                            ? bundle.pathForResource(QStringLiteral("images/") + name, QStringLiteral("svg"))
                            : QString();
    if (!png.isEmpty())
        image = fromBitmap(QImage(png));
    else if (!svg.isEmpty())
        image = ZRIconLookup::imageFromIcon(QIcon(svg));
    else
        image = ZRIconLookup::imageFromIcon(QIcon::fromTheme(name));
    if (!image.isNull())
        image.m_name = name;
    return image;
}

void ZRImage::setName(const QString& name) {
    NamedImages& registry = namedImages();
    const std::lock_guard lock(registry.mutex);
    if (!m_name.isEmpty())
        registry.images.remove(m_name);
    m_name = name;
    if (!name.isEmpty())
        registry.images.insert(name, *this);
}
