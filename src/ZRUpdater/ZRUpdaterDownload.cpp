// Download of the offered release into this process's private folder, and its unpacking.
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/Workspace.h"
#include "ZRUpdater/ZRUpdater.h"
#include "ZRUpdater/ZRUpdaterFileManager.h"
#include "ZRUpdater/ZRUpdaterFolders.h"
#include "ZRUpdater/ZRUpdaterPreferencesManager.h"
#include "ZRUpdater/ZRUpdaterStatusPanelController.h"
#include "ZRUpdater/ZRUpdaterXPCService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <QUuid>

#include <sys/stat.h>

using Platform::SystemLog::log;

namespace {

QString suggestedFileName(QNetworkReply* reply) {
    const QString disposition = QString::fromUtf8(reply->rawHeader("Content-Disposition"));
    static const QRegularExpression quoted(QStringLiteral("filename\\s*=\\s*\"([^\"]*)\""));
    static const QRegularExpression plain(QStringLiteral("filename\\s*=\\s*([^;\\s]+)"));
    QRegularExpressionMatch match = quoted.match(disposition);
    if (!match.hasMatch())
        match = plain.match(disposition);
    if (match.hasMatch())
        return match.captured(1);
    return reply->url().fileName();
}

// The longest start of the text, ending between characters, whose UTF-8 form has at most maxBytes bytes.
QString utf8Prefix(const QString& text, qsizetype maxBytes) {
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    qsizetype bytes = 0;
    while (characters.toNextBoundary() != -1) {
        bytes += QStringView(text).sliced(end, characters.position() - end).toUtf8().size();
        if (bytes > maxBytes)
            break;
        end = characters.position();
    }
    return text.left(end);
}

} // namespace

QString ZRUpdater::safeDownloadFileName(const QString& suggested) {
    QString name = suggested;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = name.section(QLatin1Char('/'), -1);
    // Controls and the line and paragraph separators: nothing that breaks a line where the name is shown.
    name.remove(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f-\\x9f\\x{2028}\\x{2029}]")));
    name = name.trimmed();
    if (name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        name.chop(4);
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    // A file name holds 255 bytes: a longer one is cut between characters, keeping a short extension.
    constexpr qsizetype NameMax = 255;
    if (name.toUtf8().size() > NameMax) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString extension =
            dot > 0 && dot < name.size() - 1 && name.size() - dot - 1 <= 16 ? name.mid(dot) : QString();
        const QString stem = utf8Prefix(name.chopped(extension.size()), NameMax - extension.toUtf8().size());
        if (stem.isEmpty())
            return {}; // one character longer than a file name
        name = stem + extension;
    }
    if (name.isEmpty())
        return {};
    return name;
}

QString ZRUpdater::temporaryDownloadDirectory() {
    if (m_downloadFolder.isEmpty())
        m_downloadFolder = ZRUpdaterFolders::downloadsParent() + QLatin1Char('/') +
                           QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!ZRUpdaterFolders::makeOwnFolder(QFileInfo(m_downloadFolder).path(), false) ||
        !ZRUpdaterFolders::makeOwnFolder(m_downloadFolder, true)) {
        log(QStringLiteral("ERROR could not create tmp directory for downloads (should be %1)")
                .arg(m_downloadFolder));
        return {};
    }
    return m_downloadFolder;
}

void ZRUpdater::showStage(const QString& title, double maximum, const QString& status) {
    if (m_statusPanelController)
        m_statusPanelController->beginActionWithTitle(title, maximum, status);
}

void ZRUpdater::beginDownload() {
    Platform::assertMainThread();
    if (!newestRelease) {
        abandonUpdate();
        return;
    }
    if (!canRunAutoupdate()) {
        if (!isAutomaticallyUpdating()) {
            const QString page = ZRUpdaterPreferencesManager::updateDownloadWebsiteURL();
            const QUrl url(page + QLatin1Char('#') +
                           QString::fromLatin1(
                               QUrl::toPercentEncoding(newestRelease->fileURL.toString(QUrl::FullyEncoded))));
            if (!page.isEmpty() && url.isValid())
                Platform::Workspace::openURL(url);
        }
        updateInProgress = false;
        return;
    }
    if (!isAutomaticallyUpdating()) {
        delete m_statusPanelController;
        m_statusPanelController = new ZRUpdaterStatusPanelController();
        m_statusPanelController->beginActionWithTitle(
            QCoreApplication::translate("ZRUpdater", "Downloading update..."), 0, QString());
        m_statusPanelController->setButtonTitle(
            QCoreApplication::translate("ZRUpdater", "Cancel"), [this] { cancelDownload(); }, false);
        // Closing the panel gives up the update at any stage until the installation begins.
        m_statusPanelController->setCancelHandler([this] { cancelDownload(); });
        m_statusPanelController->showWindow();
    }
    startDownloadTask();
}

