#include "AppDelegate.h"
#include "ZRUpdater/ZRUpdater.h"

#include "AppLifecycle.h"
#include "AuthorizeWebViewController.h"
#include "ZRUpdater/ZRUpdater.h"

#include "DebugWindowController.h"
#include "FileDecrypter.h"
#include "IssueFilterManager.h"
#include "IssueListWindowController.h"
#include "JiraAccountManager.h"
#include "JiraIssueManager.h"
#include "JiraResourcesManager.h"
#include "Preferences/PreferencesWindowController.h"
#include "StatusMenuBuilder.h"
#include "TrayUnavailableWindow.h"
#include "URLImageMenuItem.h"
#include "UserDefaultsKeys.h"

#include "Platform/Bundle.h"
#include "Platform/Clock.h"
#include "Platform/ErrorPresenter.h"
#include "Platform/HttpActivityHub.h"
#include "Platform/MainThread.h"
#include "Platform/NotificationCenter.h"
#include "Platform/SentryDsn.h"
#include "Platform/StringFormat.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/ActivationPolicy.h"
#include "Platform/UI/Menus.h"
#include "Platform/UI/Workspace.h"
#include "Platform/UserDefaults.h"
#include "ZRJira/ZRJConnector.h"
#include "ZRJira/ZRJConsoleLogger.h"
#include "ZRJira/ZRJOperationManager.h"
#include "ZRKit/UI/ZRCustomizableAlert.h"
#include "ZRKit/UI/ZRMenu.h"
#include "ZRKit/ZRBundle.h"
#include "ZRKit/ZRLog.h"

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

namespace {

const QString IssuesUpdatedFinished = QStringLiteral("issuesUpdatedFinished");

QPointer<AppDelegate>& sharedDelegate() {
    static QPointer<AppDelegate> delegate;
    return delegate;
}

QString dateDescription(const QDateTime& date) {
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
}

} // namespace

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent) {
    sharedDelegate() = this;
}

AppDelegate::~AppDelegate() {
    if (ZRJOperationManager::shared().accountUpdater() == this)
        ZRJOperationManager::shared().setAccountUpdater(nullptr);
    if (ZRJConnector::delegate() == this)
        ZRJConnector::setDelegate(nullptr);
    delete m_trayUnavailableWindow;
    delete m_statusItem;
    delete m_statusMenu;
    delete m_popUpMenu;
    delete m_aboutPanel;
    delete m_issueListWindowController;
    delete m_debugWindowController;
}

AppDelegate* AppDelegate::shared() {
    return sharedDelegate();
}

// MARK: - Start-up and end

void AppDelegate::applicationDidFinishLaunching() {
    Platform::assertMainThread();
    UserDefaultsKeys::registerStandardDefaults();
    setHideDockIcon(UserDefaultsKeys::boolean(UserDefaultsKeys::Key::hideDockIcon));
    setupSentry();
    eventuallyCheckForUpdates();
    ZRJConnector::setDelegate(this);
    ZRJOperationManager::shared().setAccountUpdater(this);
    setupNetworkLogger();
    buildStatusMenuItem();

    QTimer::singleShot(10, this, &AppDelegate::updateResourcesAndIssues);

    // The interval is read once: a new choice in the settings applies from the next launch.
    auto* timer = new QTimer(this);
    timer->setInterval(std::chrono::milliseconds(qint64(issuesUpdateTimeInterval() * 1000)));
    connect(timer, &QTimer::timeout, this, &AppDelegate::updateResourcesAndIssues);
    timer->start();
    m_updateIssuesTimer = timer;

    startLaunchPass();
}

void AppDelegate::applicationWillTerminate() {
    Platform::assertMainThread();
    IssueFilterManager::shared().saveIssueFilters();
}

void AppDelegate::setHideDockIcon(bool hide) {
    const Platform::ActivationPolicy policy =
        hide ? Platform::ActivationPolicy::Accessory : Platform::ActivationPolicy::Regular;
    if (Platform::Application::activationPolicy() != policy)
        Platform::Application::setActivationPolicy(policy);
}

