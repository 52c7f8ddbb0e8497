#include "IssueFilterManager.h"

#include "Platform/MainThread.h"
#include "Platform/NotificationCenter.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRBundle.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString FileName = QStringLiteral("IssueFilters.json");
const QString NoFolderMessage = QStringLiteral("Could not create Application Support folder");

QString applicationSupportFilePath() {
    const QString folder = ZRBundle::existingApplicationSupportFolder(Platform::Bundle::mainBundle());
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        Platform::SystemLog::log(NoFolderMessage);
        return {};
    }
    return folder + QLatin1Char('/') + FileName;
}

} // namespace

IssueFilterManager& IssueFilterManager::shared() {
    static IssueFilterManager manager(applicationSupportFilePath);
    return manager;
}

IssueFilterManager::IssueFilterManager(std::function<QString()> fileLocator)
    : m_fileLocator(std::move(fileLocator)) {}

QString IssueFilterManager::issueFiltersFilePath() {
    if (!m_filePath)
        m_filePath = m_fileLocator();
    return *m_filePath;
}

QUrl IssueFilterManager::issueFiltersFileURL() {
    const QString path = issueFiltersFilePath();
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

IssueFilterManager::IssueFilterList IssueFilterManager::allIssueFilters() {
    Platform::assertMainThread();
    loadIssueFilters();
    return *m_issueFilters;
}

void IssueFilterManager::append(const std::shared_ptr<IssueFilter>& filter) {
    Platform::assertMainThread();
    loadIssueFilters();
    const auto same = std::find_if(m_issueFilters->begin(), m_issueFilters->end(), [&](const auto& listed) {
        return listed->identifier() == filter->identifier();
    });
    if (same != m_issueFilters->end())
        m_issueFilters->erase(same);
    m_issueFilters->append(filter);
    saveIssueFilters();
}

void IssueFilterManager::remove(const IssueFilter& filter) {
    Platform::assertMainThread();
    loadIssueFilters();
    const auto same = std::find_if(m_issueFilters->begin(), m_issueFilters->end(), [&](const auto& listed) {
        return listed->identifier() == filter.identifier();
    });
    if (same != m_issueFilters->end())
        m_issueFilters->erase(same);
    saveIssueFilters();
}

void IssueFilterManager::loadIssueFilters() {
    if (m_issueFilters)
        return;
    m_issueFilters = IssueFilterList();
    const QString path = issueFiltersFilePath();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir())
        return;
    QString error;
    bool droppedFilter = false;
    if (std::optional<IssueFilterList> filters = readFile(path, &error, &droppedFilter)) {
        m_issueFilters = std::move(*filters);
        // The next save would write the file without the filters that were dropped. (An advanced filter
        // that cannot be read stays with its filter and is saved back unchanged.)
        if (droppedFilter)
            keepUnreadableFile(path);
        return;
    }
    Platform::SystemLog::log(QStringLiteral("could not load ticket filters file: %1: %2")
                                 .arg(issueFiltersFileURL().toString(), Platform::SystemLog::escaped(error)));
    keepUnreadableFile(path);
}

std::optional<IssueFilterManager::IssueFilterList>
IssueFilterManager::readFile(const QString& path, QString* errorMessage, bool* droppedFilter) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *errorMessage = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *errorMessage = file.errorString();
        return std::nullopt;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *errorMessage =
            QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset);
        return std::nullopt;
    }
    if (!document.isArray()) {
        *errorMessage = QStringLiteral("the file does not hold a JSON array");
        return std::nullopt;
    }
    IssueFilterList filters;
    const QJsonArray array = document.array();
    for (qsizetype index = 0; index < array.size(); ++index) {
        QString problem = QStringLiteral("it is not a JSON object");
        std::shared_ptr<IssueFilter> filter =
            array[index].isObject() ? IssueFilter::fromJson(array[index].toObject(), &problem) : nullptr;
        // One filter that cannot be read costs only that filter; the kept copy still holds it.
        if (!filter) {
            Platform::SystemLog::log(
                QStringLiteral("could not read ticket filter %1 of %2: %3")
                    .arg(index)
                    .arg(QUrl::fromLocalFile(path).toString(), Platform::SystemLog::escaped(problem)));
            *droppedFilter = true;
            continue;
        }
        filters.append(std::move(filter));
    }
    return filters;
}

// A file that could not be read, or only without an advanced filter, would be replaced by the next save; a
// copy keeps the user's filters for recovery by hand.
void IssueFilterManager::keepUnreadableFile(const QString& path) const {
    const QString stem = path + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copyPath = stem;
    for (int attempt = 2; QFileInfo::exists(copyPath); ++attempt)
        copyPath = stem + QStringLiteral("-%1").arg(attempt);
    QFile file(path);
    if (file.copy(copyPath))
        Platform::SystemLog::log(
            QStringLiteral("kept the unreadable ticket filters file as %1").arg(copyPath));
    else
        Platform::SystemLog::log(
            QStringLiteral("could not keep a copy of the unreadable ticket filters file: %1: %2")
                .arg(copyPath, file.errorString()));
}

void IssueFilterManager::saveIssueFilters() {
    Platform::assertMainThread();
    if (!m_issueFilters)
        return;
    const QString path = issueFiltersFilePath();
    if (path.isEmpty()) {
        Platform::SystemLog::log(
            QStringLiteral("could not save ticket filters file: %1").arg(NoFolderMessage));
        return;
    }
    QJsonArray array;
    for (const std::shared_ptr<IssueFilter>& filter : *m_issueFilters)
        array.append(filter->toJson());
    const QByteArray bytes = QJsonDocument(array).toJson(QJsonDocument::Compact);
    Platform::NotificationCenter::defaultCenter().post(IssueFiltersChangedNotification);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        Platform::SystemLog::log(QStringLiteral("could not save ticket filters file: %1: %2")
                                     .arg(issueFiltersFileURL().toString(), file.errorString()));
    }
}
