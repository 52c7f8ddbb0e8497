#pragma once

#include "ApplicationCommands.h"
#include "Model/JiraAccount.h"
#include "Platform/CrashReporter.h"
#include "Platform/Error.h"
#include "ZRJira/ZRJAccountUpdater.h"
#include "ZRJira/ZRJConnectorDelegate.h"

#include <QDateTime>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

class QAction;
class QMenu;
#include <QMessageBox>
class QSystemTrayIcon;
#include <QTimer>
class QWidget;
class TrayUnavailableWindow;
class AuthorizeWebViewController;
class DebugWindowController;
class IssueListWindowController;

/*! The tray application's one delegate: start-up in its fixed order, the status item and its menu, the
    update passes on a timer, the menu's commands, the OAuth client settings for the Jira client and the
    client's token callbacks. Lives for the process; main thread only. */
class AppDelegate final : public QObject,
                          public ApplicationCommands,
                          public ZRJConnectorDelegate,
                          public ZRJAccountUpdater {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppDelegate)

public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    /*! The delegate of the running application (the one made last), or null. */
    static AppDelegate* shared();

    // Start-up and end.
    /*! Registers defaults, sets the task-bar policy, starts crash reporting and the update check, becomes
        the Jira client's delegate and account updater, installs request logging, creates the status item,
        schedules the first pass 10 ms later and the repeating timer, and starts the launch pass. */
    void applicationDidFinishLaunching();
    /*! Saves the issue filters. */
    void applicationWillTerminate();
    bool applicationSupportsSecureRestorableState() const { return true; }
    /*! True: windows leave the task bar (tool windows); false: they show in it. Set only on a change. */
    void setHideDockIcon(bool hide) override;

    void setupSentry();
    void eventuallyCheckForUpdates();
    void setupNetworkLogger();
    void buildStatusMenuItem();
    /*! One update pass: every account's sites, then every filter's issues, announced by
        "issuesUpdatedFinished" per search. */
    Q_INVOKABLE void updateResourcesAndIssues() override;
    /*! The pass at launch: stores what it finds, announces nothing. */
    void startLaunchPass();

    /*! The crash reporter's options from the settings' DSN and the user defaults. */
    static Platform::CrashReporterOptions crashReporterOptions(const QString& dsn);
    /*! The string under "sentryDSN"; a missing or non-string value ends the process with "missing Sentry
        credentials". */
    static QString sentryDSN(const QVariantMap& settings);
    /*! The string under key (an array of strings joined by blanks for the scopes); a missing value or one
        of another type ends the process with "missing jira credentials". */
    static QString jiraCredential(const QVariantMap& settings, const QString& key);

    // The status menu.
    QSystemTrayIcon* statusItem() const { return m_statusItem; }
    QMenu* statusMenu() const { return m_statusMenu; }
    QTimer* updateIssuesTimer() const { return m_updateIssuesTimer; }
    bool initialGetIssuesOperationReturned() const { return m_initialGetIssuesOperationReturned; }
    /*! Empties the menu and fills it again from the kept issues, the accounts and the filters. */
    void menuWillOpen(QMenu* menu);
    /*! Rebuilds the menu on a later turn (once, however often asked before); while the menu is open, once
        it has closed (a panel that never reports the close holds it back MenuOpenGuardMs at most). */
    void setNeedsMenuRebuild();
    static constexpr qint64 MenuOpenGuardMs = 30000;
    /*! The status menu as the application draws it at the position (a left click on the tray item). */
    void popUpStatusMenu(const QPoint& position);
    /*! The menu popUpStatusMenu and the window without a tray show; null before either. */
    QMenu* popUpMenu() const { return m_popUpMenu; }
    /*! The window that stands in for the tray when the desktop has no tray host; null otherwise. */
    QWidget* trayUnavailableWindow() const;
    /*! A tray host came: the status item is made (a made item registers again by itself) and the window
        that stands in for the tray hides. */
    void trayHostAppeared();
    /*! The tray host went: the window that stands in for the tray shows. */
    void trayHostVanished();
    /*! Brings the application before the user, as a second start asks: the status menu at the pointer,
        or the window that stands in for the tray. */
    void showStatusMenuOrWindow();

    // Menu commands (the sender may be null).
    void showIssuesWindow(QObject* sender = nullptr);
    void updateAllIssues(QObject* sender = nullptr);
    void showAboutPanel(QObject* sender = nullptr);
    void checkForUpdatesAction(QObject* sender = nullptr) override;
    void showPreferences(QObject* sender = nullptr) override;
    void quitAction(QObject* sender = nullptr);
    void showIssueInBrowser(QObject* sender);
    void showDebugWindow(QObject* sender = nullptr) override;
    QMessageBox* aboutPanel() const { return m_aboutPanel; }
    /*! The issue list window's controller, made on the first showIssuesWindow; null before. */
    /*! The debug window's controller, made on the first showDebugWindow; null before. */
    DebugWindowController* debugWindowController() const { return m_debugWindowController; }
    IssueListWindowController* issueListWindowController() const { return m_issueListWindowController; }

    // Sign-in.
    /*! Opens a new sign-in window: as a sheet of parent's window, or as a free window without a parent;
        titled with the account's name and e-mail address when one is given. A window still open from
        before stays open but is no longer the one held here. */
    void showAuthorizationWindow(QWidget* parent, const std::optional<JiraAccount>& account) override;
    void showAuthorizationWindowAction(QObject* sender = nullptr);
    /*! The sign-in window last opened, while it exists (a sheet: until it ends). */
    AuthorizeWebViewController* authorizeWebViewController() const;

    // ZRJConnectorDelegate: read from the decrypted settings every time.
    QString clientSecret() const override;
    QString clientID() const override;
    QString callbackURL() const override;
    QString scopes() const override;

    // ZRJAccountUpdater.
    ZRJAccountPtr update(const ZRJAccountPtr& account, const QString& accountID,
                         const std::optional<FetchTokenResponse>& response,
                         const Platform::OptionalError& error) override;

    /*! True for an error of an answer with HTTP status 403. */
    static bool isForbiddenError(const Platform::Error& error);

    /*! What the application asks of the updater (by default the shared updater, for a sandboxed
        application, logging the feed when the log level is 7 or more); tests record them. */
    struct UpdaterHooks {
        std::function<void()> eventuallyCheckForUpdatesInBackground;
        std::function<void(QObject* sender)> checkForUpdates;
    };
    static void setUpdaterHooks(UpdaterHooks hooks);

