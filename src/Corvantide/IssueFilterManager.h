#pragma once

#include "Model/IssueFilter.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

/*! The user's list of issue filters and their file, IssueFilters.json in the Application Support folder.
    The file is read once, at the first use of the list, and written after every change. Main thread only. */
class IssueFilterManager final {
public:
    using IssueFilterList = QList<std::shared_ptr<IssueFilter>>;

    /*! Posted on the default notification centre, with no object, whenever the list is saved (after every
        change); the status menu is rebuilt on it. */
    static inline const QString IssueFiltersChangedNotification = QStringLiteral("issueFiltersChanged");

    /*! The application's store. */
    static IssueFilterManager& shared();

    /*! A store of the file whose path the locator gives; the locator is asked once, at first use. An empty
        path means that there is no folder for the file. */
    explicit IssueFilterManager(std::function<QString()> fileLocator);
    IssueFilterManager(const IssueFilterManager&) = delete;
    IssueFilterManager& operator=(const IssueFilterManager&) = delete;

    /*! The filters in the user's order (the order of the menu's sections); loads the file if needed. */
    IssueFilterList allIssueFilters();
    /*! Appends the filter at the end, first removing a listed filter with the same identifier; saves. */
    void append(const std::shared_ptr<IssueFilter>& filter);
    /*! Removes the first filter with the filter's identifier, if any; saves. */
    void remove(const IssueFilter& filter);
    /*! Writes the list to the file, replacing it atomically. Does nothing while the list is not loaded, and
        refuses (with a log line) while a file that could not be read has no copy beside it. */
    void saveIssueFilters();

    bool isLoaded() const { return m_issueFilters.has_value(); }
    QString issueFiltersFilePath();
    QUrl issueFiltersFileURL();

private:
    void loadIssueFilters();
    std::optional<IssueFilterList> readFile(const QString& path, QString* errorMessage,
                                            bool* droppedFilter) const;
    /*! Keeps a copy of the file beside it (none when the newest copy has its bytes); the error otherwise. */
    std::optional<QString> keepUnreadableFile(const QString& path) const;
    /*! Keeps a copy, or remembers that the file must not be written over until it has one. */
    void keepFileAside(const QString& path);

    std::function<QString()> m_fileLocator;
    std::optional<QString> m_filePath;
    std::optional<IssueFilterList> m_issueFilters;
    bool m_fileNeedsCopy = false;
};
