#include "DebugWindowController.h"

#include "ui_DebugWindowController.h"

#include "ApplicationCommands.h"
#include "JiraAccountManager.h"
#include "Preferences/FilterSettingsUIController.h"
#include "UserDefaultsKeys.h"

#include "Model/IssueFilter.h"
#include "Model/StableSort.h"
#include "Platform/MainThread.h"
#include "Platform/UI/Menus.h"
#include "Platform/UserDefaults.h"
#include "ZRJira/ZRJOperationManager.h"

#include <QButtonGroup>
#include <QDebug>
#include <QHeaderView>
#include <QJsonArray>
#include <QSignalBlocker>
#include <QTextStream>

#include <algorithm>

namespace {

/*! Developer output that the window writes as it works. */
void writeLine(const QString& line) {
    QTextStream out(stdout);
    out << line << Qt::endl;
}

/*! The objects of the array under the key; none when there is no such array. */
std::optional<QList<QJsonObject>> objectsUnder(const QJsonObject& json, const QString& key) {
    const QJsonValue value = json.value(key);
    if (!value.isArray())
        return std::nullopt;
    QList<QJsonObject> objects;
    for (const QJsonValue& element : value.toArray()) {
        if (element.isObject())
            objects.append(element.toObject());
    }
    return objects;
}

/*! The board or sprint objects of an agile answer's "values"; none for an empty answer or one without
    that array. */
template <typename T> std::optional<QList<T>> agileValues(const std::optional<QJsonObject>& response) {
    if (!response || response->isEmpty())
        return std::nullopt;
    const std::optional<QList<QJsonObject>> objects = objectsUnder(*response, QStringLiteral("values"));
    if (!objects)
        return std::nullopt;
    QList<T> values;
    for (const QJsonObject& json : *objects)
        values.append(T(json));
    return values;
}

/*! Ascending by Unicode scalar values after canonical composition, case-sensitively. */
bool nameLessThan(const JiraProject& a, const JiraProject& b) {
    const QList<uint> left = a.name().value_or(QString()).normalized(QString::NormalizationForm_C).toUcs4();
    const QList<uint> right = b.name().value_or(QString()).normalized(QString::NormalizationForm_C).toUcs4();
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end());
}

void prepareTable(QTableView* table, QAbstractItemModel* model, QItemSelectionModel* selection) {
    table->setModel(model);
    table->setSelectionModel(selection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
}

} // namespace

DebugWindowController::DebugWindowController(QObject* parent)
    : QObject(parent) {}

DebugWindowController::~DebugWindowController() {
    delete m_window;
}

QMainWindow* DebugWindowController::window() {
    Platform::assertMainThread();
    if (!m_window) {
        m_ui = std::make_unique<Ui::DebugWindowController>();
        m_window = new QMainWindow();
        m_ui->setupUi(m_window);
        windowDidLoad();
    }
    return m_window;
}

void DebugWindowController::showWindow() {
    QMainWindow* shown = window();
    shown->show();
    shown->raise();
    shown->activateWindow();
}

QCheckBox* DebugWindowController::currentUserIssuesOnlyCheckbox() const {
    return m_ui ? m_ui->currentUserIssuesOnlyCheckbox : nullptr;
}

QComboBox* DebugWindowController::projectsPopupButton() const {
    return m_ui ? m_ui->projectsPopupButton : nullptr;
}

QComboBox* DebugWindowController::resourcesPopupButton() const {
    return m_ui ? m_ui->resourcesPopupButton : nullptr;
}

QComboBox* DebugWindowController::issueFilterPopupButton() const {
    return m_ui ? m_ui->issueFilterPopup : nullptr;
}

// MARK: - Loading

