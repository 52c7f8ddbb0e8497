#include "Preferences/ProjectsPreferenceViewController.h"

#include "ui_ProjectsPreferenceViewController.h"

#include "Preferences/BoxedView.h"
#include "Preferences/FilterSettingsUIController.h"
#include "Preferences/IssueFilterArrayController.h"
#include "Preferences/ProjectsTableView.h"

#include "ApplicationCommands.h"
#include "IssueFilterManager.h"
#include "JiraAccountManager.h"
#include "JiraIssueManager.h"
#include "JiraResourcesManager.h"
#include "KeychainAccess.h"
#include "Model/StableSort.h"
#include "Platform/ErrorPresenter.h"
#include "Platform/MainThread.h"
#include "Platform/NotificationCenter.h"
#include "Platform/StringFormat.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/Alert.h"
#include "Platform/UI/Menus.h"
#include "ZRKit/UI/ZRImage.h"
#include "ZRKit/UI/ZRMenu.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRView.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

/*! What an add-project menu item stands for. */
using ProjectItemObject = std::shared_ptr<const JiraProject>;
Q_DECLARE_METATYPE(ProjectItemObject)

namespace {

/*! The colours of the table's footer bar, from the palette so that they suit light and dark themes. */
QColor assetColor(const QString& name) {
    const QPalette palette = QApplication::palette();
    if (name == u"tableFooterBackground")
        return palette.color(QPalette::Base).darker(103);
    if (name == u"tableFooterLine")
        return palette.color(QPalette::Mid);
    return {};
}

QString displayTitle(const JiraAccount& account) {
    return Platform::stringWithFormat(QStringLiteral("%@ (%@)"),
                                      {account.displayName(), account.emailAddress()});
}

} // namespace

ProjectsPreferenceViewController::ProjectsPreferenceViewController(QWidget* parent)
    : PreferenceViewController(parent)
    , m_ui(std::make_unique<Ui::ProjectsPreferenceViewController>())
    , m_arrayController(new IssueFilterArrayController(this))
    , m_filterSettingsUIController(new FilterSettingsUIController(this)) {
    m_ui->setupUi(this);

    ProjectsTableView* table = m_ui->filtersTableView;
    table->setModel(m_arrayController);
    table->setSelectionModel(m_arrayController->selectionModel());
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->setShowGrid(false);
    table->setAlternatingRowColors(true);
    m_tableMenu = new QMenu(this);
    QAction* deleteItem = m_tableMenu->addAction(tr("Delete"));
    ZRTargetAction::setTarget(deleteItem, this);
    ZRTargetAction::setAction(deleteItem, "removeProjectFilterAction");
    table->setContextMenu(m_tableMenu);

    m_noProjectsView = new QWidget(this);
    m_noProjectsView->setObjectName(QStringLiteral("noProjectsView"));
    m_noProjectsView->setAutoFillBackground(true);
    auto* noProjectsLayout = new QVBoxLayout(m_noProjectsView);
    m_noProjectsLabel = new QLabel(m_noProjectsView);
    m_noProjectsLabel->setObjectName(QStringLiteral("noProjectsLabel"));
    m_noProjectsLabel->setAlignment(Qt::AlignCenter);
    m_noProjectsLabel->setWordWrap(true);
    noProjectsLayout->addWidget(m_noProjectsLabel);
    m_noProjectsView->hide();
    // The empty table says the next step: the first server, or, once one is signed in, a project.
    Platform::NotificationCenter::defaultCenter().addObserver(
        JiraAccountManager::AccountsChangedNotification, this,
        [this](const Platform::Notification&) { updateArrayControllerContent(); });

    m_ui->addFilterButton->setDelegate(this);
    m_ui->serversButton->setDelegate(this);
    m_ui->serversButton->setIcon(ZRImage::imageNamed(QStringLiteral("reauthorizeServer")).toIcon());
    for (auto [button, action] :
         {std::pair{m_ui->updateButton, "updateAction"}, std::pair{m_ui->advancedButton, "advancedAction"}}) {
        ZRTargetAction::setTarget(button, this);
        ZRTargetAction::setAction(button, action);
    }
    m_ui->updateProgressIndicator->hide();
    connect(this, &ProjectsPreferenceViewController::showUpdateProgressChanged, this, [this] {
        m_ui->updateProgressIndicator->setVisible(m_showUpdateProgress);
        if (m_showUpdateProgress)
            m_ui->updateProgressIndicator->startAnimation();
        else
            m_ui->updateProgressIndicator->stopAnimation();
    });

    m_filterSettingsUIController->setControls(m_ui->issueFilterPopup, m_ui->sprintFilterPopup,
                                              m_ui->showOnlyMyIssuesCheckBox);
    // The advanced filter's summary follows the edited filter.
    connect(m_filterSettingsUIController, &FilterSettingsUIController::issueFilterChanged, this, [this] {
        disconnect(m_descriptionObservation);
        const std::shared_ptr<IssueFilter> filter = m_filterSettingsUIController->issueFilter();
        const auto show = [this, weak = std::weak_ptr<IssueFilter>(filter)] {
            const std::shared_ptr<IssueFilter> shown = weak.lock();
            m_ui->predicateDescriptionLabel->setText(shown ? shown->humanReadablePredicateDescription()
                                                           : QString());
        };
        show();
        m_ui->advancedButton->setEnabled(filter != nullptr);
        m_ui->updateButton->setEnabled(filter != nullptr);
        if (filter)
            m_descriptionObservation =
                connect(filter.get(), &IssueFilter::humanReadablePredicateDescriptionChanged, this, show);
    });
    m_ui->advancedButton->setEnabled(false);
    m_ui->updateButton->setEnabled(false);
}

