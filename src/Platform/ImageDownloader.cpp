#include "Platform/ImageDownloader.h"

#include "Platform/HttpSession.h"
#include "Platform/MainThread.h"
#include "Platform/WebURL.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <utility>

namespace Platform {

namespace {

Error urlError(int code, const QString& description) {
    return Error(HttpSession::URLErrorDomain, code, description);
}

std::optional<HttpResponse> responseOf(QNetworkReply* reply) {
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return std::nullopt;
    HttpResponse response;
    response.url = reply->url();
    response.statusCode = status.toInt();
    response.reasonPhrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        response.headers.append({name, value});
    return response;
}

} // namespace

ImageCache::ImageCache(qsizetype maximumBytes)
    : m_images(maximumBytes) {}

QString ImageCache::key(const HttpRequest& request, const QString& additionalIdentifier) {
    const QString url = request.url.toString(QUrl::FullyEncoded);
    return additionalIdentifier.isEmpty() ? url : url + QLatin1Char('@') + additionalIdentifier;
}

QImage ImageCache::imageForRequest(const HttpRequest& request, const QString& additionalIdentifier) {
    const QImage* image = m_images.object(key(request, additionalIdentifier));
    return image ? *image : QImage();
}

void ImageCache::addImage(const QImage& image, const HttpRequest& request,
                          const QString& additionalIdentifier) {
    if (image.isNull())
        return;
    m_images.insert(key(request, additionalIdentifier), new QImage(image),
                    qMax<qsizetype>(1, image.sizeInBytes()));
}

void ImageCache::removeAllImages() {
    m_images.clear();
}

ImageDownloader::ImageDownloader(QObject* parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this)) {
    // Redirects are followed only when they stay as safe as the request (never https to http).
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

ImageDownloader::~ImageDownloader() {
    // Waiting callers hear nothing more: their objects go with the downloader at process end.
    for (Download& download : m_downloads)
        if (download.reply) {
            download.reply->disconnect(this);
            download.reply->abort();
        }
}

namespace {

ImageDownloader* g_defaultInstance = nullptr;

// The network access manager runs a thread of its own, which must end before Qt is torn down.
void deleteDefaultInstance() {
    delete std::exchange(g_defaultInstance, nullptr);
}

} // namespace

ImageDownloader& ImageDownloader::defaultInstance() {
    assertMainThread();
    // Lives as long as the application object.
    if (g_defaultInstance == nullptr) {
        g_defaultInstance = new ImageDownloader();
        qAddPostRoutine(deleteDefaultInstance);
    }
    return *g_defaultInstance;
}

void ImageDownloader::later(QObject* context, std::function<void()> function) {
    QTimer::singleShot(0, context, std::move(function));
}

std::optional<ImageDownloadReceipt> ImageDownloader::downloadImage(const HttpRequest& request,
                                                                   const QUuid& receiptID, Success success,
                                                                   Failure failure) {
    assertMainThread();
    if (!isWebURL(request.url)) {
        if (failure)
            later(this, [request, failure] {
                failure(request, std::nullopt,
                        urlError(HttpSession::UnsupportedURL, QStringLiteral("unsupported URL")));
            });
        return std::nullopt;
    }

    const QImage cached = m_cache.imageForRequest(request);
    if (!cached.isNull()) {
        if (success)
            later(this, [request, success, cached] { success(request, std::nullopt, cached); });
        return std::nullopt;
    }

    const QString key = request.url.toString(QUrl::FullyEncoded);
    auto existing = m_downloads.find(key);
    if (existing != m_downloads.end()) {
        existing->handlers.append(Handler{receiptID, std::move(success), std::move(failure)});
        return ImageDownloadReceipt{receiptID, existing->request};
    }

    QNetworkRequest networkRequest(request.url);
    for (const auto& [name, value] : request.headers)
        networkRequest.setRawHeader(name, value);
    if (request.header("Accept").isEmpty())
        networkRequest.setRawHeader("Accept", "image/*");
    networkRequest.setTransferTimeout(request.timeoutMs);
    QNetworkReply* reply = m_network->get(networkRequest);
    // An answer that outgrows the limit is stopped as it arrives rather than read whole.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > maximumImageBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, key, reply] { finish(key, reply); });

    Download download{request, reply, {Handler{receiptID, std::move(success), std::move(failure)}}};
    m_downloads.insert(key, std::move(download));
    return ImageDownloadReceipt{receiptID, request};
}

void ImageDownloader::cancelTask(const ImageDownloadReceipt& receipt) {
    assertMainThread();
    const QString key = receipt.request.url.toString(QUrl::FullyEncoded);
    auto download = m_downloads.find(key);
    if (download == m_downloads.end())
        return;
    const qsizetype index = std::distance(
        download->handlers.cbegin(),
        std::find_if(download->handlers.cbegin(), download->handlers.cend(),
                     [&](const Handler& handler) { return handler.receiptID == receipt.receiptID; }));
    if (index >= download->handlers.size())
        return;
    const Handler handler = download->handlers.takeAt(index);
    if (handler.failure) {
        const HttpRequest request = download->request;
        later(this, [request, failure = handler.failure] {
            failure(request, std::nullopt, HttpSession::cancellationError(request.url));
        });
    }
    if (download->handlers.isEmpty()) {
        QNetworkReply* reply = download->reply;
        m_downloads.erase(download);
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void ImageDownloader::finish(const QString& key, QNetworkReply* reply) {
    reply->deleteLater();
    auto found = m_downloads.find(key);
    if (found == m_downloads.end() || found->reply != reply)
        return;
    const Download download = found.value();
    m_downloads.erase(found);

    const std::optional<HttpResponse> response = responseOf(reply);
    std::optional<Error> error;
    QImage image;
    const bool succeeded = response && response->statusCode >= 200 && response->statusCode <= 299;
    if (reply->error() != QNetworkReply::NoError && (!response || succeeded)) {
        const bool timedOut = reply->error() == QNetworkReply::OperationCanceledError;
        error = timedOut ? urlError(HttpSession::TimedOut, QStringLiteral("The request timed out."))
                         : urlError(HttpSession::Unknown, reply->errorString());
    } else if (!succeeded) {
        error =
            urlError(HttpSession::Unknown,
                     QStringLiteral("Request failed with status %1").arg(response ? response->statusCode : 0))
                .withHttpStatus(response ? response->statusCode : 0, {});
    } else if (!response->mimeType().startsWith("image/")) {
        error = urlError(
            HttpSession::Unknown,
            QStringLiteral("unacceptable content type: %1").arg(QString::fromLatin1(response->mimeType())));
    } else {
        const QByteArray data = reply->readAll();
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (data.size() > maximumImageBytes || !size.isValid() || size.width() > maximumImageDimension ||
            size.height() > maximumImageDimension)
            error = urlError(HttpSession::Unknown, QStringLiteral("the image is too large or unreadable"));
        else if (!reader.read(&image))
            error = urlError(HttpSession::Unknown, QStringLiteral("the image could not be decoded"));
    }

    if (!error)
        m_cache.addImage(image, download.request);
    // Handlers run on this turn: the reply has finished, which is already a later turn than the request.
    for (const Handler& handler : download.handlers) {
        if (error) {
            if (handler.failure)
                handler.failure(download.request, response, *error);
        } else if (handler.success) {
            handler.success(download.request, response, image);
        }
    }
}

} // namespace Platform
