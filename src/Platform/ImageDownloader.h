#pragma once

#include "Platform/Error.h"
#include "Platform/HttpMessage.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QUuid>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace Platform {

/*! An in-memory cache of decoded images by request URL, bounded by the bytes the images hold; the least
    recently used images go first. */
class ImageCache {
public:
    explicit ImageCache(qsizetype maximumBytes = 20 * 1024 * 1024);

    /*! The image kept for the request's URL (and the identifier, when given), or a null image. */
    QImage imageForRequest(const HttpRequest& request, const QString& additionalIdentifier = {});
    void addImage(const QImage& image, const HttpRequest& request, const QString& additionalIdentifier = {});
    void removeAllImages();
    qsizetype count() const { return m_images.count(); }
    qsizetype totalBytes() const { return m_images.totalCost(); }

private:
    static QString key(const HttpRequest& request, const QString& additionalIdentifier);
    QCache<QString, QImage> m_images;
};

/*! A download that a caller waits for; cancelling it needs the receipt. */
struct ImageDownloadReceipt {
    QUuid receiptID;
    /*! The request that started the download this receipt waits on. */
    HttpRequest request;
};

/*! Downloads images over http and https: one download per URL in flight however many callers wait for
    it, each caller told apart by the receipt identifier it chose; results go into an in-memory cache.
    Every handler is called once, on a later turn of the GUI thread's event loop. GUI thread only. */
class ImageDownloader final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageDownloader)

public:
    using Success = std::function<void(const HttpRequest& request,
                                       const std::optional<HttpResponse>& response, const QImage& image)>;
    using Failure = std::function<void(const HttpRequest& request,
                                       const std::optional<HttpResponse>& response, const Error& error)>;

    /*! Answers larger than this fail without being decoded. */
    static constexpr qsizetype maximumImageBytes = 4 * 1024 * 1024;
    /*! Images wider or taller than this fail without being decoded. */
    static constexpr int maximumImageDimension = 1024;

    explicit ImageDownloader(QObject* parent = nullptr);
    ~ImageDownloader() override;

    /*! The downloader that the menus share. */
    static ImageDownloader& defaultInstance();

    ImageCache& imageCache() { return m_cache; }

    /*! Answers from the cache on a later turn, joins a download of the same URL in flight, or starts one.
        A URL that is neither http nor https fails with URLErrorDomain's UnsupportedURL and nothing is
        requested. The answer is the receipt, or nothing when the answer came from the cache or the
        request was refused. */
    std::optional<ImageDownloadReceipt> downloadImage(const HttpRequest& request, const QUuid& receiptID,
                                                      Success success, Failure failure);
    /*! Stops waiting: the receipt's failure handler gets the cancellation error on a later turn, and the
        download itself stops when nobody else waits for it. */
    void cancelTask(const ImageDownloadReceipt& receipt);

    /*! Downloads in flight (one per URL). */
    qsizetype activeDownloadCount() const { return m_downloads.size(); }

private:
    struct Handler {
        QUuid receiptID;
        Success success;
        Failure failure;
    };
    struct Download {
        HttpRequest request;
        QNetworkReply* reply = nullptr;
        QList<Handler> handlers;
    };

    void finish(const QString& key, QNetworkReply* reply);
    static void later(QObject* context, std::function<void()> function);

    QNetworkAccessManager* m_network;
    ImageCache m_cache;
    QHash<QString, Download> m_downloads;
};

} // namespace Platform
