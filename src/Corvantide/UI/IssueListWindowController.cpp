#include "IssueListWindowController.h"

#include "ui_IssueListWindowController.h"

#include "ApplicationCommands.h"
#include "IssueFilterManager.h"
#include "JiraAccountManager.h"
#include "JiraIssueManager.h"
#include "JiraResourcesManager.h"
#include "Preferences/FilterSettingsUIController.h"
#include "UserDefaultsKeys.h"

#include "Platform/MainThread.h"
#include "Platform/NotificationCenter.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/Menus.h"
#include "Platform/UI/Workspace.h"
#include "Platform/UserDefaults.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QShortcut>
#include <QUuid>

namespace {

const QString IssuesUpdatedFinished = QStringLiteral("issuesUpdatedFinished");

/*! The pop-up's rows before the first project: "All Projects" and a separator. */
constexpr int FirstProjectIndex = 2;

void openIssueURL(const JiraIssue& issue) {
    if (const std::optional<QUrl>& url = issue.url())
        Platform::Workspace::openURL(*url);
}

} // namespace

IssueListWindowController::IssueListWindowController(QObject* parent)
    : QObject(parent) {}

IssueListWindowController::~IssueListWindowController() {
    disconnect(m_issuesUpdateNotificationToken);
    // The window's own destruction must not reach eventFilter(): by then it is no longer a QMainWindow.
    if (m_window)
        m_window->removeEventFilter(this);
    delete m_window;
}

QMainWindow* IssueListWindowController::window() {
    Platform::assertMainThread();
    if (!m_window) {
        m_ui = std::make_unique<Ui::IssueListWindowController>();
        m_window = new QMainWindow();
        m_ui->setupUi(m_window);
        windowDidLoad();
    }
    return m_window;
}

void IssueListWindowController::showWindow() {
    QMainWindow* shown = window();
    shown->show();
    shown->raise();
    shown->activateWindow();
}

QTableView* IssueListWindowController::tableView() const {
    return m_ui ? m_ui->tableView : nullptr;
}

QLineEdit* IssueListWindowController::searchField() const {
    return m_ui ? m_ui->searchField : nullptr;
}

QComboBox* IssueListWindowController::projectsPopupButton() const {
    return m_ui ? m_ui->projectsPopupButton : nullptr;
}

QComboBox* IssueListWindowController::filterStylePopupButton() const {
    return m_ui ? m_ui->filterStylePopupButton : nullptr;
}

QSplitter* IssueListWindowController::splitView() const {
    return m_ui ? m_ui->splitView : nullptr;
}

// MARK: - Loading

