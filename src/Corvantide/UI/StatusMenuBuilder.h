#pragma once

#include "IssueFilterManager.h"

#include <functional>

class QAction;
class QMenu;
class NoProjectsViewController;

/*! Builds the issue part of the status menu: one section per filter with kept issues, each issue an item
    with its status icon; the no-account view without an account; the "Updating…" placeholder until a
    pass has returned. */
class StatusMenuBuilder {
public:
    StatusMenuBuilder() = delete;

    struct Actions {
        /*! Sent by every issue item with the item. */
        std::function<void(QAction* sender)> issueAction;
        /*! Starts the sign-in from the no-account view or its plain row. */
        std::function<void()> signInAction;
    };

    /*! Appends the items, reading the stored accounts and the filters. */
    static void addIssueMenuItems(QMenu* menu, const Actions& actions, bool issuesDownloaded);
    /*! The same with the accounts already asked for and the filters to show. */
    static void addIssueMenuItems(QMenu* menu, const Actions& actions, bool issuesDownloaded,
                                  bool hasAccounts, const IssueFilterManager::IssueFilterList& filters);

    /*! Whether the menu is shown by the panel from an exported description (which carries no widgets)
        rather than drawn by this application. */
    static bool isExportedMenu(const QMenu* menu);

    /*! Made on first need and kept for the process. */
    static NoProjectsViewController* noProjectsViewController();
};