ProjectsPreferenceViewController::~ProjectsPreferenceViewController() = default;

QString ProjectsPreferenceViewController::toolTip() const {
    return tr("Set Project Preferences", "preferences tooltip");
}

ProjectsTableView* ProjectsPreferenceViewController::filtersTableView() const {
    return m_ui->filtersTableView;
}

BoxedView* ProjectsPreferenceViewController::tableFooterView() const {
    return m_ui->tableFooterView;
}

MenuButton* ProjectsPreferenceViewController::addFilterButton() const {
    return m_ui->addFilterButton;
}

MenuButton* ProjectsPreferenceViewController::serversButton() const {
    return m_ui->serversButton;
}

void ProjectsPreferenceViewController::awakeFromNib() {
    PreferenceViewController::awakeFromNib();
    setTitle(tr("Projects", "preferences tab name"));
    m_filterSettingsUIController->awakeFromNib();
    connect(m_arrayController, &IssueFilterArrayController::selectedObjectsChanged, this,
            &ProjectsPreferenceViewController::selectionChanged);
}

void ProjectsPreferenceViewController::viewDidLoad() {
    PreferenceViewController::viewDidLoad();
    const QPointer<ProjectsPreferenceViewController> self(this);
    m_filterSettingsUIController->setIssuePropertyChangedBlock(
        [self](const std::shared_ptr<IssueFilter>& filter) {
            JiraIssueManager::startGetIssuesOperation(filter, true, [self](const auto&, const auto&) {
                if (self)
                    self->updateIssueCount();
            });
        });
    updateTableFooterView();
}

void ProjectsPreferenceViewController::setShowUpdateProgress(bool show) {
    if (m_showUpdateProgress == show)
        return;
    m_showUpdateProgress = show;
    Q_EMIT showUpdateProgressChanged();
}

void ProjectsPreferenceViewController::willShowViewInPreferencesPanel() {
    Platform::assertMainThread();
    updateArrayControllerContent();
    const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts();
    if (!accounts)
        return;
    for (const JiraAccount& account : *accounts)
        JiraResourcesManager::startGetAccessibleResourcesOperation(std::make_shared<JiraAccount>(account),
                                                                   account.accountID());
}

void ProjectsPreferenceViewController::willHideViewInPreferencesPanel() {
    IssueFilterManager::shared().saveIssueFilters();
}

bool ProjectsPreferenceViewController::shouldHideViewInPreferencesPanel() {
    IssueFilterManager::shared().saveIssueFilters();
    return true;
}