private:
    /*! The sites of every account, then the issue phase (announced, or stored only at launch). */
    void startResourcePhase(const QList<JiraAccount>& accounts, bool announce);
    void startIssuePhase(bool announce);
    void searchFinished();
    void makeStatusItem();
    void showTrayUnavailableWindow();
    bool isStatusMenuOpen() const;
    QMenu* ownMenu();
    void rebuildMenuWhenClosed();
    void showConnectorError(const Platform::Error& error, const QString& accountID);
    void askToReAuthorizeOnce(const QString& accountID);
    void showAuthorizationError(const JiraAccount& account);
    static UpdaterHooks& updaterHooks();

    QPointer<AuthorizeWebViewController> m_authorizeWebViewController;
    QSystemTrayIcon* m_statusItem = nullptr;
    QMenu* m_statusMenu = nullptr;
    QPointer<QTimer> m_updateIssuesTimer;
    TrayUnavailableWindow* m_trayUnavailableWindow = nullptr;
    QPointer<QMessageBox> m_aboutPanel;
    DebugWindowController* m_debugWindowController = nullptr;
    IssueListWindowController* m_issueListWindowController = nullptr;
    bool m_initialGetIssuesOperationReturned = false;
    bool m_passFoundNoAccount = false; // the last timed or user pass had no account to update
    bool m_menuRebuildScheduled = false;
    bool m_statusItemUsesStatusNotifier = false; // the item was made for a StatusNotifier host
    bool m_menuRebuildPending = false;
    std::optional<QDateTime> m_statusMenuOpenedAt; // a panel or Qt is showing the status menu since then
    QMenu* m_popUpMenu = nullptr;
    QTimer* m_menuOpenGuardTimer = nullptr;
};
