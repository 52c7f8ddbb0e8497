#pragma once

#include "ArrayController.h"

#include "Model/IssueFilter.h"
#include "Model/JiraIssue.h"

#include <QList>
#include <QMainWindow>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class FilterSettingsUIController;
class QComboBox;
class QLineEdit;
class QMenu;
class QSplitter;
class QTableView;

namespace Ui {
class IssueListWindowController;
}

/*! The issue list window: the issues of the tracked projects in a table with a search field and a pop-up
    of the projects. In project mode it shows what the periodic update keeps; in custom mode it downloads
    by itself, searching every chosen project with the conditions of one custom filter that the sidebar
    edits and the user defaults keep. The window is loaded from its interface file on first use. Main
    thread only. */
class IssueListWindowController : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IssueListWindowController)
    Q_PROPERTY(
        bool useCustomFilter READ useCustomFilter WRITE setUseCustomFilter NOTIFY useCustomFilterChanged)
    Q_PROPERTY(bool isDownloadingIssues READ isDownloadingIssues NOTIFY isDownloadingIssuesChanged)

public:
    explicit IssueListWindowController(QObject* parent = nullptr);
    ~IssueListWindowController() override;

    /*! The window, loaded (and set up) on first use. */
    QMainWindow* window();
    bool isWindowLoaded() const { return m_window != nullptr; }
    /*! Shows the window and brings it to the front. */
    void showWindow();

    bool useCustomFilter() const { return m_useCustomFilter; }
    /*! What the mode control sets before it sends filterStylePopupChanged. */
    void setUseCustomFilter(bool use);
    std::shared_ptr<IssueFilter> customIssueFilter() const { return m_customIssueFilter; }
    bool isDownloadingIssues() const { return m_isDownloadingIssues; }
    const QList<JiraIssue>& customIssues() const { return m_customIssues; }

    // The window's parts (null until the window is loaded).
    ArrayController<JiraIssue>* issuesArrayController() const { return m_issuesArrayController; }
    QTableView* tableView() const;
    QLineEdit* searchField() const;
    QComboBox* projectsPopupButton() const;
    QComboBox* filterStylePopupButton() const;
    QSplitter* splitView() const;
    FilterSettingsUIController* filterSettingsUIController() const { return m_filterSettingsUIController; }
    /*! The table's context menu. */
    QMenu* issueMenu() const { return m_issueMenu; }

    /*! The unfiltered list of the current mode. */
    QList<JiraIssue> allIssues() const;
    /*! The issues whose key, summary or assignee's name holds the text (ignoring case), in order. */
    static QList<JiraIssue> issuesMatchingString(const QList<JiraIssue>& issues, const QString& filterString);
    /*! The filter the project pop-up names; none for all projects. */
    std::shared_ptr<IssueFilter> selectedIssueFilter() const;
    /*! The issue of the row the context menu was opened on. */
    std::optional<JiraIssue> clickedIssue() const;
    /*! Opens the context menu for the row at the table's viewport position. */
    void showIssueMenu(const QPoint& position);

public Q_SLOTS:
    void searchFieldChanged(QObject* sender = nullptr);
    void filterStylePopupChanged(QObject* sender = nullptr);
    void projectPopupChanged(QObject* sender = nullptr);
    void updateIssues(QObject* sender = nullptr);
    void tableViewDoubleAction(QObject* sender = nullptr);
    void openIssueURLAction(QObject* sender = nullptr);
    void copyIssueURLAction(QObject* sender = nullptr);
    void copyIssueKeyAction(QObject* sender = nullptr);
    void copyIssueSummary(QObject* sender = nullptr);
    void showPredicateWindow(QObject* sender = nullptr);
    void toggleFilterSidebar(QObject* sender = nullptr);

    void updateIssueTableView();
    void downloadIssuesWithCustomFilter();
    void updateProjectPopup();

Q_SIGNALS:
    void useCustomFilterChanged();
    void isDownloadingIssuesChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /*! One custom download: the accounts whose sites are still being refreshed and the searches still
        running. A newer download replaces it; answers for an older one are dropped. */
    struct CustomDownload {
        int generation = 0;
        int pendingAccounts = 0;
        int pendingSearches = 0;
    };

    void windowDidLoad();
    bool takesPart(const std::shared_ptr<IssueFilter>& filter,
                   const std::shared_ptr<IssueFilter>& selected) const;
    void accountResourcesArrived(int generation, const QString& accountID);
    void customSearchFinished(int generation, const std::optional<QList<JiraIssue>>& issues);
    void finishCustomDownload();
    void setIsDownloadingIssues(bool downloading);
    void setIssuesContent(const QList<JiraIssue>& issues);
    void saveCustomIssueFilter();
    std::shared_ptr<IssueFilter> loadCustomIssueFilter() const;
    static std::shared_ptr<IssueFilter> defaultCustomIssueFilter();
    void openSidebar();
    void closeSidebar();
    void updatePredicateDescription();
    static void copyToPasteboard(const QString& text);

    std::unique_ptr<Ui::IssueListWindowController> m_ui;
    QPointer<QMainWindow> m_window;
    ArrayController<JiraIssue>* m_issuesArrayController = nullptr;
    FilterSettingsUIController* m_filterSettingsUIController = nullptr;
    QMenu* m_issueMenu = nullptr;
    int m_clickedRow = -1;

    bool m_useCustomFilter = false;
    std::shared_ptr<IssueFilter> m_customIssueFilter;
    bool m_isDownloadingIssues = false;
    QList<JiraIssue> m_customIssues;
    CustomDownload m_download;

    QMetaObject::Connection m_issuesUpdateNotificationToken;
    QMetaObject::Connection m_predicateDescriptionObservation;
};
