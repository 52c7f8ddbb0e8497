#pragma once

#include "Model/JiraResource.h"
#include "Platform/Error.h"
#include "ZRJira/ZRJAccount.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

/*! Downloads, per account, the Jira sites the account may reach and, per site, its projects and users, and
    keeps them in memory for the projects pane, the issue download, the issue list and the debug window.
    Main thread only. */
class JiraResourcesManager {
public:
    JiraResourcesManager() = delete;

    using ResourceList = QList<std::shared_ptr<JiraResource>>;
    /*! Receives every error the download met, or nothing when there was none. */
    using Completion = std::function<void(const std::optional<QList<Platform::Error>>& errors)>;

    /*! Lists the account's sites (after the client has checked, and perhaps refreshed, its token), stores
        them under the account id, then downloads every site's projects and users at once. The completion
        runs once, after the last site, with the errors of all sites; when the site list fails, with its
        error, and the stored sites stay as they were. */
    static void startGetAccessibleResourcesOperation(const ZRJAccountPtr& account, const QString& accountID,
                                                     Completion completed = {});

    /*! Downloads one site's projects (every page) and users at once and sets them on the site. The
        completion runs once, after both answers, with their errors. A request that fails leaves the site
        with the projects or users it had (after an account download: those of the site object it
        replaced), so one bad answer never empties a site. */
    static void startGetProjectsOperation(const ZRJAccountPtr& account,
                                          const std::shared_ptr<JiraResource>& resource,
                                          Completion completed = {});

    /*! The sites known per account id, in the order the server listed them. An account's list is replaced
        whole by each site list that arrives; its sites get their projects and users once those arrive. */
    static const QHash<QString, ResourceList>& resourcesPerAccount();
};
