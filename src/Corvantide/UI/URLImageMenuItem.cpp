#include "URLImageMenuItem.h"

#include "Platform/HttpSession.h"
#include "Platform/WebURL.h"

#include <QCache>
#include <QPixmap>
#include <QPointer>

URLImageMenuItem::URLImageMenuItem(const QString& title, QObject* parent)
    : QAction(title, parent) {}

URLImageMenuItem::~URLImageMenuItem() = default;

namespace {
// Icons that scaledIcon made: setting one of them again needs no second scaling (every menu rebuild sets
// the same few status icons on hundreds of rows).
QCache<qint64, bool>& scaledIconKeys() {
    static QCache<qint64, bool> keys(4096);
    return keys;
}

// Downloaded images scaled once per image (copies of one image share its key).
QCache<qint64, QIcon>& scaledImages() {
    static QCache<qint64, QIcon> icons(256);
    return icons;
}
} // namespace

QIcon URLImageMenuItem::scaledIcon(const QIcon& icon) {
    if (icon.isNull())
        return {};
    if (scaledIconKeys().contains(icon.cacheKey()))
        return icon;
    QIcon scaled;
    for (int scale : {1, 2}) {
        QPixmap pixmap = icon.pixmap(QSize(imageSize, imageSize), qreal(scale));
        if (pixmap.isNull())
            continue;
        if (pixmap.deviceIndependentSize() != QSizeF(imageSize, imageSize)) {
            pixmap = pixmap.scaled(imageSize * scale, imageSize * scale, Qt::IgnoreAspectRatio,
                                   Qt::SmoothTransformation);
            pixmap.setDevicePixelRatio(scale);
        }
        scaled.addPixmap(pixmap);
    }
    if (!scaled.isNull())
        scaledIconKeys().insert(scaled.cacheKey(), new bool(true));
    return scaled;
}

void URLImageMenuItem::setImage(const QIcon& image) {
    if (!image.isNull())
        setIcon(scaledIcon(image));
}

void URLImageMenuItem::setImage(const QImage& image) {
    if (image.isNull())
        return;
    if (const QIcon* scaled = scaledImages().object(image.cacheKey())) {
        setIcon(*scaled);
        return;
    }
    const QIcon scaled = scaledIcon(QIcon(QPixmap::fromImage(image)));
    scaledImages().insert(image.cacheKey(), new QIcon(scaled));
    setIcon(scaled);
}

void URLImageMenuItem::setImage(const Platform::HttpRequest& request, const QIcon& placeholder,
                                Platform::ImageDownloader::Success success,
                                Platform::ImageDownloader::Failure failure) {
    // Only web addresses are downloaded; anything else keeps the placeholder.
    if (request.url.isEmpty() || !Platform::isWebURL(request.url)) {
        setImage(placeholder);
        if (failure) {
            const bool missing = request.url.isEmpty();
            failure(request, std::nullopt,
                    Platform::Error(Platform::HttpSession::URLErrorDomain,
                                    missing ? Platform::HttpSession::BadURL
                                            : Platform::HttpSession::UnsupportedURL,
                                    missing ? QStringLiteral("bad URL") : QStringLiteral("unsupported URL")));
        }
        return;
    }

    if (m_activeImageDownloadReceipt && m_activeImageDownloadReceipt->request.url.toString(
                                            QUrl::FullyEncoded) == request.url.toString(QUrl::FullyEncoded))
        return;

    Platform::ImageDownloader& downloader = Platform::ImageDownloader::defaultInstance();
    if (m_activeImageDownloadReceipt) {
        downloader.cancelTask(*m_activeImageDownloadReceipt);
        m_activeImageDownloadReceipt.reset();
    }

    const QImage cached = downloader.imageCache().imageForRequest(request);
    if (!cached.isNull()) {
        if (success)
            success(request, std::nullopt, cached);
        else
            setImage(cached);
        m_activeImageDownloadReceipt.reset();
        return;
    }

    setImage(placeholder);

    const QUuid receiptID = QUuid::createUuid();
    QPointer<URLImageMenuItem> item(this);
    const auto isCurrent = [item, receiptID] {
        return item && item->m_activeImageDownloadReceipt &&
               item->m_activeImageDownloadReceipt->receiptID == receiptID;
    };
    m_activeImageDownloadReceipt = downloader.downloadImage(
        request, receiptID,
        [item, isCurrent, success](const Platform::HttpRequest& request,
                                   const std::optional<Platform::HttpResponse>& response,
                                   const QImage& image) {
            if (!isCurrent())
                return;
            if (success)
                success(request, response, image);
            else
                item->setImage(image);
            item->m_activeImageDownloadReceipt.reset();
        },
        [item, isCurrent, failure](const Platform::HttpRequest& request,
                                   const std::optional<Platform::HttpResponse>& response,
                                   const Platform::Error& error) {
            if (!isCurrent())
                return;
            if (failure)
                failure(request, response, error);
            item->m_activeImageDownloadReceipt.reset();
        });
}