void DebugWindowController::windowDidLoad() {
    m_resourcesArrayController = new ArrayController<ResourcePtr>(
        [](const ResourcePtr& site, const QString& keyPath) -> QVariant {
            if (keyPath == u"name")
                return site->name().value_or(QString());
            if (keyPath == u"url")
                return site->url().value_or(QString());
            return site->cloudID();
        },
        this);
    m_resourcesArrayController->setColumns({{tr("Name"), QStringLiteral("name")},
                                            {tr("URL"), QStringLiteral("url")},
                                            {tr("ID"), QStringLiteral("cloudID")}});
    // A site is always chosen once the list arrives, so that its projects follow.
    m_resourcesArrayController->setAvoidsEmptySelection(true);

    m_projectsArrayController = new ArrayController<JiraProject>(
        [](const JiraProject& project, const QString& keyPath) -> QVariant {
            if (keyPath == u"key")
                return project.key();
            if (keyPath == u"name")
                return project.name().value_or(QString());
            return project.identifier();
        },
        this);
    m_projectsArrayController->setColumns({{tr("Key"), QStringLiteral("key")},
                                           {tr("Name"), QStringLiteral("name")},
                                           {tr("ID"), QStringLiteral("identifier")}});

    m_issuesArrayController = new ArrayController<JiraIssue>(
        [](const JiraIssue& issue, const QString& keyPath) { return issue.value(keyPath); }, this);
    m_issuesArrayController->setColumns({{tr("Key"), QStringLiteral("key")},
                                         {tr("Summary"), QStringLiteral("summary")},
                                         {tr("Status"), QStringLiteral("statusName")},
                                         {tr("Category"), QStringLiteral("statusCategoryName")},
                                         {tr("Assignee"), QStringLiteral("assigneeDisplayName")}});

    m_boardsArrayController = new ArrayController<JiraBoard>(
        [](const JiraBoard& board, const QString& keyPath) -> QVariant {
            if (keyPath == u"id")
                return board.id();
            if (keyPath == u"type")
                return board.type()
                           ? (board.isScrumBoard() ? QStringLiteral("scrum") : QStringLiteral("kanban"))
                           : QString();
            return board.value(keyPath);
        },
        this);
    m_boardsArrayController->setColumns({{tr("ID"), QStringLiteral("id")},
                                         {tr("Name"), QStringLiteral("name")},
                                         {tr("Type"), QStringLiteral("type")},
                                         {tr("Project"), QStringLiteral("projectKey")}});

    m_sprintsArrayController = new ArrayController<JiraSprint>(
        [](const JiraSprint& sprint, const QString& keyPath) -> QVariant {
            if (keyPath == u"state") {
                if (!sprint.state())
                    return QStringLiteral("future");
                return *sprint.state() == JiraSprint::State::active ? QStringLiteral("active")
                                                                    : QStringLiteral("closed");
            }
            return sprint.value(keyPath);
        },
        this);
    m_sprintsArrayController->setColumns({{tr("ID"), QStringLiteral("id")},
                                          {tr("Name"), QStringLiteral("name")},
                                          {tr("State"), QStringLiteral("state")},
                                          {tr("Start"), QStringLiteral("startDate")}});

    prepareTable(m_ui->resourcesTableView, m_resourcesArrayController,
                 m_resourcesArrayController->selectionModel());
    prepareTable(m_ui->projectsTableView, m_projectsArrayController,
                 m_projectsArrayController->selectionModel());
    prepareTable(m_ui->issuesTableView, m_issuesArrayController, m_issuesArrayController->selectionModel());
    prepareTable(m_ui->boardsTableView, m_boardsArrayController, m_boardsArrayController->selectionModel());
    prepareTable(m_ui->sprintsTableView, m_sprintsArrayController,
                 m_sprintsArrayController->selectionModel());

    // The pop-ups list the sites and the projects: item i is row i.
    Platform::Menus::fitPopUpToItems(m_ui->resourcesPopupButton);
    Platform::Menus::fitPopUpToItems(m_ui->projectsPopupButton);
    connect(m_resourcesArrayController, &QAbstractItemModel::modelReset, this, [this] {
        QStringList titles;
        for (const ResourcePtr& site : m_resourcesArrayController->arrangedObjects())
            titles.append(site->name().value_or(site->cloudID()));
        rebuildPopup(m_ui->resourcesPopupButton, titles,
                     m_resourcesArrayController->selectionIndexes().value(0, -1));
    });
    connect(m_projectsArrayController, &QAbstractItemModel::modelReset, this, [this] {
        QStringList titles;
        for (const JiraProject& project : m_projectsArrayController->arrangedObjects())
            titles.append(project.name().value_or(project.key()));
        rebuildPopup(m_ui->projectsPopupButton, titles,
                     m_projectsArrayController->selectionIndexes().value(0, -1));
    });
    connect(m_ui->resourcesPopupButton, &QComboBox::activated, this,
            [this] { resourcePopupAction(m_ui->resourcesPopupButton); });
    connect(m_ui->projectsPopupButton, &QComboBox::activated, this,
            [this] { projectPopupAction(m_ui->projectsPopupButton); });

    // The status pop-up keeps its choice in "selectedIssueFilter".
    for (IssueFilter::IssueFilterType type : IssueFilter::allIssueFilterTypes)
        m_ui->issueFilterPopup->addItem(LocalizedEnum::title(type), int(type));
    const qint64 stored = UserDefaultsKeys::integer(UserDefaultsKeys::Key::selectedIssueFilter);
    m_ui->issueFilterPopup->setCurrentIndex(
        stored >= 0 && stored < m_ui->issueFilterPopup->count() ? int(stored) : 0);
    connect(m_ui->issueFilterPopup, &QComboBox::activated, this, [this](int index) {
        UserDefaultsKeys::set(qint64(index), UserDefaultsKeys::Key::selectedIssueFilter);
        issueFilterChanged(m_ui->issueFilterPopup);
    });

    connect(m_ui->currentUserIssuesOnlyCheckbox, &QAbstractButton::clicked, this,
            [this] { showOnlyMyIssuesCheckBoxClicked(m_ui->currentUserIssuesOnlyCheckbox); });
    for (QRadioButton* button : {m_ui->noSprintFilterRadioButton, m_ui->allSprintsRadioButton,
                                 m_ui->futureSprintsRadioButton, m_ui->openSprintsRadioButton})
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { sprintsRadioButtonAction(button); });
    connect(this, &DebugWindowController::sprintFilterChanged, this,
            &DebugWindowController::showSprintFilter);
    showSprintFilter();
    connect(m_ui->downloadResourcesButton, &QAbstractButton::clicked, this,
            [this] { downloadResourcesAction(m_ui->downloadResourcesButton); });
    connect(m_ui->addAccountButton, &QAbstractButton::clicked, this,
            [this] { showAuthorizationWindowAction(m_ui->addAccountButton); });

    connect(m_resourcesArrayController, &ArrayControllerBase::selectedObjectsChanged, this,
            &DebugWindowController::resourcesSelectionChanged);
    connect(m_projectsArrayController, &ArrayControllerBase::selectedObjectsChanged, this,
            &DebugWindowController::projectsSelectionChanged);
    connect(m_sprintsArrayController, &ArrayControllerBase::selectedObjectsChanged, this,
            &DebugWindowController::sprintsSelectionChanged);

    startGetAccessibleResourcesOperation();
}