QString AppDelegate::sentryDSN(const QVariantMap& settings) {
    const QVariant dsn = settings.value(QStringLiteral("sentryDSN"));
    if (dsn.typeId() != QMetaType::QString)
        Platform::fatalError(QStringLiteral("missing Sentry credentials"));
    return dsn.toString();
}

Platform::CrashReporterOptions AppDelegate::crashReporterOptions(const QString& dsn) {
    const Platform::Bundle bundle = Platform::Bundle::mainBundle();
    const Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    Platform::CrashReporterOptions options;
    options.dsn = dsn;
    options.environment = QStringLiteral("production");
    options.release = bundle.bundleIdentifier() + QLatin1Char('@') + ZRBundle::versionString(bundle) +
                      QLatin1Char('+') + ZRBundle::bundleVersion(bundle);
    options.enableAppHangTracking = defaults.boolean(UserDefaultsKeys::SentryEnableAppHangTracking);
    if (defaults.boolean(UserDefaultsKeys::SentryEnableAppHangTracking))
        options.appHangTimeoutInterval = 4.0;
    options.enableNetworkBreadcrumbs = defaults.boolean(UserDefaultsKeys::SentryEnableNetworkBreadcrumbs);
    options.enableCaptureFailedRequests = defaults.boolean(UserDefaultsKeys::SentryEnableNetworkBreadcrumbs);
    options.enableAutoBreadcrumbTracking = false;
    options.tracesSampleRate = 0.0;
    return options;
}

void AppDelegate::setupSentry() {
    // A development run may send its reports to a local sink of its own.
    const QString dsn = Platform::SentryDsn::withLoopbackOverride(
        sentryDSN(FileDecrypter::decryptedJiraSettings()), qEnvironmentVariable("CORVANTIDE_SENTRY_DSN"));
    Platform::CrashReporter::start(crashReporterOptions(dsn));
}

AppDelegate::UpdaterHooks& AppDelegate::updaterHooks() {
    static UpdaterHooks hooks{[] {
                                  ZRUpdater& updater = ZRUpdater::sharedUpdaterForSandboxedApp(true);
                                  updater.setLogUpdateXML(ShouldLog(7));
                                  updater.eventuallyCheckForUpdatesInBackground();
                              },
                              [](QObject* sender) {
                                  ZRUpdater& updater = ZRUpdater::sharedUpdaterForSandboxedApp(true);
                                  updater.setLogUpdateXML(ShouldLog(7));
                                  updater.checkForUpdates(sender);
                              }};
    return hooks;
}

void AppDelegate::setUpdaterHooks(UpdaterHooks hooks) {
    updaterHooks() = std::move(hooks);
}

void AppDelegate::eventuallyCheckForUpdates() {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    if (!defaults.boolean(UserDefaultsKeys::SkippedFirstLaunchForUpdateCheck)) {
        // The very first launch only remembers that it happened.
        defaults.setValue(UserDefaultsKeys::SkippedFirstLaunchForUpdateCheck, true);
        return;
    }
    if (updaterHooks().eventuallyCheckForUpdatesInBackground)
        updaterHooks().eventuallyCheckForUpdatesInBackground();
}

void AppDelegate::setupNetworkLogger() {
    if (!ShouldLog(9))
        return;
    Platform::HttpActivityHub& hub = Platform::HttpActivityHub::shared();
    hub.removeAllLoggers();
    hub.addLogger(std::make_shared<ZRJConsoleLogger>());
    hub.setLogLevel(Platform::HttpActivityLogger::Debug);
    hub.startLogging();
}