QMenu* ProjectsPreferenceViewController::menuForButton(MenuButton* button) {
    if (button == m_ui->addFilterButton)
        return buildAddFilterButtonMenu();
    if (button == m_ui->serversButton)
        return buildServersButtonMenu();
    return nullptr;
}

void ProjectsPreferenceViewController::selectionChanged() {
    const IssueFilterArrayController::IssueFilterList selected = m_arrayController->selectedObjects();
    if (selected.size() != 1)
        return;
    m_selectedFilter = selected.first();
    m_filterSettingsUIController->setIssueFilter(m_selectedFilter);
    if (!m_selectedFilter)
        return;
    const QPointer<ProjectsPreferenceViewController> self(this);
    JiraIssueManager::startGetIssuesOperation(m_selectedFilter, true, [self](const auto&, const auto&) {
        if (self)
            self->updateIssueCount();
    });
}

void ProjectsPreferenceViewController::updateArrayControllerContent() {
    const IssueFilterManager::IssueFilterList filters = IssueFilterManager::shared().allIssueFilters();
    m_arrayController->setContent(filters);
    ProjectsTableView* table = m_ui->filtersTableView;
    if (filters.isEmpty()) {
        const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts();
        m_noProjectsLabel->setText(
            accounts && !accounts->isEmpty()
                ? tr("No projects yet.\nAdd a project of your server with the + button below.")
                : tr("No projects yet.\nAdd a server with the Servers button below, then a project with the "
                     "+ button."));
        ZRView::fillWithSubview(table, m_noProjectsView);
        m_noProjectsView->show();
        m_noProjectsView->raise();
    } else if (m_noProjectsView->parentWidget() == table) {
        ZRView::removeConstraintsWithSuperview(m_noProjectsView);
        m_noProjectsView->hide();
        m_noProjectsView->setParent(this);
    }
}

void ProjectsPreferenceViewController::updateTableFooterView() {
    BoxedView* footer = m_ui->tableFooterView;
    footer->setBackgroundColor(assetColor(QStringLiteral("tableFooterBackground")));
    const QColor line = assetColor(QStringLiteral("tableFooterLine"));
    footer->setTopLineColor(line);
    footer->setRightLineColor(line);
    footer->setBottomLineColor(line);
    footer->setLeftLineColor(line);
}

void ProjectsPreferenceViewController::updateIssueCount() {
    const IssueFilterArrayController::IssueFilterList selected = m_arrayController->selectedObjects();
    if (selected.size() != 1)
        return;
    const std::optional<QList<JiraIssue>> issues = JiraIssueManager::issues(*selected.first());
    Platform::SystemLog::log(
        QStringLiteral("Found %1 issues for '%2'")
            .arg(QString::number(issues ? issues->size() : 0), selected.first()->name()));
}

void ProjectsPreferenceViewController::startUpdate(const std::shared_ptr<IssueFilter>& filter) {
    setShowUpdateProgress(true);
    const QPointer<ProjectsPreferenceViewController> self(this);
    JiraIssueManager::startGetIssuesOperation(filter, true,
                                              [self](const auto&, const Platform::OptionalError& error) {
                                                  if (error)
                                                      Platform::presentError(*error);
                                                  if (self)
                                                      self->setShowUpdateProgress(false);
                                              });
}

void ProjectsPreferenceViewController::updateAction(QObject*) {
    Platform::assertMainThread();
    if (m_selectedFilter)
        startUpdate(m_selectedFilter);
}

void ProjectsPreferenceViewController::advancedAction(QObject*) {
    Platform::assertMainThread();
    QWidget* shownIn = window();
    if (!shownIn || shownIn == this || !m_selectedFilter)
        return;
    const std::shared_ptr<IssueFilter> filter = m_selectedFilter;
    const QPointer<ProjectsPreferenceViewController> self(this);
    m_filterSettingsUIController->showPredicateEditor(
        shownIn, [self, filter](const std::optional<Platform::Predicate>& predicate, bool deleted) {
            if (self)
                self->advancedHandler(filter, predicate, deleted);
            else if (deleted || predicate) {
                // The pane went while the sheet was up: the user's choice is still kept.
                filter->setPredicate(deleted ? std::nullopt : predicate);
                IssueFilterManager::shared().saveIssueFilters();
            }
        });
}