void DebugWindowController::rebuildPopup(QComboBox* popup, const QStringList& titles, int selected) {
    const QSignalBlocker blocker(popup);
    popup->clear();
    for (const QString& title : titles)
        popup->addItem(Platform::Menus::popUpItemText(title));
    popup->setCurrentIndex(selected);
}

void DebugWindowController::showSprintFilter() {
    if (!m_ui)
        return;
    m_ui->noSprintFilterRadioButton->setChecked(m_selectedSprintFilter == SprintFilter::none);
    m_ui->allSprintsRadioButton->setChecked(m_selectedSprintFilter == SprintFilter::all);
    m_ui->futureSprintsRadioButton->setChecked(m_selectedSprintFilter == SprintFilter::future);
    m_ui->openSprintsRadioButton->setChecked(m_selectedSprintFilter == SprintFilter::open);
}

// MARK: - Actions

void DebugWindowController::downloadResourcesAction(QObject*) {
    startGetAccessibleResourcesOperation();
}

void DebugWindowController::showAuthorizationWindowAction(QObject*) {
    if (ApplicationCommands* delegate = ApplicationCommands::shared())
        delegate->showAuthorizationWindow(m_window, std::nullopt);
}

void DebugWindowController::resourcePopupAction(QObject* sender) {
    if (const auto* popup = qobject_cast<QComboBox*>(sender); popup && m_resourcesArrayController)
        m_resourcesArrayController->setSelectionIndex(popup->currentIndex());
}

void DebugWindowController::projectPopupAction(QObject* sender) {
    const auto* popup = qobject_cast<QComboBox*>(sender);
    if (!popup || !m_projectsArrayController)
        return;
    m_projectsArrayController->setSelectionIndex(popup->currentIndex());
    const QList<JiraProject> selected = m_projectsArrayController->selectedObjects();
    if (!selected.isEmpty())
        UserDefaultsKeys::set(selected.first().key(), UserDefaultsKeys::Key::selectedProjectID);
}