void IssueListWindowController::windowDidLoad() {
    m_issuesArrayController = new ArrayController<JiraIssue>(
        [](const JiraIssue& issue, const QString& keyPath) { return issue.value(keyPath); }, this);
    m_issuesArrayController->setColumns(
        {{tr("Key", "issue table column"), QStringLiteral("key")},
         {tr("Summary", "issue table column"), QStringLiteral("summary")},
         {tr("Assignee", "issue table column"), QStringLiteral("assigneeDisplayName")},
         {tr("Status", "issue table column"), QStringLiteral("statusName")},
         {tr("Created", "issue table column"), QStringLiteral("createdDate")}});

    QTableView* table = m_ui->tableView;
    table->setModel(m_issuesArrayController);
    table->setSelectionModel(m_issuesArrayController->selectionModel());
    table->verticalHeader()->hide();
    // The summary takes the room that is left; every other column is as wide as its content, so a date
    // or a name never wraps.
    table->setWordWrap(false);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_ui->splitView->setStretchFactor(0, 1);
    m_ui->splitView->setStretchFactor(1, 0);

    Platform::Menus::fitPopUpToItems(m_ui->projectsPopupButton);

    // The developer's debug window: no menu leads there, only this shortcut.
    auto* debugShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), window());
    connect(debugShortcut, &QShortcut::activated, this, [] {
        if (ApplicationCommands* commands = ApplicationCommands::shared())
            commands->showDebugWindow();
    });

    // The table's double click and its context menu for the clicked row.
    connect(table, &QAbstractItemView::doubleClicked, this,
            [this] { tableViewDoubleAction(m_ui->tableView); });
    connect(table, &QWidget::customContextMenuRequested, this, &IssueListWindowController::showIssueMenu);
    m_issueMenu = new QMenu(table);
    const auto addItem = [this](const QString& title, void (IssueListWindowController::*action)(QObject*)) {
        QAction* item = m_issueMenu->addAction(title);
        connect(item, &QAction::triggered, this, [this, item, action] { (this->*action)(item); });
    };
    addItem(tr("Open in Browser", "issue context menu"), &IssueListWindowController::openIssueURLAction);
    m_issueMenu->addSeparator();
    addItem(tr("Copy URL", "issue context menu"), &IssueListWindowController::copyIssueURLAction);
    addItem(tr("Copy Key", "issue context menu"), &IssueListWindowController::copyIssueKeyAction);
    addItem(tr("Copy Summary", "issue context menu"), &IssueListWindowController::copyIssueSummary);

    connect(m_ui->searchField, &QLineEdit::textChanged, this,
            [this] { searchFieldChanged(m_ui->searchField); });
    connect(m_ui->updateButton, &QAbstractButton::clicked, this,
            [this] { updateIssues(m_ui->updateButton); });
    connect(m_ui->sidebarButton, &QAbstractButton::clicked, this,
            [this] { toggleFilterSidebar(m_ui->sidebarButton); });
    connect(m_ui->advancedButton, &QAbstractButton::clicked, this,
            [this] { showPredicateWindow(m_ui->advancedButton); });
    connect(m_ui->projectsPopupButton, &QComboBox::activated, this, [this](int index) {
        QComboBox* popup = m_ui->projectsPopupButton;
        if (index == popup->count() - 1) {
            // The last item opens the preferences; the list is then worked out as for all projects.
            if (ApplicationCommands* delegate = ApplicationCommands::shared())
                delegate->showPreferences(popup);
            return;
        }
        projectPopupChanged(popup);
    });
    // The mode control sets the mode, then tells of the change.
    connect(m_ui->filterStylePopupButton, &QComboBox::activated, this, [this](int index) {
        setUseCustomFilter(index == 1);
        filterStylePopupChanged(m_ui->filterStylePopupButton);
    });
    connect(this, &IssueListWindowController::useCustomFilterChanged, this, [this] {
        m_ui->filterStylePopupButton->setCurrentIndex(m_useCustomFilter ? 1 : 0);
        m_ui->filterSidebar->setEnabled(m_useCustomFilter);
    });
    m_ui->progressIndicator->hide();
    connect(this, &IssueListWindowController::isDownloadingIssuesChanged, this, [this] {
        m_ui->progressIndicator->setVisible(m_isDownloadingIssues);
        if (m_isDownloadingIssues)
            m_ui->progressIndicator->startAnimation();
        else
            m_ui->progressIndicator->stopAnimation();
    });

    // Each time the window becomes the active one, and after every search of the periodic update.
    m_window->installEventFilter(this);
    m_issuesUpdateNotificationToken = Platform::NotificationCenter::defaultCenter().addObserver(
        IssuesUpdatedFinished, this, [this](const Platform::Notification&) { updateIssueTableView(); });

    m_customIssueFilter = loadCustomIssueFilter();
    if (!m_customIssueFilter)
        m_customIssueFilter = defaultCustomIssueFilter();
    m_useCustomFilter = Platform::UserDefaults::standard().boolean(UserDefaultsKeys::UseCustomFilter);
    Q_EMIT useCustomFilterChanged();

    m_filterSettingsUIController = new FilterSettingsUIController(this);
    m_filterSettingsUIController->setControls(m_ui->issueFilterPopup, m_ui->sprintFilterPopup,
                                              m_ui->showOnlyMyIssuesCheckBox);
    m_filterSettingsUIController->awakeFromNib();
    m_filterSettingsUIController->setIssueFilter(m_customIssueFilter);
    QPointer<IssueListWindowController> weakSelf(this);
    m_filterSettingsUIController->setIssuePropertyChangedBlock(
        [weakSelf](const std::shared_ptr<IssueFilter>&) {
            if (!weakSelf)
                return;
            weakSelf->saveCustomIssueFilter();
            weakSelf->downloadIssuesWithCustomFilter();
        });
    updatePredicateDescription();

    if (m_useCustomFilter)
        downloadIssuesWithCustomFilter();
    else
        updateIssueTableView();
    updateProjectPopup();
}

bool IssueListWindowController::eventFilter(QObject* watched, QEvent* event) {
    // The type first: comparing with m_window casts to QMainWindow, which a window in destruction is not.
    if (event->type() == QEvent::WindowActivate && watched == m_window) {
        // Projects may have been added, renamed or removed in the preferences meanwhile.
        updateProjectPopup();
        updateIssueTableView();
    }
    return QObject::eventFilter(watched, event);
}

