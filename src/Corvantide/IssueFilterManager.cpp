#include "IssueFilterManager.h"

#include "Platform/MainThread.h"
#include "Platform/NotificationCenter.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRBundle.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString FileName = QStringLiteral("IssueFilters.json");
const QString NoFolderMessage = QStringLiteral("Could not create Application Support folder");
// Copies of unreadable files kept at most.
constexpr qsizetype MaximumKeptCopies = 5;

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
            keepFileAside(path);
        return;
    }
    Platform::SystemLog::log(QStringLiteral("could not load ticket filters file: %1: %2")
                                 .arg(issueFiltersFileURL().toString(), Platform::SystemLog::escaped(error)));
    keepFileAside(path);
}

void IssueFilterManager::keepFileAside(const QString& path) {
    const std::optional<QString> error = keepUnreadableFile(path);
    m_fileNeedsCopy = error.has_value();
    if (error)
        Platform::SystemLog::log(
            QStringLiteral("could not keep a copy of the unreadable ticket filters file: %1: %2")
                .arg(issueFiltersFileURL().toString(), *error));
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
// copy keeps the user's filters for recovery by hand. A file like the newest copy is kept already, and only
// the newest few copies stay, so a start that fails again and again cannot fill the disk.
std::optional<QString> IssueFilterManager::keepUnreadableFile(const QString& path) const {
    const QFileInfo info(path);
    const QDir folder = info.dir();
    const QString prefix = info.fileName() + QStringLiteral(".unreadable-");
    QStringList copies = folder.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
    // Names end in the time to the second and, for a second copy within one second, "-2", "-3"…
    const auto order = [&prefix](const QString& name) {
        const QStringList parts = name.mid(prefix.size()).split(QLatin1Char('-'));
        return std::make_pair(parts.mid(0, 2).join(QLatin1Char('-')),
                              parts.size() > 2 ? parts[2].toInt() : 1);
    };
    std::sort(copies.begin(), copies.end(),
              [&order](const QString& a, const QString& b) { return order(a) < order(b); });

    QFile file(path);
    if (!copies.isEmpty() && file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        const bool readable = file.error() == QFileDevice::NoError;
        file.close();
        QFile newest(folder.filePath(copies.constLast()));
        if (readable && newest.open(QIODevice::ReadOnly) && newest.readAll() == bytes &&
            newest.error() == QFileDevice::NoError)
            return std::nullopt;
    }

    const QString time = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString stem = path + QStringLiteral(".unreadable-") + time;
    // A new copy always sorts after the newest one, also when older ones of the same second are gone.
    int attempt = 1;
    if (!copies.isEmpty() && order(copies.constLast()).first == time)
        attempt = order(copies.constLast()).second + 1;
    QString copyPath = attempt == 1 ? stem : stem + QStringLiteral("-%1").arg(attempt);
    while (QFileInfo::exists(copyPath))
        copyPath = stem + QStringLiteral("-%1").arg(++attempt);
    if (!file.copy(copyPath)) {
        // A partial copy is no copy.
        QFile::remove(copyPath);
        return file.errorString();
    }
    Platform::SystemLog::log(QStringLiteral("kept the unreadable ticket filters file as %1").arg(copyPath));
    for (qsizetype index = 0; index + MaximumKeptCopies <= copies.size(); ++index)
        QFile::remove(folder.filePath(copies[index]));
    return std::nullopt;
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
    // The user's file was neither read nor saved aside: it is not written over until it is safe.
    if (m_fileNeedsCopy && QFileInfo(path).isFile()) {
        const std::optional<QString> error = keepUnreadableFile(path);
        if (error) {
            Platform::SystemLog::log(QStringLiteral("could not save ticket filters file: %1: the file that "
                                                    "could not be read has no copy yet: %2")
                                         .arg(issueFiltersFileURL().toString(), *error));
            return;
        }
    }
    m_fileNeedsCopy = false;
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
