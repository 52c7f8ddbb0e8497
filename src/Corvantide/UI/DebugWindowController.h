#pragma once

#include "ArrayController.h"

#include "JiraUserManager.h"
#include "Model/JiraAccount.h"
#include "Model/JiraBoard.h"
#include "Model/JiraIssue.h"
#include "Model/JiraProject.h"
#include "Model/JiraResource.h"
#include "Model/JiraSprint.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;

namespace Ui {
class DebugWindowController;
}

/*! A developer's window that walks the Jira data of the first signed-in account straight through the Jira
    client: its sites, a site's projects (and users), a project's issues and boards, and the sprints of the
    project's scrum boards. Choosing a row downloads the next level; everything downloaded stays in this
    window. The window is loaded from its interface file on first use. Main thread only. */
class DebugWindowController : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DebugWindowController)
    Q_PROPERTY(bool showAllSprints READ showAllSprints WRITE setShowAllSprints NOTIFY sprintFilterChanged)
    Q_PROPERTY(
        bool futureSprintsOnly READ futureSprintsOnly WRITE setFutureSprintsOnly NOTIFY sprintFilterChanged)
    Q_PROPERTY(bool openSprintsOnly READ openSprintsOnly WRITE setOpenSprintsOnly NOTIFY sprintFilterChanged)

public:
    enum class SprintFilter { none = 0, all = 1, future = 2, open = 3 };

    using ResourcePtr = std::shared_ptr<JiraResource>;

    explicit DebugWindowController(QObject* parent = nullptr);
    ~DebugWindowController() override;

    /*! The window, loaded (and set up, which starts the site download) on first use. */
    QMainWindow* window();
    bool isWindowLoaded() const { return m_window != nullptr; }
    /*! Shows the window and makes it the key window. */
    void showWindow();

    // The window's parts (null until the window is loaded).
    ArrayController<ResourcePtr>* resourcesArrayController() const { return m_resourcesArrayController; }
    ArrayController<JiraProject>* projectsArrayController() const { return m_projectsArrayController; }
    ArrayController<JiraIssue>* issuesArrayController() const { return m_issuesArrayController; }
    ArrayController<JiraBoard>* boardsArrayController() const { return m_boardsArrayController; }
    ArrayController<JiraSprint>* sprintsArrayController() const { return m_sprintsArrayController; }
    QCheckBox* currentUserIssuesOnlyCheckbox() const;
    QComboBox* projectsPopupButton() const;
    QComboBox* resourcesPopupButton() const;
    QComboBox* issueFilterPopupButton() const;

    const JiraUserManager& userManager() const { return m_userManager; }
    const std::optional<JiraAccount>& account() const { return m_account; }
    const std::optional<QList<ResourcePtr>>& resources() const { return m_resources; }
    const QHash<QString, QList<JiraProject>>& projects() const { return m_projects; }
    const QList<JiraIssue>& lastDownloadedIssues() const { return m_lastDownloadedIssues; }
    const QHash<QString, QList<JiraBoard>>& boards() const { return m_boards; }
    const QHash<QString, QList<JiraSprint>>& sprints() const { return m_sprints; }

    SprintFilter selectedSprintFilter() const { return m_selectedSprintFilter; }
    bool showAllSprints() const { return m_selectedSprintFilter == SprintFilter::all; }
    bool futureSprintsOnly() const { return m_selectedSprintFilter == SprintFilter::future; }
    bool openSprintsOnly() const { return m_selectedSprintFilter == SprintFilter::open; }
    /*! True picks that sprint condition and searches again (when it was not picked); false does nothing. */
    void setShowAllSprints(bool show);
    void setFutureSprintsOnly(bool only);
    void setOpenSprintsOnly(bool only);

    /*! The one selected site or project; none with no or several selected. */
    ResourcePtr selectedResource() const;
    std::optional<JiraProject> selectedProject() const;

    /*! The issues whose status category passes the "selectedIssueFilter" default, in order. */
    static QList<JiraIssue> filterIssues(const QList<JiraIssue>& issues);

public Q_SLOTS:
    void downloadResourcesAction(QObject* sender = nullptr);
    void showAuthorizationWindowAction(QObject* sender = nullptr);
    void resourcePopupAction(QObject* sender);
    void projectPopupAction(QObject* sender);
    void issueFilterChanged(QObject* sender = nullptr);
    void showOnlyMyIssuesCheckBoxClicked(QObject* sender = nullptr);
    /*! By the sender's "tag" property: 0 none (nothing is downloaded), 1 all, 2 future, 3 open. */
    void sprintsRadioButtonAction(QObject* sender);

Q_SIGNALS:
    void sprintFilterChanged();

private:
    void windowDidLoad();
    void setResources(const std::optional<QList<ResourcePtr>>& resources);
    ResourcePtr resourceWithCloudID(const QString& cloudID) const;
    void pickSprintFilter(SprintFilter filter);
    void startGetAccessibleResourcesOperation();
    void startGetProjectsOperation(const QString& cloudID);
    void updateProjects();
    void startGetIssuesOperation();
    void startGetBoardsOperation();
    void startGetSprintsOperation();
    void resourcesSelectionChanged();
    void projectsSelectionChanged();
    void sprintsSelectionChanged();
    void rebuildPopup(QComboBox* popup, const QStringList& titles, int selected);
    void showSprintFilter();

    std::unique_ptr<Ui::DebugWindowController> m_ui;
    QPointer<QMainWindow> m_window;
    ArrayController<ResourcePtr>* m_resourcesArrayController = nullptr;
    ArrayController<JiraProject>* m_projectsArrayController = nullptr;
    ArrayController<JiraIssue>* m_issuesArrayController = nullptr;
    ArrayController<JiraBoard>* m_boardsArrayController = nullptr;
    ArrayController<JiraSprint>* m_sprintsArrayController = nullptr;

    JiraUserManager m_userManager;
    std::optional<JiraAccount> m_account;
    std::optional<QList<ResourcePtr>> m_resources;
    QHash<QString, QList<JiraProject>> m_projects;
    QList<JiraIssue> m_lastDownloadedIssues;
    QHash<QString, QList<JiraBoard>> m_boards;
    QHash<QString, QList<JiraSprint>> m_sprints;
    SprintFilter m_selectedSprintFilter = SprintFilter::none;
};