void AppDelegate::buildStatusMenuItem() {
    Platform::assertMainThread();
    m_statusMenu = new QMenu();
    // Two separators in a row are part of the menu's layout.
    m_statusMenu->setSeparatorsCollapsible(false);
    Platform::Menus::makeScrollable(m_statusMenu);
    connect(m_statusMenu, &QMenu::aboutToShow, this, [this] {
        m_statusMenuOpenedAt = Platform::Clock::now();
        m_menuRebuildPending = false;
        menuWillOpen(m_statusMenu);
    });
    // A panel reports the close of the menu it drew as a "closed" event, which arrives here as well.
    connect(m_statusMenu, &QMenu::aboutToHide, this, [this] {
        m_statusMenuOpenedAt.reset();
        if (m_menuRebuildPending)
            QTimer::singleShot(0, this, [this] { rebuildMenuWhenClosed(); });
    });
    Platform::NotificationCenter::defaultCenter().addObserver(
        IssuesUpdatedFinished, this, [this](const Platform::Notification&) { setNeedsMenuRebuild(); });
    // An account signed in or removed, a filter added, changed or removed: the exported menu follows at
    // once, for panels that show it without asking first.
    for (const QString& name : {JiraAccountManager::AccountsChangedNotification,
                                IssueFilterManager::IssueFiltersChangedNotification})
        Platform::NotificationCenter::defaultCenter().addObserver(
            name, this, [this](const Platform::Notification&) { setNeedsMenuRebuild(); });
    // The first account signed in after the passes found none would otherwise wait for the next timer
    // tick (up to hours) with the menu saying "Updating…": it gets a pass of its own at once.
    Platform::NotificationCenter::defaultCenter().addObserver(
        JiraAccountManager::AccountsChangedNotification, this, [this](const Platform::Notification&) {
            if (!m_passFoundNoAccount || m_initialGetIssuesOperationReturned)
                return;
            m_passFoundNoAccount = false;
            QTimer::singleShot(0, this, [this] { updateResourcesAndIssues(); });
        });

    // Qt decides once whether the session has a tray host, at its first look: it is not asked before one
    // is there, so that a panel that starts later still gets the item.
    if (AppLifecycle::isTrayAvailable())
        makeStatusItem();
    else
        showTrayUnavailableWindow();
    // Panels that read the exported menu do not always ask before showing it, so it is never left empty.
    menuWillOpen(m_statusMenu);
}

void AppDelegate::makeStatusItem() {
    m_statusItemUsesStatusNotifier = AppLifecycle::isStatusNotifierHostRegistered();
    const Platform::Bundle bundle = Platform::Bundle::mainBundle();
    const QString iconPath = bundle.pathForResource(QStringLiteral("images/menuIcon"), QStringLiteral("svg"));
    m_statusItem = new QSystemTrayIcon(this);
    if (!iconPath.isNull())
        m_statusItem->setIcon(QIcon(iconPath));
    m_statusItem->setToolTip(ZRBundle::bundleName(bundle));
    m_statusItem->setContextMenu(m_statusMenu);
    connect(m_statusItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // The item does not say it is only a menu, so panels (xfce4-panel, Plasma) ask for
                // activation on a left click and open the exported menu on a right click only: the
                // left click opens the menu at the pointer.
                if (reason == QSystemTrayIcon::Trigger)
                    popUpStatusMenu(QCursor::pos());
            });
    m_statusItem->show();
}

void AppDelegate::showTrayUnavailableWindow() {
    if (!m_trayUnavailableWindow) {
        Platform::SystemLog::log(QStringLiteral("no system tray host: showing the commands in a window"));
        m_trayUnavailableWindow = new TrayUnavailableWindow(ownMenu());
    }
    m_trayUnavailableWindow->show();
}

void AppDelegate::trayHostAppeared() {
    Platform::assertMainThread();
    if (!m_statusMenu)
        return;
    // Once made, the item registers again by itself with every new host.
    if (!m_statusItem)
        makeStatusItem();
    if (m_trayUnavailableWindow)
        m_trayUnavailableWindow->hide();
}

void AppDelegate::trayHostVanished() {
    Platform::assertMainThread();
    if (m_statusMenu && (!m_statusItem || m_statusItemUsesStatusNotifier))
        showTrayUnavailableWindow();
}

