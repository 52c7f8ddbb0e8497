#pragma once

#include "Preferences/MenuButton.h"
#include "Preferences/PreferenceViewController.h"

#include "Model/IssueFilter.h"
#include "Model/JiraAccount.h"
#include "Model/JiraIssue.h"
#include "Platform/Error.h"

#include <QList>
#include <QMenu>
#include <QPointer>

#include <memory>
#include <optional>

class BoxedView;
class QLabel;
class FilterSettingsUIController;
class IssueFilterArrayController;
class ProjectsTableView;

namespace Ui {
class ProjectsPreferenceViewController;
}

/*! The Projects pane: the issue filters in a table, a footer with the add-project menu (one heading per
    known site of each signed-in account, its projects below) and the servers menu (re-authorize, remove,
    add), the selected filter's conditions beside the table, its advanced filter and an update button.
    Removing a server or filters asks first. Main thread only. */
class ProjectsPreferenceViewController : public PreferenceViewController, public MenuButtonDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProjectsPreferenceViewController)
    Q_PROPERTY(bool showUpdateProgress READ showUpdateProgress WRITE setShowUpdateProgress NOTIFY
                   showUpdateProgressChanged)

public:
    explicit ProjectsPreferenceViewController(QWidget* parent = nullptr);
    ~ProjectsPreferenceViewController() override;

    PreferenceViewControllerTag tag() const override { return PreferenceViewControllerTag::projects; }
    QString imageName() const override { return QStringLiteral("Preferences_Projects"); }
    QString toolTip() const override;

    void willShowViewInPreferencesPanel() override;
    void willHideViewInPreferencesPanel() override;
    bool shouldHideViewInPreferencesPanel() override;

    QMenu* menuForButton(MenuButton* button) override;

    bool showUpdateProgress() const { return m_showUpdateProgress; }
    void setShowUpdateProgress(bool show);

    IssueFilterArrayController* arrayController() const { return m_arrayController; }
    FilterSettingsUIController* filterSettingsUIController() const { return m_filterSettingsUIController; }
    ProjectsTableView* filtersTableView() const;
    BoxedView* tableFooterView() const;
    MenuButton* addFilterButton() const;
    MenuButton* serversButton() const;
    QWidget* noProjectsView() const { return m_noProjectsView; }
    /*! The filter that the side area edits and the update and advanced buttons act on. */
    std::shared_ptr<IssueFilter> selectedFilter() const { return m_selectedFilter; }

    /*! The menus the footer's buttons pop up, built anew each time (the caller owns them). */
    QMenu* buildAddFilterButtonMenu();
    QMenu* buildServersButtonMenu();

public Q_SLOTS:
    void updateAction(QObject* sender = nullptr);
    void advancedAction(QObject* sender = nullptr);
    void addProjectFilterMenuAction(QObject* sender);
    void showAuthorizationWindowAction(QObject* sender = nullptr);
    void removeServerAction(QObject* sender);
    void removeProjectFilterAction(QObject* sender = nullptr);

Q_SIGNALS:
    void showUpdateProgressChanged();

protected:
    void awakeFromNib() override;
    void viewDidLoad() override;

private:
    void selectionChanged();
    void updateArrayControllerContent();
    void updateTableFooterView();
    void updateIssueCount();
    QMenu* buildAccountsActionMenu(const QList<JiraAccount>& accounts, const QByteArray& action,
                                   const QString& imageName, QWidget* parent);
    void showAuthorizationWindow(const std::optional<JiraAccount>& account);
    void startUpdate(const std::shared_ptr<IssueFilter>& filter);
    void advancedHandler(const std::shared_ptr<IssueFilter>& filter,
                         const std::optional<Platform::Predicate>& predicate, bool deleted);

    std::unique_ptr<Ui::ProjectsPreferenceViewController> m_ui;
    IssueFilterArrayController* m_arrayController = nullptr;
    FilterSettingsUIController* m_filterSettingsUIController = nullptr;
    QMenu* m_tableMenu = nullptr;
    QWidget* m_noProjectsView = nullptr;
    QLabel* m_noProjectsLabel = nullptr;
    bool m_showUpdateProgress = false;
    std::shared_ptr<IssueFilter> m_selectedFilter;
    QMetaObject::Connection m_descriptionObservation;
};