void DebugWindowController::issueFilterChanged(QObject*) {
    if (m_issuesArrayController)
        m_issuesArrayController->setContent(filterIssues(m_lastDownloadedIssues));
}

void DebugWindowController::showOnlyMyIssuesCheckBoxClicked(QObject*) {
    startGetIssuesOperation();
}

void DebugWindowController::sprintsRadioButtonAction(QObject* sender) {
    if (!sender)
        return;
    switch (sender->property("tag").toInt()) {
    case 0:
        m_selectedSprintFilter = SprintFilter::none;
        Q_EMIT sprintFilterChanged();
        break;
    case 1:
        setShowAllSprints(true);
        break;
    case 2:
        setFutureSprintsOnly(true);
        break;
    case 3:
        setOpenSprintsOnly(true);
        break;
    default:
        break;
    }
}

void DebugWindowController::pickSprintFilter(SprintFilter filter) {
    if (m_selectedSprintFilter == filter)
        return;
    m_selectedSprintFilter = filter;
    Q_EMIT sprintFilterChanged();
    startGetIssuesOperation();
}

void DebugWindowController::setShowAllSprints(bool show) {
    if (show)
        pickSprintFilter(SprintFilter::all);
}

void DebugWindowController::setFutureSprintsOnly(bool only) {
    if (only)
        pickSprintFilter(SprintFilter::future);
}

void DebugWindowController::setOpenSprintsOnly(bool only) {
    if (only)
        pickSprintFilter(SprintFilter::open);
}

// MARK: - Selection

DebugWindowController::ResourcePtr DebugWindowController::selectedResource() const {
    if (!m_resourcesArrayController)
        return nullptr;
    const QList<ResourcePtr> selected = m_resourcesArrayController->selectedObjects();
    return selected.size() == 1 ? selected.first() : nullptr;
}

std::optional<JiraProject> DebugWindowController::selectedProject() const {
    if (!m_projectsArrayController)
        return std::nullopt;
    const QList<JiraProject> selected = m_projectsArrayController->selectedObjects();
    if (selected.size() != 1)
        return std::nullopt;
    return selected.first();
}

void DebugWindowController::resourcesSelectionChanged() {
    m_projectsArrayController->setContent({});
    if (const ResourcePtr site = selectedResource())
        startGetProjectsOperation(site->cloudID());
    const QSignalBlocker blocker(m_ui->resourcesPopupButton);
    m_ui->resourcesPopupButton->setCurrentIndex(m_resourcesArrayController->selectionIndexes().value(0, -1));
}

void DebugWindowController::projectsSelectionChanged() {
    m_issuesArrayController->setContent({});
    m_boardsArrayController->setContent({});
    m_sprintsArrayController->setContent({});
    {
        const QSignalBlocker blocker(m_ui->projectsPopupButton);
        m_ui->projectsPopupButton->setCurrentIndex(
            m_projectsArrayController->selectionIndexes().value(0, -1));
    }
    if (selectedProject()) {
        startGetIssuesOperation();
        startGetBoardsOperation();
    }
}

void DebugWindowController::sprintsSelectionChanged() {
    m_issuesArrayController->setContent({});
    if (!selectedProject())
        return;
    if (!m_sprintsArrayController->selectedObjects().isEmpty()) {
        m_selectedSprintFilter = SprintFilter::none;
        Q_EMIT sprintFilterChanged();
    }
    startGetIssuesOperation();
}

// MARK: - Downloads

void DebugWindowController::setResources(const std::optional<QList<ResourcePtr>>& resources) {
    m_resources = resources;
    if (m_resourcesArrayController)
        m_resourcesArrayController->setContent(resources.value_or(QList<ResourcePtr>()));
}

DebugWindowController::ResourcePtr DebugWindowController::resourceWithCloudID(const QString& cloudID) const {
    if (!m_resources)
        return nullptr;
    for (const ResourcePtr& site : *m_resources) {
        if (site->cloudID() == cloudID)
            return site;
    }
    return nullptr;
}