void AppDelegate::showStatusMenuOrWindow() {
    Platform::assertMainThread();
    // Asked while still launching (a question of the first launch may be open): shown once the menu is.
    if (!m_statusMenu) {
        QTimer::singleShot(100, this, [this] { showStatusMenuOrWindow(); });
        return;
    }
    if (m_trayUnavailableWindow && m_trayUnavailableWindow->isVisible()) {
        m_trayUnavailableWindow->raise();
        m_trayUnavailableWindow->activateWindow();
    } else if (m_statusItem && m_statusMenu) {
        popUpStatusMenu(QCursor::pos());
    }
}

QWidget* AppDelegate::trayUnavailableWindow() const {
    return m_trayUnavailableWindow;
}

// MARK: - Update passes

void AppDelegate::updateResourcesAndIssues() {
    Platform::assertMainThread();
    // Refreshed accounts that the keychain could not take before are stored now, when it can.
    JiraAccountManager::storePendingAccounts();
    const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts();
    m_passFoundNoAccount = !accounts || accounts->isEmpty();
    if (!m_passFoundNoAccount)
        startResourcePhase(*accounts, true);
}

void AppDelegate::startLaunchPass() {
    Platform::assertMainThread();
    JiraAccountManager::storePendingAccounts();
    if (const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts())
        startResourcePhase(*accounts, false);
}

void AppDelegate::startResourcePhase(const QList<JiraAccount>& accounts, bool announce) {
    for (const JiraAccount& account : accounts) {
        QPointer<AppDelegate> self(this);
        JiraResourcesManager::startGetAccessibleResourcesOperation(
            std::make_shared<JiraAccount>(account), account.accountID(),
            [self, announce,
             accountID = account.accountID()](const std::optional<QList<Platform::Error>>& errors) {
                if (!self)
                    return;
                // An access token the server no longer takes (revoked, or forgotten by the server) is
                // refused before it expires, so no refresh reports it: the timed pass asks to
                // re-authorize, once per account and run. Other failures (the network, the server)
                // stay quiet; the next pass tries again.
                if (announce && errors)
                    for (const Platform::Error& error : *errors)
                        if (error.httpStatus() == 401 || error.httpStatus() == 403) {
                            self->askToReAuthorizeOnce(accountID);
                            break;
                        }
                if (self)
                    self->startIssuePhase(announce);
            });
    }
}

void AppDelegate::startIssuePhase(bool announce) {
    const IssueFilterManager::IssueFilterList filters = IssueFilterManager::shared().allIssueFilters();
    if (filters.isEmpty()) {
        // Nothing to search: the pass has still returned, so the menu leaves "Updating…".
        if (announce && !m_initialGetIssuesOperationReturned) {
            m_initialGetIssuesOperationReturned = true;
            setNeedsMenuRebuild();
        }
        return;
    }
    for (const std::shared_ptr<IssueFilter>& filter : filters) {
        QPointer<AppDelegate> self(this);
        if (!announce) {
            // Announced or not, stored issues reach the exported menu, which panels read without asking.
            JiraIssueManager::startGetIssuesOperation(
                filter, true,
                [self](const std::optional<QList<JiraIssue>>& issues, const Platform::OptionalError&) {
                    if (self && issues)
                        self->setNeedsMenuRebuild();
                });
            continue;
        }
        JiraIssueManager::startGetIssuesOperation(
            filter, true, [self](const std::optional<QList<JiraIssue>>&, const Platform::OptionalError&) {
                if (self)
                    self->searchFinished();
            });
    }
}

void AppDelegate::searchFinished() {
    m_initialGetIssuesOperationReturned = true;
    Platform::NotificationCenter::defaultCenter().post(IssuesUpdatedFinished, this);
}

// MARK: - Status menu

void AppDelegate::setNeedsMenuRebuild() {
    if (!m_statusMenu)
        return;
    m_menuRebuildPending = true;
    if (m_menuRebuildScheduled)
        return;
    m_menuRebuildScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_menuRebuildScheduled = false;
        rebuildMenuWhenClosed();
    });
}

