#include "StatusMenuBuilder.h"

#include "JiraAccountManager.h"
#include "JiraIssueManager.h"
#include "NoProjectsViewController.h"
#include "URLImageMenuItem.h"
#include "UserDefaultsKeys.h"

#include "Platform/MainThread.h"
#include "Platform/UI/Menus.h"
#include "Platform/WebURL.h"

#include <QCoreApplication>
#include <QHash>
#include <QMenu>
#include <QWidgetAction>

namespace {

QString tr(const char* text, const char* comment) {
    return QCoreApplication::translate("StatusMenuBuilder", text, comment);
}

// The one widget row of the no-account view; it is removed from the menu on every rebuild, never deleted.
QWidgetAction* noProjectsItem() {
    static QWidgetAction* item = [] {
        auto* action = new QWidgetAction(nullptr);
        action->setDefaultWidget(StatusMenuBuilder::noProjectsViewController()->view());
        return action;
    }();
    return item;
}

// Status images scaled once per image file: every rebuild makes new items, and most issues share a status.
QIcon statusImage(const JiraIssue& issue) {
    static QHash<QString, QIcon> scaled;
    const std::optional<QString> name = issue.menuItemImageName();
    const QString key = name.value_or(QString());
    auto found = scaled.constFind(key);
    if (found == scaled.constEnd())
        found = scaled.insert(key, URLImageMenuItem::scaledIcon(issue.menuItemImage()));
    return *found;
}

std::optional<QUrl> iconURL(const JiraIssue& issue) {
    const std::optional<QJsonObject> status = issue.statusDict();
    if (!status)
        return std::nullopt;
    const QJsonValue value = status->value(QStringLiteral("iconUrl"));
    if (!value.isString())
        return std::nullopt;
    const QUrl url(value.toString(), QUrl::StrictMode);
    if (!Platform::isWebURL(url))
        return std::nullopt;
    return url;
}

} // namespace

NoProjectsViewController* StatusMenuBuilder::noProjectsViewController() {
    Platform::assertMainThread();
    static NoProjectsViewController* controller = new NoProjectsViewController();
    return controller;
}

bool StatusMenuBuilder::isExportedMenu(const QMenu* menu) {
    return const_cast<QMenu*>(menu)->platformMenu() != nullptr;
}

void StatusMenuBuilder::addIssueMenuItems(QMenu* menu, const Actions& actions, bool issuesDownloaded) {
    const std::optional<QList<JiraAccount>> accounts = JiraAccountManager::allJiraAccounts();
    const bool hasAccounts = accounts && !accounts->isEmpty();
    addIssueMenuItems(menu, actions, issuesDownloaded, hasAccounts,
                      hasAccounts && issuesDownloaded ? IssueFilterManager::shared().allIssueFilters()
                                                      : IssueFilterManager::IssueFilterList());
}

void StatusMenuBuilder::addIssueMenuItems(QMenu* menu, const Actions& actions, bool issuesDownloaded,
                                          bool hasAccounts,
                                          const IssueFilterManager::IssueFilterList& filters) {
    Platform::assertMainThread();
    if (!hasAccounts) {
        if (isExportedMenu(menu)) {
            // A panel draws an exported menu itself and cannot show the view: a plain row starts the sign-in.
            QAction* signIn = menu->addAction(tr("Sign In…", "menu item"));
            QObject::connect(signIn, &QAction::triggered, menu, [action = actions.signInAction] {
                if (action)
                    action();
            });
        } else {
            // The view outlives every menu; its button goes through the latest actions given.
            static std::function<void()> signIn;
            static const QMetaObject::Connection connection =
                QObject::connect(noProjectsViewController(), &NoProjectsViewController::signInRequested,
                                 noProjectsViewController(), [] {
                                     if (signIn)
                                         signIn();
                                 });
            signIn = actions.signInAction;
            menu->addAction(noProjectsItem());
        }
        return;
    }

    if (!issuesDownloaded) {
        QAction* updating = menu->addAction(tr("Updating…", "menu item placeholder"));
        updating->setEnabled(false);
        return;
    }

    const bool imagesFromJira = UserDefaultsKeys::boolean(UserDefaultsKeys::Key::useMenuItemImagesFromJira);
    // One copy of the action for every row of this rebuild.
    const auto issueAction = std::make_shared<const std::function<void(QAction*)>>(actions.issueAction);
    for (const std::shared_ptr<IssueFilter>& filter : filters) {
        const std::optional<QList<JiraIssue>> issues = JiraIssueManager::issues(*filter);
        if (!issues || issues->isEmpty())
            continue;

        // Exported menus show no section headers, so the header is a disabled row, as on older systems.
        QAction* header = Platform::Menus::addItem(menu, filter->name());
        header->setEnabled(false);

        for (const JiraIssue& issue : *issues) {
            auto* item = new URLImageMenuItem(Platform::Menus::itemText(menu, issue.menuItemTitle()), menu);
            item->setRepresentedObject(issue);
            item->setIndentationLevel(1);
            QObject::connect(item, &QAction::triggered, menu, [issueAction, item] {
                if (*issueAction)
                    (*issueAction)(item);
            });
            const std::optional<QUrl> url = imagesFromJira ? iconURL(issue) : std::nullopt;
            if (url) {
                Platform::HttpRequest request;
                request.url = *url;
                request.timeoutMs = 60000;
                request.setHeader("Accept", "image/*");
                item->setImage(request, statusImage(issue));
            } else {
                item->setImage(statusImage(issue));
            }
            menu->addAction(item);
        }
    }
}