void IssueListWindowController::setUseCustomFilter(bool use) {
    if (m_useCustomFilter == use)
        return;
    m_useCustomFilter = use;
    Q_EMIT useCustomFilterChanged();
}

void IssueListWindowController::setIsDownloadingIssues(bool downloading) {
    if (m_isDownloadingIssues == downloading)
        return;
    m_isDownloadingIssues = downloading;
    Q_EMIT isDownloadingIssuesChanged();
}

// MARK: - Actions

void IssueListWindowController::searchFieldChanged(QObject*) {
    updateIssueTableView();
}

void IssueListWindowController::filterStylePopupChanged(QObject*) {
    Platform::UserDefaults::standard().setValue(UserDefaultsKeys::UseCustomFilter, m_useCustomFilter);
    if (m_useCustomFilter)
        downloadIssuesWithCustomFilter();
    else
        updateIssueTableView();
}

void IssueListWindowController::projectPopupChanged(QObject*) {
    if (m_useCustomFilter)
        downloadIssuesWithCustomFilter();
    else
        updateIssueTableView();
}

void IssueListWindowController::updateIssues(QObject*) {
    if (m_useCustomFilter) {
        downloadIssuesWithCustomFilter();
        return;
    }
    if (ApplicationCommands* delegate = ApplicationCommands::shared())
        delegate->updateResourcesAndIssues();
}

void IssueListWindowController::tableViewDoubleAction(QObject*) {
    if (!m_issuesArrayController)
        return;
    const QList<JiraIssue> selected = m_issuesArrayController->selectedObjects();
    if (!selected.isEmpty())
        openIssueURL(selected.first());
}

void IssueListWindowController::openIssueURLAction(QObject*) {
    if (const std::optional<JiraIssue> issue = clickedIssue())
        openIssueURL(*issue);
}

void IssueListWindowController::copyIssueURLAction(QObject*) {
    const std::optional<JiraIssue> issue = clickedIssue();
    if (issue && issue->url())
        copyToPasteboard(issue->url()->toString(QUrl::FullyEncoded));
}

void IssueListWindowController::copyIssueKeyAction(QObject*) {
    if (const std::optional<JiraIssue> issue = clickedIssue())
        copyToPasteboard(issue->key());
}

void IssueListWindowController::copyIssueSummary(QObject*) {
    const std::optional<JiraIssue> issue = clickedIssue();
    if (!issue)
        return;
    if (const std::optional<QString> summary = issue->summary())
        copyToPasteboard(*summary);
}

void IssueListWindowController::copyToPasteboard(const QString& text) {
    QClipboard* pasteboard = QGuiApplication::clipboard();
    pasteboard->clear();
    pasteboard->setText(text);
}

void IssueListWindowController::showPredicateWindow(QObject*) {
    if (!m_window || !m_filterSettingsUIController)
        return;
    QPointer<IssueListWindowController> weakSelf(this);
    m_filterSettingsUIController->showPredicateEditor(
        m_window, [weakSelf](const std::optional<Platform::Predicate>& predicate, bool deleted) {
            if (!weakSelf || !weakSelf->m_customIssueFilter)
                return;
            if (!predicate && !deleted)
                return;
            weakSelf->m_customIssueFilter->setPredicate(deleted ? std::nullopt : predicate);
            weakSelf->saveCustomIssueFilter();
            weakSelf->downloadIssuesWithCustomFilter();
        });
}

void IssueListWindowController::toggleFilterSidebar(QObject*) {
    QSplitter* split = splitView();
    if (!split || split->count() < 2)
        return;
    const bool collapsed = split->widget(1)->isHidden() || split->sizes().value(1) == 0;
    if (collapsed)
        openSidebar();
    else
        closeSidebar();
}

void IssueListWindowController::closeSidebar() {
    QSplitter* split = splitView();
    split->widget(1)->hide();
    split->setSizes({split->width(), 0});
    split->update();
}

void IssueListWindowController::openSidebar() {
    QSplitter* split = splitView();
    QWidget* sidebar = split->widget(1);
    sidebar->show();
    const int width = std::max(sidebar->sizeHint().width(), 200);
    split->setSizes({std::max(0, split->width() - width), width});
    split->update();
}

void IssueListWindowController::updatePredicateDescription() {
    disconnect(m_predicateDescriptionObservation);
    if (!m_ui || !m_customIssueFilter)
        return;
    const auto show = [this] {
        m_ui->predicateDescriptionLabel->setText(m_customIssueFilter->humanReadablePredicateDescription());
    };
    show();
    m_predicateDescriptionObservation = connect(
        m_customIssueFilter.get(), &IssueFilter::humanReadablePredicateDescriptionChanged, this, show);
}