bool AppDelegate::isStatusMenuOpen() const {
    if (!m_statusMenu)
        return false;
    // Drawn by Qt, the menu says itself whether it shows; a panel's "closed" event may never come, so its
    // open state ends after a while.
    if (m_statusMenu->isVisible())
        return true;
    return m_statusMenuOpenedAt && m_statusMenuOpenedAt->msecsTo(Platform::Clock::now()) < MenuOpenGuardMs;
}

void AppDelegate::rebuildMenuWhenClosed() {
    if (!m_menuRebuildPending || !m_statusMenu)
        return;
    // The rows must not change under the user's pointer: the rebuild waits for the menu to close.
    if (isStatusMenuOpen()) {
        if (!m_statusMenu->isVisible() && m_statusMenuOpenedAt) {
            if (!m_menuOpenGuardTimer) {
                m_menuOpenGuardTimer = new QTimer(this);
                m_menuOpenGuardTimer->setSingleShot(true);
                connect(m_menuOpenGuardTimer, &QTimer::timeout, this, [this] { rebuildMenuWhenClosed(); });
            }
            const qint64 left = MenuOpenGuardMs - m_statusMenuOpenedAt->msecsTo(Platform::Clock::now());
            m_menuOpenGuardTimer->start(int(std::clamp<qint64>(left, 1, MenuOpenGuardMs)));
        }
        return;
    }
    m_menuRebuildPending = false;
    menuWillOpen(m_statusMenu);
}

QMenu* AppDelegate::ownMenu() {
    Platform::assertMainThread();
    // The menu the application draws itself (at the pointer, or from the window without a tray) is one of
    // its own: once a tray host has taken the status menu, that holds the panels' spelling of its rows.
    // This one is rebuilt only as it opens.
    if (!m_popUpMenu) {
        m_popUpMenu = new QMenu();
        m_popUpMenu->setSeparatorsCollapsible(false);
        Platform::Menus::makeScrollable(m_popUpMenu);
        connect(m_popUpMenu, &QMenu::aboutToShow, this, [this] { menuWillOpen(m_popUpMenu); });
    }
    return m_popUpMenu;
}

void AppDelegate::popUpStatusMenu(const QPoint& position) {
    ownMenu()->popup(position);
}

void AppDelegate::menuWillOpen(QMenu* menu) {
    Platform::assertMainThread();
    std::optional<QString> accountsError;
    const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts(&accountsError);
    const bool hasAccounts = accounts && !accounts->isEmpty();

    menu->clear();
    StatusMenuBuilder::Actions actions;
    QPointer<AppDelegate> self(this);
    actions.issueAction = [self](QAction* sender) {
        if (self)
            self->showIssueInBrowser(sender);
    };
    actions.signInAction = [self] {
        if (self)
            self->showAuthorizationWindowAction();
    };
    // Accounts that cannot be read are not "no account": the sign-in is offered only where there is none.
    if (!hasAccounts && accountsError)
        menu->addAction(tr("The Jira accounts cannot be read: %1", "menu item").arg(*accountsError))
            ->setEnabled(false);
    else
        StatusMenuBuilder::addIssueMenuItems(menu, actions, m_initialGetIssuesOperationReturned, hasAccounts,
                                             hasAccounts && m_initialGetIssuesOperationReturned
                                                 ? IssueFilterManager::shared().allIssueFilters()
                                                 : IssueFilterManager::IssueFilterList());

    const auto add = [this, menu](const QString& title, void (AppDelegate::*action)(QObject*)) {
        QAction* item = menu->addAction(title);
        connect(item, &QAction::triggered, this, [this, item, action] { (this->*action)(item); });
        return item;
    };
    menu->addSeparator();
    add(tr("Show Issues…", "open issues window"), &AppDelegate::showIssuesWindow);
    menu->addSeparator();
    if (hasAccounts) {
        menu->addSeparator();
        add(tr("Update Issues Now", "menu item name"), &AppDelegate::updateAllIssues);
    }
    menu->addSeparator();
    add(tr("About Corvantide", "settings menu item"), &AppDelegate::showAboutPanel);
    add(tr("Check for Updates…", "settings menu item"), &AppDelegate::checkForUpdatesAction);
    menu->addSeparator();
    add(tr("Settings…", "settings menu item"), &AppDelegate::showPreferences);
    ZRMenu::lastItem(menu)->setShortcut(ZRMenu::keySequenceForKeyEquivalent(QStringLiteral(",")));
    menu->addSeparator();
    add(Platform::stringWithFormat(tr("Quit %@", "menu item"),
                                   ZRBundle::bundleName(Platform::Bundle::mainBundle())),
        &AppDelegate::quitAction);
}