void DebugWindowController::startGetAccessibleResourcesOperation() {
    const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts();
    if (!accounts || accounts->isEmpty())
        return;
    m_account = accounts->first();
    const QString accountID = m_account->accountID();
    QPointer<DebugWindowController> weakSelf(this);
    ZRJOperationManager::shared().getAccessibleResources(
        std::make_shared<JiraAccount>(*m_account), accountID,
        [weakSelf, accountID](const std::optional<QJsonArray>& sites, const Platform::OptionalError&) {
            if (!weakSelf)
                return;
            // The token check may have renewed the account's tokens: later requests use the stored ones.
            if (std::optional<JiraAccount> refreshed = JiraAccountManager::jiraAccount(accountID))
                weakSelf->m_account = std::move(refreshed);
            if (!sites)
                return;
            QList<ResourcePtr> resources;
            for (const QJsonValue& value : *sites) {
                if (ResourcePtr site = JiraResource::create(accountID, value.toObject()))
                    resources.append(site);
            }
            weakSelf->setResources(resources);
            for (const ResourcePtr& site : resources) {
                if (weakSelf && weakSelf->m_account)
                    weakSelf->startGetProjectsOperation(site->cloudID());
            }
        });
}

void DebugWindowController::startGetProjectsOperation(const QString& cloudID) {
    if (!m_account)
        return;
    const QString token = m_account->accessToken();
    QPointer<DebugWindowController> weakSelf(this);
    ZRJOperationManager::shared().getProjectsPaginated(
        token, cloudID,
        [weakSelf, cloudID](const std::optional<QJsonArray>& pages, const Platform::OptionalError&) {
            if (!weakSelf || !pages)
                return;
            QList<QJsonObject> values;
            for (const QJsonValue& page : *pages) {
                if (const std::optional<QList<QJsonObject>> objects =
                        objectsUnder(page.toObject(), QStringLiteral("values")))
                    values.append(*objects);
            }
            const ResourcePtr site = weakSelf->resourceWithCloudID(cloudID);
            if (!site)
                return;
            QList<JiraProject> projects;
            for (const QJsonObject& json : values) {
                if (std::optional<JiraProject> project =
                        JiraProject::create(site->accountID(), cloudID, site->url(), json))
                    projects.append(*project);
            }
            std::stable_sort(projects.begin(), projects.end(), nameLessThan);
            weakSelf->m_projects.insert(cloudID, projects);
            weakSelf->updateProjects();
        });
    ZRJOperationManager::shared().getAllUsers(
        token, cloudID, [weakSelf](const std::optional<QJsonArray>& users, const Platform::OptionalError&) {
            if (!weakSelf || !users)
                return;
            QList<JiraUser> list;
            for (const QJsonValue& user : *users)
                list.append(JiraUser(user.toObject()));
            weakSelf->m_userManager.addUsers(list);
        });
}

void DebugWindowController::updateProjects() {
    if (!m_projectsArrayController)
        return;
    const ResourcePtr site = selectedResource();
    if (!site) {
        m_projectsArrayController->setContent({});
        return;
    }
    const auto found = m_projects.constFind(site->cloudID());
    m_projectsArrayController->setContent(found != m_projects.constEnd() ? *found : QList<JiraProject>());
    const std::optional<QString> storedKey =
        UserDefaultsKeys::string(UserDefaultsKeys::Key::selectedProjectID);
    if (!storedKey || found == m_projects.constEnd())
        return;
    for (int i = 0; i < found->size(); ++i) {
        if (found->at(i).key() == *storedKey) {
            m_projectsArrayController->setSelectionIndex(i);
            const QSignalBlocker blocker(m_ui->projectsPopupButton);
            m_ui->projectsPopupButton->setCurrentIndex(i);
            return;
        }
    }
}