// MARK: - The list

std::shared_ptr<IssueFilter> IssueListWindowController::selectedIssueFilter() const {
    const QComboBox* popup = projectsPopupButton();
    if (!popup)
        return nullptr;
    const int index = popup->currentIndex();
    if (index <= 0)
        return nullptr;
    const IssueFilterManager::IssueFilterList filters = IssueFilterManager::shared().allIssueFilters();
    const int k = index - FirstProjectIndex;
    if (k >= 0 && k < filters.size())
        return filters.at(k);
    return nullptr;
}

bool IssueListWindowController::takesPart(const std::shared_ptr<IssueFilter>& filter,
                                          const std::shared_ptr<IssueFilter>& selected) const {
    return !selected || filter == selected;
}

QList<JiraIssue> IssueListWindowController::allIssues() const {
    if (m_useCustomFilter)
        return m_customIssues;
    QList<JiraIssue> issues;
    const std::shared_ptr<IssueFilter> selected = selectedIssueFilter();
    for (const std::shared_ptr<IssueFilter>& filter : IssueFilterManager::shared().allIssueFilters()) {
        if (!takesPart(filter, selected))
            continue;
        if (const std::optional<QList<JiraIssue>> cached = JiraIssueManager::issues(*filter))
            issues.append(*cached);
    }
    return issues;
}

QList<JiraIssue> IssueListWindowController::issuesMatchingString(const QList<JiraIssue>& issues,
                                                                 const QString& filterString) {
    QList<JiraIssue> matching;
    for (const JiraIssue& issue : issues) {
        if (issue.matchesString(filterString))
            matching.append(issue);
    }
    return matching;
}

void IssueListWindowController::updateIssueTableView() {
    Platform::assertMainThread();
    if (!m_issuesArrayController)
        return;
    const QString search = m_ui->searchField->text();
    setIssuesContent(search.isEmpty() ? allIssues() : issuesMatchingString(allIssues(), search));
}

void IssueListWindowController::setIssuesContent(const QList<JiraIssue>& issues) {
    m_clickedRow = -1;
    m_issuesArrayController->setContent(issues);
}

std::optional<JiraIssue> IssueListWindowController::clickedIssue() const {
    if (m_clickedRow < 0 || !m_issuesArrayController ||
        m_clickedRow >= m_issuesArrayController->arrangedObjects().size())
        return std::nullopt;
    return m_issuesArrayController->arrangedObjects().at(m_clickedRow);
}

void IssueListWindowController::showIssueMenu(const QPoint& position) {
    if (!m_ui)
        return;
    m_clickedRow = m_ui->tableView->indexAt(position).row();
    if (m_clickedRow < 0)
        return;
    m_issueMenu->popup(m_ui->tableView->viewport()->mapToGlobal(position));
}

void IssueListWindowController::updateProjectPopup() {
    QComboBox* popup = projectsPopupButton();
    if (!popup)
        return;
    // The project chosen before stays chosen while it is tracked.
    const std::shared_ptr<IssueFilter> selected = selectedIssueFilter();
    const IssueFilterManager::IssueFilterList filters = IssueFilterManager::shared().allIssueFilters();
    const QSignalBlocker blocker(popup);
    popup->clear();
    popup->addItem(tr("All Projects", "Popup menu item title"));
    popup->insertSeparator(popup->count());
    int selectedIndex = 0;
    for (const std::shared_ptr<IssueFilter>& filter : filters) {
        if (filter == selected)
            selectedIndex = popup->count();
        popup->addItem(Platform::Menus::popUpItemText(filter->name()));
    }
    popup->insertSeparator(popup->count());
    popup->addItem(tr("Settings…", "Popup menu item title"));
    popup->setCurrentIndex(selectedIndex);
}

// MARK: - Custom download