// MARK: - Menu commands

void AppDelegate::showIssuesWindow(QObject*) {
    Platform::assertMainThread();
    if (!m_issueListWindowController)
        m_issueListWindowController = new IssueListWindowController();
    m_issueListWindowController->showWindow();
}

void AppDelegate::updateAllIssues(QObject*) {
    updateResourcesAndIssues();
}

void AppDelegate::showAboutPanel(QObject*) {
    Platform::assertMainThread();
    if (!m_aboutPanel) {
        const Platform::Bundle bundle = Platform::Bundle::mainBundle();
        const QString name = ZRBundle::bundleName(bundle);
        auto* panel = new QMessageBox(QMessageBox::NoIcon, tr("About %1", "about panel title").arg(name),
                                      QStringLiteral("<b>%1</b>").arg(name.toHtmlEscaped()), QMessageBox::Ok);
        panel->setAttribute(Qt::WA_DeleteOnClose);
        QStringList details{tr("Version %1", "about panel").arg(ZRBundle::versionInfo(bundle))};
        const QString copyright = ZRBundle::humanReadableCopyright(bundle);
        if (!copyright.isEmpty())
            details << copyright;
        panel->setInformativeText(details.join(QLatin1Char('\n')));
        const QString iconPath =
            bundle.pathForResource(QStringLiteral("images/menuIcon"), QStringLiteral("svg"));
        if (!iconPath.isNull())
            panel->setIconPixmap(QIcon(iconPath).pixmap(64, 64));
        m_aboutPanel = panel;
    }
    m_aboutPanel->show();
    m_aboutPanel->raise();
    m_aboutPanel->activateWindow();
}

void AppDelegate::checkForUpdatesAction(QObject* sender) {
    if (updaterHooks().checkForUpdates)
        updaterHooks().checkForUpdates(sender);
}

void AppDelegate::showPreferences(QObject*) {
    Platform::assertMainThread();
    PreferencesWindowController::shared().showWindow();
}

void AppDelegate::quitAction(QObject*) {
    QCoreApplication::quit();
}

void AppDelegate::showIssueInBrowser(QObject* sender) {
    const auto* item = qobject_cast<const URLImageMenuItem*>(sender);
    if (!item || !item->representedObject())
        return;
    const std::optional<QUrl>& url = item->representedObject()->url();
    if (url)
        Platform::Workspace::openURL(*url);
}

void AppDelegate::showDebugWindow(QObject*) {
    Platform::assertMainThread();
    if (!m_debugWindowController)
        m_debugWindowController = new DebugWindowController();
    m_debugWindowController->showWindow();
}

// MARK: - Sign-in

void AppDelegate::showAuthorizationWindow(QWidget* parent, const std::optional<JiraAccount>& account) {
    Platform::assertMainThread();
    // The window deletes itself once closed; one still open from before stays open on its own.
    auto* controller = new AuthorizeWebViewController();
    m_authorizeWebViewController = controller;
    if (account)
        controller->setWindowTitle(Platform::stringWithFormat(
            QStringLiteral("%@ (%@)"), account->displayName(), account->emailAddress()));
    if (parent == nullptr) {
        controller->showFreeWindow();
        return;
    }
    QPointer<AppDelegate> self(this);
    QPointer<AuthorizeWebViewController> sheet(controller);
    controller->beginSheet(parent->window(), [self, sheet](int) {
        if (self != nullptr && self->m_authorizeWebViewController == sheet)
            self->m_authorizeWebViewController = nullptr;
    });
}

AuthorizeWebViewController* AppDelegate::authorizeWebViewController() const {
    return m_authorizeWebViewController;
}