void ProjectsPreferenceViewController::advancedHandler(const std::shared_ptr<IssueFilter>& filter,
                                                       const std::optional<Platform::Predicate>& predicate,
                                                       bool deleted) {
    if (!deleted && !predicate)
        return;
    if (deleted) {
        const bool hadPredicate = filter->predicate().has_value();
        filter->setPredicate(std::nullopt);
        IssueFilterManager::shared().saveIssueFilters();
        if (!hadPredicate)
            return;
    } else {
        filter->setPredicate(predicate);
        IssueFilterManager::shared().saveIssueFilters();
    }
    if (m_selectedFilter)
        startUpdate(m_selectedFilter);
}

QMenu* ProjectsPreferenceViewController::buildAddFilterButtonMenu() {
    Platform::assertMainThread();
    auto* menu = new QMenu();
    const auto addServerItem = [this, menu] {
        ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(
            menu, tr("Add Server…", "menu item"), "showAuthorizationWindowAction", QString(), 0, this, 0);
    };
    const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts();
    if (!accounts || accounts->isEmpty()) {
        addServerItem();
        return menu;
    }
    const QHash<QString, JiraResourcesManager::ResourceList>& resources =
        JiraResourcesManager::resourcesPerAccount();
    for (const JiraAccount& account : *accounts) {
        const auto sites = resources.constFind(account.accountID());
        if (sites == resources.constEnd())
            continue;
        for (const std::shared_ptr<JiraResource>& site : *sites) {
            if (!site->name() || !site->projects())
                continue;
            const QList<JiraProject> projects =
                stableSorted<JiraProject>(*site->projects(), [](const JiraProject& a, const JiraProject& b) {
                    return a.name()
                               .value_or(a.identifier())
                               .compare(b.name().value_or(b.identifier()), Qt::CaseInsensitive) < 0;
                });
            QAction* heading = Platform::Menus::addItem(menu, *site->name());
            heading->setEnabled(false);
            for (const JiraProject& project : projects) {
                if (!project.name())
                    continue;
                QAction* item = ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(
                    menu, Platform::Menus::menuItemText(*project.name()), "addProjectFilterMenuAction",
                    QString(), 0, this, 1);
                item->setData(QVariant::fromValue(std::make_shared<const JiraProject>(project)));
            }
        }
        menu->addSeparator();
        addServerItem();
    }
    return menu;
}

QMenu* ProjectsPreferenceViewController::buildServersButtonMenu() {
    Platform::assertMainThread();
    auto* menu = new QMenu();
    menu->addAction(tr("Authorized Servers", "menu item"))->setEnabled(false);
    menu->addSeparator();
    const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts();
    if (accounts && !accounts->isEmpty()) {
        QMenu* reauthorize = buildAccountsActionMenu(*accounts, "showAuthorizationWindowAction",
                                                     QStringLiteral("reauthorizeServer"), menu);
        reauthorize->setTitle(tr("Re-Authorize", "menu item"));
        menu->addMenu(reauthorize);
        QMenu* remove =
            buildAccountsActionMenu(*accounts, "removeServerAction", QStringLiteral("removeServer"), menu);
        remove->setTitle(tr("Remove", "menu item"));
        menu->addMenu(remove);
        menu->addSeparator();
    }
    ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(
        menu, tr("Add…", "menu item"), "showAuthorizationWindowAction", QString(), 0, this, 0);
    return menu;
}

QMenu* ProjectsPreferenceViewController::buildAccountsActionMenu(const QList<JiraAccount>& accounts,
                                                                 const QByteArray& action,
                                                                 const QString& imageName, QWidget* parent) {
    auto* menu = new QMenu(parent);
    const QIcon image = ZRImage::imageNamed(imageName).toIcon();
    for (const JiraAccount& account : accounts) {
        QAction* item = ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(
            menu, Platform::Menus::menuItemText(displayTitle(account)), action, QString(), 0, this, 0);
        item->setData(account.accountID());
        item->setIcon(image);
    }
    return menu;
}