void IssueListWindowController::downloadIssuesWithCustomFilter() {
    Platform::assertMainThread();
    const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts();
    if (!accounts || accounts->isEmpty() || !m_customIssueFilter || !m_issuesArrayController)
        return;

    // A newer download replaces the running one: what the older one still receives is dropped.
    m_download = CustomDownload{m_download.generation + 1, 0, 0};
    setIsDownloadingIssues(true);
    setIssuesContent({});
    m_customIssues.clear();

    QStringList accountIDs;
    for (const JiraAccount& account : *accounts)
        accountIDs.append(account.accountID());
    const std::shared_ptr<IssueFilter> selected = selectedIssueFilter();
    int countdown = 0;
    for (const std::shared_ptr<IssueFilter>& filter : IssueFilterManager::shared().allIssueFilters()) {
        if (takesPart(filter, selected) && accountIDs.contains(filter->accountID()))
            ++countdown;
    }
    if (countdown == 0) {
        finishCustomDownload();
        return;
    }

    m_download.pendingAccounts = int(accounts->size());
    const int generation = m_download.generation;
    for (const JiraAccount& account : *accounts) {
        QPointer<IssueListWindowController> weakSelf(this);
        const QString accountID = account.accountID();
        JiraResourcesManager::startGetAccessibleResourcesOperation(
            std::make_shared<JiraAccount>(account), accountID,
            [weakSelf, generation, accountID](const std::optional<QList<Platform::Error>>&) {
                // Errors of the site refresh do not stop the search: it uses the token as stored.
                if (weakSelf)
                    weakSelf->accountResourcesArrived(generation, accountID);
            });
    }
}

void IssueListWindowController::accountResourcesArrived(int generation, const QString& accountID) {
    if (generation != m_download.generation)
        return;
    --m_download.pendingAccounts;
    // The filters are read again: the projects may have changed since the download started.
    const std::shared_ptr<IssueFilter> selected = selectedIssueFilter();
    for (const std::shared_ptr<IssueFilter>& filter : IssueFilterManager::shared().allIssueFilters()) {
        if (!takesPart(filter, selected) || filter->accountID() != accountID)
            continue;
        QString error;
        const std::shared_ptr<IssueFilter> copy = IssueFilter::fromJsonData(filter->toJsonData(), &error);
        if (!copy) {
            Platform::SystemLog::log(QStringLiteral("error copying filter)"));
            continue;
        }
        copy->setIssueFilter(m_customIssueFilter->issueFilter());
        copy->setSprintFilter(m_customIssueFilter->sprintFilter());
        copy->setShowOnlyMyIssues(m_customIssueFilter->showOnlyMyIssues());
        copy->setPredicate(m_customIssueFilter->predicate());
        ++m_download.pendingSearches;
        QPointer<IssueListWindowController> weakSelf(this);
        JiraIssueManager::startGetIssuesOperation(
            copy, false,
            [weakSelf, generation](const std::optional<QList<JiraIssue>>& issues,
                                   const Platform::OptionalError&) {
                if (weakSelf)
                    weakSelf->customSearchFinished(generation, issues);
            });
    }
    // Nothing left to wait for: the download ends even when no search was started.
    if (m_download.generation == generation && m_download.pendingAccounts == 0 &&
        m_download.pendingSearches == 0)
        finishCustomDownload();
}

void IssueListWindowController::customSearchFinished(int generation,
                                                     const std::optional<QList<JiraIssue>>& issues) {
    if (generation != m_download.generation)
        return;
    --m_download.pendingSearches;
    if (issues)
        m_customIssues.append(*issues);
    // Once every search has been started, each answer shows the list so far.
    if (m_download.pendingAccounts == 0)
        finishCustomDownload();
}

void IssueListWindowController::finishCustomDownload() {
    updateIssueTableView();
    setIsDownloadingIssues(false);
}

// MARK: - The custom filter

std::shared_ptr<IssueFilter> IssueListWindowController::defaultCustomIssueFilter() {
    return std::make_shared<IssueFilter>(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(),
                                         QString(), QString(), QString(), QStringLiteral("custom filter"));
}

void IssueListWindowController::saveCustomIssueFilter() {
    if (!m_customIssueFilter)
        return;
    const QByteArray data = m_customIssueFilter->toJsonData();
    if (data.isEmpty()) {
        Platform::SystemLog::log(QStringLiteral("failed to encode custom fitler data"));
        return;
    }
    Platform::UserDefaults::standard().setValue(UserDefaultsKeys::CustomIssueFilter, data);
}

std::shared_ptr<IssueFilter> IssueListWindowController::loadCustomIssueFilter() const {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    if (!defaults.value(UserDefaultsKeys::CustomIssueFilter).isValid())
        return nullptr;
    std::shared_ptr<IssueFilter> filter =
        IssueFilter::fromJsonData(defaults.data(UserDefaultsKeys::CustomIssueFilter));
    if (!filter)
        Platform::SystemLog::log(QStringLiteral("failed to decode custom fitler data"));
    return filter;
}
