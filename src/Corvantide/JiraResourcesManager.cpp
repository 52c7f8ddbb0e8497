#include "JiraResourcesManager.h"

#include "JiraAccountManager.h"
#include "Model/JSONValue.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRJira/ZRJOperationManager.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

QHash<QString, JiraResourcesManager::ResourceList>& resourcesTable() {
    static QHash<QString, JiraResourcesManager::ResourceList> table;
    return table;
}

// The requests of one download that have not answered yet, and the errors of those that have.
class PendingRequests {
public:
    PendingRequests(qsizetype count, JiraResourcesManager::Completion completion)
        : m_remaining(count)
        , m_completion(std::move(completion)) {}

    void finish(const QList<Platform::Error>& errors) {
        Platform::assertMainThread();
        m_errors.append(errors);
        if (--m_remaining < 1 && m_completion)
            m_completion(m_errors.isEmpty() ? std::nullopt : std::optional(m_errors));
    }

    void finish(const Platform::OptionalError& error) {
        finish(error ? QList{*error} : QList<Platform::Error>());
    }

private:
    qsizetype m_remaining;
    QList<Platform::Error> m_errors;
    JiraResourcesManager::Completion m_completion;
};

// The token check before the site list may have refreshed the account's token and stored the account
// again; the per-site requests go out with the stored account unless it is older than the one given.
ZRJAccountPtr currentAccount(const ZRJAccountPtr& account, const QString& accountID) {
    const std::optional<JiraAccount> stored = JiraAccountManager::jiraAccount(accountID);
    if (!stored || stored->expires() < account->expires())
        return account;
    return std::make_shared<JiraAccount>(*stored);
}

// The site of the previous list that a new site object takes the place of.
std::shared_ptr<JiraResource> previousSite(const JiraResourcesManager::ResourceList& previous,
                                           const QString& cloudID) {
    for (const std::shared_ptr<JiraResource>& site : previous)
        if (site->cloudID() == cloudID)
            return site;
    return nullptr;
}

void logKept(const char* what, const JiraResource& resource, const Platform::OptionalError& error) {
    Platform::SystemLog::log(
        QStringLiteral("could not download the %1 of site %2, keeping the previous ones: %3")
            .arg(
                QLatin1String(what), Platform::SystemLog::escaped(resource.cloudID()),
                Platform::SystemLog::escaped(error ? error->localizedDescription() : QStringLiteral("nil"))));
}

// One site's projects and users. A download that fails leaves the site with what it had before: its own
// earlier projects and users, or those of the site object it replaces.
void downloadSite(const ZRJAccountPtr& account, const std::shared_ptr<JiraResource>& resource,
                  const std::shared_ptr<JiraResource>& previous, JiraResourcesManager::Completion completed) {
    Platform::assertMainThread();
    auto pending = std::make_shared<PendingRequests>(2, std::move(completed));
    ZRJOperationManager& client = ZRJOperationManager::shared();
    client.getProjectsPaginated(
        account->accessToken(), resource->cloudID(),
        [resource, previous, pending](const std::optional<QJsonArray>& pages,
                                      const Platform::OptionalError& error) {
            if (!pages) {
                if (previous && previous->projects() && !resource->projects()) {
                    resource->setProjects(*previous->projects());
                    logKept("projects", *resource, error);
                }
                pending->finish(error);
                return;
            }
            QList<JiraProject> projects;
            for (const QJsonValue& page : *pages) {
                const std::optional<QList<QJsonObject>> values =
                    JSONValue::objects(page.toObject(), QStringLiteral("values"));
                for (const QJsonObject& json : values.value_or(QList<QJsonObject>())) {
                    if (std::optional<JiraProject> project = JiraProject::create(
                            resource->accountID(), resource->cloudID(), resource->url(), json))
                        projects.append(std::move(*project));
                }
            }
            resource->setProjects(projects);
            pending->finish(Platform::OptionalError());
        });
    client.getAllUsers(account->accessToken(), resource->cloudID(),
                       [resource, previous, pending](const std::optional<QJsonArray>& users,
                                                     const Platform::OptionalError& error) {
                           if (!users) {
                               if (previous && previous->users() && !resource->users()) {
                                   resource->setUsers(*previous->users());
                                   logKept("users", *resource, error);
                               }
                               pending->finish(error);
                               return;
                           }
                           Platform::assertMainThread();
                           QList<JiraUser> list;
                           for (const QJsonValue& user : *users)
                               list.append(JiraUser(user.toObject()));
                           resource->setUsers(list);
                           pending->finish(Platform::OptionalError());
                       });
}

} // namespace

const QHash<QString, JiraResourcesManager::ResourceList>& JiraResourcesManager::resourcesPerAccount() {
    Platform::assertMainThread();
    return resourcesTable();
}

void JiraResourcesManager::startGetAccessibleResourcesOperation(const ZRJAccountPtr& account,
                                                                const QString& accountID,
                                                                Completion completed) {
    Platform::assertMainThread();
    ZRJOperationManager::shared().getAccessibleResources(
        account, accountID,
        [account, accountID, completed](const std::optional<QJsonArray>& sites,
                                        const Platform::OptionalError& error) {
            if (!sites) {
                if (completed)
                    completed(error ? std::optional(QList{*error}) : std::nullopt);
                return;
            }
            ResourceList resources;
            for (const QJsonValue& site : *sites) {
                if (std::shared_ptr<JiraResource> resource = JiraResource::create(accountID, site.toObject()))
                    resources.append(std::move(resource));
            }
            Platform::assertMainThread();
            const ResourceList previous = resourcesTable().value(accountID);
            resourcesTable().insert(accountID, resources);
            if (resources.isEmpty()) {
                if (completed)
                    completed(std::nullopt);
                return;
            }
            const ZRJAccountPtr siteAccount = currentAccount(account, accountID);
            auto pending = std::make_shared<PendingRequests>(resources.size(), completed);
            for (const std::shared_ptr<JiraResource>& resource : resources) {
                downloadSite(siteAccount, resource, previousSite(previous, resource->cloudID()),
                             [pending](const std::optional<QList<Platform::Error>>& errors) {
                                 pending->finish(errors.value_or(QList<Platform::Error>()));
                             });
            }
        });
}

void JiraResourcesManager::startGetProjectsOperation(const ZRJAccountPtr& account,
                                                     const std::shared_ptr<JiraResource>& resource,
                                                     Completion completed) {
    downloadSite(account, resource, nullptr, std::move(completed));
}
