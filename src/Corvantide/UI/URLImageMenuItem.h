#pragma once

#include "Model/JiraIssue.h"
#include "Platform/ImageDownloader.h"

#include <QAction>
#include <QIcon>

#include <optional>

/*! A menu item whose 16 x 16 icon can come from the web: it shows a placeholder until the download
    arrives, answers from the shared downloader's cache when it can, and ignores a download that a newer
    request superseded. Issue items carry their issue. */
class URLImageMenuItem final : public QAction {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(URLImageMenuItem)

public:
    /*! The side of every image an item shows, in points. */
    static constexpr int imageSize = 16;

    explicit URLImageMenuItem(const QString& title, QObject* parent = nullptr);
    ~URLImageMenuItem() override;

    QIcon image() const { return icon(); }
    /*! Shows the image at 16 x 16; a null image leaves the item as it is. */
    void setImage(const QIcon& image);
    void setImage(const QImage& image);

    /*! Loads the request's image into the item; steps: a request without URL fails at once with a bad-URL
        error, a download of the same URL in flight for this item is left to deliver, a cached image is
        shown at once, otherwise the placeholder shows while the download runs. Without a success handler
        the downloaded image becomes the item's image; a failure keeps the placeholder. */
    void setImage(const Platform::HttpRequest& request, const QIcon& placeholder,
                  Platform::ImageDownloader::Success success = {},
                  Platform::ImageDownloader::Failure failure = {});

    const std::optional<Platform::ImageDownloadReceipt>& activeImageDownloadReceipt() const {
        return m_activeImageDownloadReceipt;
    }

    /*! Issue rows stand one level in from their filter's header. */
    int indentationLevel() const { return m_indentationLevel; }
    void setIndentationLevel(int level) { m_indentationLevel = level; }

    const std::optional<JiraIssue>& representedObject() const { return m_issue; }
    void setRepresentedObject(const JiraIssue& issue) { m_issue = issue; }

    /*! A 16 x 16 icon made from any icon (bitmaps at one and two pixels per point). */
    static QIcon scaledIcon(const QIcon& icon);

private:
    std::optional<Platform::ImageDownloadReceipt> m_activeImageDownloadReceipt;
    std::optional<JiraIssue> m_issue;
    int m_indentationLevel = 0;
};