void ProjectsPreferenceViewController::addProjectFilterMenuAction(QObject* sender) {
    Platform::assertMainThread();
    auto* item = qobject_cast<QAction*>(sender);
    if (!item || item->data().userType() != qMetaTypeId<ProjectItemObject>())
        return;
    const ProjectItemObject project = item->data().value<ProjectItemObject>();
    if (!project)
        return;
    IssueFilterManager::shared().append(IssueFilter::forProject(*project));
    updateArrayControllerContent();
}

void ProjectsPreferenceViewController::showAuthorizationWindowAction(QObject* sender) {
    Platform::assertMainThread();
    std::optional<JiraAccount> account;
    if (auto* item = qobject_cast<QAction*>(sender); item && item->data().typeId() == QMetaType::QString)
        account = JiraAccountManager::jiraAccount(item->data().toString());
    showAuthorizationWindow(account);
}

void ProjectsPreferenceViewController::removeServerAction(QObject* sender) {
    Platform::assertMainThread();
    auto* item = qobject_cast<QAction*>(sender);
    if (!item || item->data().typeId() != QMetaType::QString)
        return;
    const QString accountID = item->data().toString();
    const std::optional<JiraAccount> account = JiraAccountManager::jiraAccount(accountID);
    if (!account)
        return;
    IssueFilterManager& store = IssueFilterManager::shared();
    QList<std::shared_ptr<IssueFilter>> filters;
    for (const std::shared_ptr<IssueFilter>& filter : store.allIssueFilters()) {
        if (filter->accountID() == accountID)
            filters.append(filter);
    }
    Platform::Alert alert;
    alert.setMessageText(tr("Delete Authorized Server?", "Alert delete server."));
    alert.setInformativeText(
        Platform::stringWithFormat(tr("Do you really want to delete the authorized server %@ and all its "
                                      "projects (%d)? This can not be undone."),
                                   {account->displayName(), int(filters.size())}));
    alert.addButtonWithTitle(tr("Delete"));
    alert.addButtonWithTitle(tr("Cancel"));
    if (alert.runModal() != Platform::ModalResponse::FirstButton)
        return;
    for (const std::shared_ptr<IssueFilter>& filter : std::as_const(filters))
        store.remove(*filter);
    // Also forgets a refreshed copy that the keychain could not take, so the account does not come back.
    if (!JiraAccountManager::removeAccount(accountID))
        Platform::SystemLog::log(QStringLiteral("could not delete jira account"));
    updateArrayControllerContent();
}

void ProjectsPreferenceViewController::removeProjectFilterAction(QObject*) {
    Platform::assertMainThread();
    const IssueFilterArrayController::IssueFilterList selected = m_arrayController->selectedObjects();
    if (selected.isEmpty())
        return;
    Platform::Alert alert;
    if (selected.size() == 1) {
        alert.setMessageText(tr("Delete Project?"));
        alert.setInformativeText(Platform::stringWithFormat(
            tr("Do you really want to delete the project %@? This can not be undone."),
            {selected.first()->name()}));
    } else {
        alert.setMessageText(tr("Delete Projects?"));
        alert.setInformativeText(Platform::stringWithFormat(
            tr("Do you really want to delete %ld projects? This can not be undone."),
            {qint64(selected.size())}));
    }
    alert.addButtonWithTitle(tr("Delete"));
    alert.addButtonWithTitle(tr("Cancel"));
    if (alert.runModal() != Platform::ModalResponse::FirstButton)
        return;
    for (const std::shared_ptr<IssueFilter>& filter : selected)
        IssueFilterManager::shared().remove(*filter);
    updateArrayControllerContent();
}

void ProjectsPreferenceViewController::showAuthorizationWindow(const std::optional<JiraAccount>& account) {
    ApplicationCommands* delegate = ApplicationCommands::shared();
    if (!delegate)
        return;
    QWidget* shownIn = window();
    delegate->showAuthorizationWindow(shownIn == this ? nullptr : shownIn, account);
}