void DebugWindowController::startGetIssuesOperation() {
    const std::optional<JiraProject> project = selectedProject();
    if (!m_account || !project)
        return;
    ZRIssueSearchFilter filter;
    filter.project = project->key();
    filter.currentUserIssuesOnly = m_ui->currentUserIssuesOnlyCheckbox->isChecked();
    const QList<JiraSprint> sprints = m_sprintsArrayController->selectedObjects();
    if (!sprints.isEmpty())
        filter.sprintID = sprints.first().id();
    filter.futureSprintsOnly = m_selectedSprintFilter == SprintFilter::future;
    filter.openSprintsOnly = m_selectedSprintFilter == SprintFilter::open;
    const QString cloudID = project->cloudID();
    QPointer<DebugWindowController> weakSelf(this);
    ZRJOperationManager::shared().searchForIssues(
        m_account->accessToken(), cloudID, filter,
        [weakSelf, cloudID](const std::optional<QJsonObject>& response, const Platform::OptionalError&) {
            if (!weakSelf || !response)
                return;
            const std::optional<QList<QJsonObject>> objects =
                objectsUnder(*response, QStringLiteral("issues"));
            if (!objects)
                return;
            const ResourcePtr site = weakSelf->resourceWithCloudID(cloudID);
            const std::optional<QString> baseURL = site ? site->url() : std::nullopt;
            QList<JiraIssue> issues;
            for (const QJsonObject& json : *objects) {
                if (std::optional<JiraIssue> issue = JiraIssue::create(cloudID, baseURL, QString(), json))
                    issues.append(*issue);
            }
            weakSelf->m_lastDownloadedIssues = issues;
            weakSelf->m_issuesArrayController->setContent(filterIssues(issues));
        });
}

void DebugWindowController::startGetBoardsOperation() {
    const std::optional<JiraProject> project = selectedProject();
    if (!m_account || !project)
        return;
    writeLine(QStringLiteral("starting get boards for project identifier ") + project->identifier());
    const QString cloudID = project->cloudID();
    QPointer<DebugWindowController> weakSelf(this);
    ZRJOperationManager::shared().getBoardsForProjectID(
        m_account->accessToken(), cloudID, project->identifier(),
        [weakSelf, cloudID](const std::optional<QJsonObject>& response, const Platform::OptionalError&) {
            const std::optional<QList<JiraBoard>> boards = agileValues<JiraBoard>(response);
            if (!weakSelf || !boards)
                return;
            weakSelf->m_boards.insert(cloudID, *boards);
            weakSelf->m_boardsArrayController->setContent(*boards);
            weakSelf->startGetSprintsOperation();
        });
}

void DebugWindowController::startGetSprintsOperation() {
    const std::optional<JiraProject> project = selectedProject();
    if (!m_account || !project)
        return;
    const QString cloudID = project->cloudID();
    const auto found = m_boards.constFind(cloudID);
    if (found == m_boards.constEnd())
        return;
    bool numeric = false;
    const qint64 projectID = project->identifier().toLongLong(&numeric);
    for (const JiraBoard& board : *found) {
        const bool sameProject = numeric ? board.projectID() == projectID : !board.projectID().has_value();
        if (!sameProject || !board.isScrumBoard())
            continue;
        writeLine(QStringLiteral("found boardID is ") + QString::number(board.id()));
        QPointer<DebugWindowController> weakSelf(this);
        ZRJOperationManager::shared().getSprintsForBoardID(
            m_account->accessToken(), cloudID, QString::number(board.id()),
            [weakSelf, cloudID](const std::optional<QJsonObject>& response,
                                const Platform::OptionalError& error) {
                const std::optional<QList<JiraSprint>> sprints = agileValues<JiraSprint>(response);
                if (!weakSelf || !sprints)
                    return;
                weakSelf->m_sprints.insert(cloudID, *sprints);
                weakSelf->m_sprintsArrayController->setContent(*sprints);
                if (error)
                    qDebug() << "sprints answer came with an error:" << error->localizedDescription();
            });
    }
}

QList<JiraIssue> DebugWindowController::filterIssues(const QList<JiraIssue>& issues) {
    const qint64 raw = UserDefaultsKeys::integer(UserDefaultsKeys::Key::selectedIssueFilter);
    const auto type =
        raw >= 1 && raw <= 3 ? IssueFilter::IssueFilterType(raw) : IssueFilter::IssueFilterType::all;
    if (type == IssueFilter::IssueFilterType::all)
        return issues;
    const QString todo = QStringLiteral("To Do");
    const QString inProgress = QStringLiteral("In Progress");
    QList<JiraIssue> kept;
    for (const JiraIssue& issue : issues) {
        const std::optional<QString> category = issue.statusCategoryName();
        if (!category)
            continue;
        const bool keep = (type == IssueFilter::IssueFilterType::todo && *category == todo) ||
                          (type == IssueFilter::IssueFilterType::inProgress && *category == inProgress) ||
                          (type == IssueFilter::IssueFilterType::todoOrInProgress &&
                           (*category == todo || *category == inProgress));
        if (keep)
            kept.append(issue);
    }
    return kept;
}