void ZRUpdater::startDownloadTask() {
    const QUrl url = newestRelease->fileURL;
    if (!ZRUpdaterIsAllowedURL(url)) {
        downloadErrorOccurred(
            QStringLiteral("the download address %1 is not https").arg(url.toString(QUrl::RemoveUserInfo)));
        return;
    }
    const QString folder = temporaryDownloadDirectory();
    if (folder.isEmpty()) {
        downloadErrorOccurred(QStringLiteral("no download folder"));
        return;
    }
    m_downloadFile =
        std::make_unique<QFile>(folder + QStringLiteral("/download-") +
                                QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".part"));
    if (!m_downloadFile->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        downloadErrorOccurred(m_downloadFile->errorString());
        return;
    }
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
        m_network->setCookieJar(nullptr);
        m_network->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply* reply = m_network->get(request);
    m_urlTask = reply;
    ZRUpdaterCheckRedirects(reply, this, [this, reply](const QUrl& target) {
        if (reply != m_urlTask)
            return;
        reply->disconnect(this);
        reply->deleteLater();
        discardDownloadTask();
        downloadErrorOccurred(QStringLiteral("the download was redirected to %1, which is not https")
                                  .arg(target.toString(QUrl::RemoveUserInfo)));
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply != m_urlTask || !m_downloadFile)
            return;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status < 200 || status > 299)
            return; // an error page is not saved
        const QByteArray chunk = reply->readAll();
        if (m_downloadFile->write(chunk) != chunk.size()) {
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 written, qint64 expected) {
        if (reply != m_urlTask || expected < 1 || !m_statusPanelController)
            return;
        m_statusPanelController->setMaxProgressValue(double(expected));
        m_statusPanelController->setProgressValue(double(written));
        m_statusPanelController->setStatusText(QStringLiteral("%1 %2").arg(
            QLocale().toString(100.0 * double(written) / double(expected), 'f', 0) + QLocale().percent(),
            QCoreApplication::translate("ZRUpdater", "downloaded.")));
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply == m_urlTask)
            downloadFinished(reply);
    });
}

void ZRUpdater::downloadFinished(QNetworkReply* reply) {
    m_urlTask = nullptr;
    std::unique_ptr<QFile> file = std::move(m_downloadFile);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QString failure;
    if (status == 0 && reply->error() != QNetworkReply::NoError)
        failure = reply->errorString();
    else if (status < 200 || status > 299)
        failure = QStringLiteral("the server answered %1").arg(status);
    else if (reply->error() != QNetworkReply::NoError)
        failure = reply->errorString();
    else if (const QByteArray rest = reply->readAll(); file->write(rest) != rest.size() || !file->flush())
        failure = file->errorString();
    file->close();
    const QString name = safeDownloadFileName(suggestedFileName(reply));
    if (failure.isEmpty() && name.isEmpty())
        failure = QStringLiteral("the server suggested no usable file name");
    if (!failure.isEmpty()) {
        file->remove();
        downloadErrorOccurred(failure);
        return;
    }
    downloadPath = QFileInfo(file->fileName()).path() + QLatin1Char('/') + name;
    QFile::remove(downloadPath);
    if (!file->rename(downloadPath)) {
        const QString error = file->errorString();
        file->remove();
        downloadErrorOccurred(error);
        return;
    }
    mountDownload();
}

void ZRUpdater::cancelDownload() {
    discardDownloadTask();
    abandonUpdate();
}

void ZRUpdater::discardDownloadTask() {
    if (m_urlTask) {
        QNetworkReply* reply = m_urlTask;
        m_urlTask = nullptr;
        reply->abort();
    }
    if (m_downloadFile) {
        m_downloadFile->close();
        m_downloadFile->remove();
        m_downloadFile.reset();
    }
}

void ZRUpdater::abandonUpdate() {
    detachDiskImage();
    newestRelease.reset();
    if (m_extractor)
        m_extractor.release()->deleteLater(); // a late result of an abandoned unpacking is ignored
    if (m_statusPanelController) {
        m_statusPanelController->dismiss();
        m_statusPanelController->deleteLater();
        m_statusPanelController = nullptr;
    }
    updateInProgress = false;
}

void ZRUpdater::downloadErrorOccurred(const QString& description) {
    abandonUpdate();
    log(QStringLiteral("ERROR downloadErrorOccurred: %1").arg(description));
    showUpdateErrorAlertWithInfo(QCoreApplication::translate(
        "ZRUpdater", "An error occurred while downloading the update. Please try again later."));
}

void ZRUpdater::mountDownload() {
    Platform::assertMainThread();
    if (!isAutomaticallyUpdating() && m_statusPanelController) {
        m_statusPanelController->beginActionWithTitle(
            QCoreApplication::translate("ZRUpdater", "Mounting update..."), 0, QString());
        m_statusPanelController->setProgressValue(1);
    }
    if (sandboxed)
        ZRUpdaterXPCService::releaseItemAtPathFromQuarantine(downloadPath);
    if (QFileInfo(downloadPath).suffix().compare(QLatin1String("zip"), Qt::CaseInsensitive) == 0) {
        auto extractor = std::make_unique<ZRUpdateZIPExtractor>(this);
        extractor->unzipPath(downloadPath, sandboxed);
        m_extractor = std::move(extractor);
    } else {
        auto extractor = std::make_unique<ZRUpdateDMGMounter>(this);
        extractor->mountPath(downloadPath, sandboxed);
        m_extractor = std::move(extractor);
    }
}

void ZRUpdater::detachDiskImage() {
    if (!downloadPath.isEmpty())
        ZRUpdateDMGMounter::detach(ZRUpdaterFileManager::diskImageVolumePath(downloadPath), sandboxed);
}

void ZRUpdater::extractorDidFail(ZRUpdateExtractor* extractor) {
    if (extractor != m_extractor.get())
        return;
    m_extractor.release()->deleteLater();
    log(QStringLiteral("ERROR could not unpack the update %1")
            .arg(Platform::SystemLog::escaped(downloadPath)));
    showUpdateErrorAlertWithInfo(QCoreApplication::translate(
        "ZRUpdater", "An error occurred while mounting the update. Please try again later."));
    abandonUpdate();
}