void AppDelegate::showAuthorizationWindowAction(QObject*) {
    showAuthorizationWindow(nullptr, std::nullopt);
}

// MARK: - OAuth client settings

QString AppDelegate::jiraCredential(const QVariantMap& settings, const QString& key) {
    const QVariant value = settings.value(key);
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        QStringList parts;
        for (const QVariant& part : value.toList()) {
            if (part.typeId() != QMetaType::QString)
                Platform::fatalError(QStringLiteral("missing jira credentials"));
            parts << part.toString();
        }
        if (key == u"jiraAuthenticationScopes")
            return parts.join(QLatin1Char(' '));
    }
    Platform::fatalError(QStringLiteral("missing jira credentials"));
}

QString AppDelegate::clientSecret() const {
    return jiraCredential(FileDecrypter::decryptedJiraSettings(), QStringLiteral("jiraClientSecret"));
}

QString AppDelegate::clientID() const {
    return jiraCredential(FileDecrypter::decryptedJiraSettings(), QStringLiteral("jiraClientID"));
}

QString AppDelegate::callbackURL() const {
    return jiraCredential(FileDecrypter::decryptedJiraSettings(), QStringLiteral("jiraCallbackURL"));
}

QString AppDelegate::scopes() const {
    return jiraCredential(FileDecrypter::decryptedJiraSettings(), QStringLiteral("jiraAuthenticationScopes"));
}

// MARK: - Token callbacks

ZRJAccountPtr AppDelegate::update(const ZRJAccountPtr& account, const QString& accountID,
                                  const std::optional<FetchTokenResponse>& response,
                                  const Platform::OptionalError& error) {
    Platform::assertMainThread();
    if (error) {
        showConnectorError(*error, accountID);
        return account;
    }
    if (!response)
        return account;

    const std::optional<JiraAccount> stored = JiraAccountManager::jiraAccount(accountID);
    const JiraAccount refreshed(
        accountID, response->accessToken(), response->refreshToken(), response->expires(), response->scope(),
        stored ? stored->displayName() : QString(), stored ? stored->emailAddress() : QString());
    Platform::OptionalError storeError;
    if (JiraAccountManager::storeAccount(refreshed, storeError)) {
        Platform::SystemLog::log(QStringLiteral("got token which expires ") +
                                 dateDescription(refreshed.expires()));
    } else {
        if (storeError)
            Platform::presentError(*storeError);
        // The server has rotated the refresh token: the request in flight goes on with the new tokens,
        // which are the only ones that still work.
        return std::make_shared<JiraAccount>(refreshed);
    }
    if (const std::optional<JiraAccount> again = JiraAccountManager::jiraAccount(accountID))
        return std::make_shared<JiraAccount>(*again);
    return account;
}

bool AppDelegate::isForbiddenError(const Platform::Error& error) {
    return error.httpStatus() == 403;
}

void AppDelegate::showConnectorError(const Platform::Error& error, const QString& accountID) {
    if (isForbiddenError(error)) {
        askToReAuthorizeOnce(accountID);
        return;
    }
    Platform::presentError(error);
}

void AppDelegate::askToReAuthorizeOnce(const QString& accountID) {
    const std::optional<JiraAccount> account = JiraAccountManager::jiraAccount(accountID);
    if (account && JiraAccountManager::shouldShowAuthorizationError(*account))
        showAuthorizationError(*account);
}

void AppDelegate::showAuthorizationError(const JiraAccount& account) {
    const QString label =
        Platform::stringWithFormat(QStringLiteral("%@ (%@)"), account.displayName(), account.emailAddress());
    const QString message = Platform::stringWithFormat(tr("The authorization for the account %@ has expired. "
                                                          "You need to re-authorize this account with Jira."),
                                                       label);
    const int result =
        ZRRunAlertPanel3(tr("Re-Authorize"), message, tr("Re-Authorize"), tr("Cancel"), QString());
    if (result == Platform::ModalResponse::FirstButton)
        showAuthorizationWindow(nullptr, account);
}
