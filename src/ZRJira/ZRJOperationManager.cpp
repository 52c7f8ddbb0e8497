#include "ZRJira/ZRJOperationManager.h"

#include "ZRJira/ZRJAccountUpdater.h"
#include "ZRJira/ZRJGetAuthTokenOperation.h"
#include "ZRJira/ZRJGetProjectsPaginatedOperation.h"
#include "ZRJira/ZRJRestOperations.h"
#include "ZRJira/ZRJSearchForIssuesOperation.h"

#include "Platform/Clock.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRKit/ZRError.h"

#include <QCoreApplication>

namespace {
ZRJOperationManager* g_instance = nullptr;
}

ZRJAccountUpdater::~ZRJAccountUpdater() {
    if (ZRJOperationManager* manager = ZRJOperationManager::existingInstance();
        manager != nullptr && manager->m_accountUpdater == this)
        manager->m_accountUpdater = nullptr;
}

ZRJOperationManager& ZRJOperationManager::shared() {
    Platform::assertMainThread();
    // Lives for the rest of the process, like the session it holds.
    static ZRJOperationManager* manager = new ZRJOperationManager();
    return *manager;
}

ZRJOperationManager* ZRJOperationManager::existingInstance() {
    return g_instance;
}

void ZRJOperationManager::setAccountUpdater(ZRJAccountUpdater* updater) {
    Platform::assertMainThread();
    m_accountUpdater = updater;
}

ZRJOperationManager::ZRJOperationManager() {
    Platform::HttpSession::Configuration configuration;
    configuration.maximumConnectionsPerHost = 2;
    // Atlassian's rate limits: a GET answered 429 or 503 is tried again, at most three times.
    configuration.maximumRateLimitRetries = 3;
    m_sessionManager = std::make_unique<Platform::HttpSession>(configuration);
    m_sessionManager->responseSerializer().removesKeysWithNullValues = true;
    g_instance = this;
}

template <class Operation, class Completion, class Start>
void ZRJOperationManager::run(Completion completion, Start start) {
    Platform::assertMainThread();
    auto operation = std::make_shared<Operation>(*m_sessionManager);
    std::shared_ptr<ZRJOperation> held = operation;
    m_runningOperations.insert(held);
    // The forwarding completion keeps the operation alive until the answer has been handed on.
    start(*operation, [this, held, completion = std::move(completion)](const auto&... answer) {
        completion(answer...);
        m_runningOperations.erase(held);
    });
}

void ZRJOperationManager::fetchToken(const QString& code, TokenCompletion completion) {
    run<ZRJGetAuthTokenOperation>(std::move(completion),
                                  [&](ZRJGetAuthTokenOperation& operation, auto forward) {
                                      operation.fetchToken(code, std::move(forward));
                                  });
}

void ZRJOperationManager::getCurrentUser(const QString& accessToken, const QString& cloudID,
                                         JSONObjectCompletion completion) {
    run<ZRJGetCurrentUserOperation>(std::move(completion),
                                    [&](ZRJGetCurrentUserOperation& operation, auto forward) {
                                        operation.getCurrentUser(accessToken, cloudID, std::move(forward));
                                    });
}

void ZRJOperationManager::getAccessibleResources(const ZRJAccountPtr& account, const QString& accountID,
                                                 JSONArrayCompletion completion) {
    Platform::assertMainThread();
    if (!account)
        Platform::fatalError(QStringLiteral("need account"));
    ensureValidToken(account, accountID,
                     [this, completion = std::move(completion)](const ZRJAccountPtr& checked,
                                                                const Platform::OptionalError& error) {
                         if (!checked) {
                             completion(std::nullopt, error);
                             return;
                         }
                         // A refresh error reaches the application through the updater; the listing
                         // goes on with whatever account the updater returned.
                         getAccessibleResourcesWithoutValidatingToken(checked->accessToken(), completion);
                     });
}

void ZRJOperationManager::getAccessibleResourcesWithoutValidatingToken(const QString& accessToken,
                                                                       JSONArrayCompletion completion) {
    run<ZRJGetAccessibleResourcesOperation>(
        std::move(completion), [&](ZRJGetAccessibleResourcesOperation& operation, auto forward) {
            operation.getAccessibleResources(accessToken, std::move(forward));
        });
}

void ZRJOperationManager::getProjectsPaginated(const QString& accessToken, const QString& cloudID,
                                               JSONArrayCompletion completion) {
    run<ZRJGetProjectsPaginatedOperation>(
        std::move(completion), [&](ZRJGetProjectsPaginatedOperation& operation, auto forward) {
            operation.getProjectsPaginated(accessToken, cloudID, std::move(forward));
        });
}

void ZRJOperationManager::searchForIssues(const QString& accessToken, const QString& cloudID,
                                          const ZRIssueSearchFilter& filter,
                                          JSONObjectCompletion completion) {
    run<ZRJSearchForIssuesOperation>(
        std::move(completion), [&](ZRJSearchForIssuesOperation& operation, auto forward) {
            operation.searchForIssues(accessToken, cloudID, filter, std::move(forward));
        });
}

void ZRJOperationManager::getAllUsers(const QString& accessToken, const QString& cloudID,
                                      JSONArrayCompletion completion) {
    run<ZRJSearchForUsersOperation>(std::move(completion),
                                    [&](ZRJSearchForUsersOperation& operation, auto forward) {
                                        operation.getAllUsers(accessToken, cloudID, std::move(forward));
                                    });
}

void ZRJOperationManager::getAllBoards(const QString& accessToken, const QString& cloudID,
                                       JSONObjectCompletion completion) {
    run<ZRJSearchForBoardsOperation>(
        std::move(completion), [&](ZRJSearchForBoardsOperation& operation, auto forward) {
            operation.getBoards(accessToken, cloudID, std::nullopt, std::move(forward));
        });
}

void ZRJOperationManager::getBoardsForProjectID(const QString& accessToken, const QString& cloudID,
                                                const QString& projectIDOrKey,
                                                JSONObjectCompletion completion) {
    run<ZRJSearchForBoardsOperation>(
        std::move(completion), [&](ZRJSearchForBoardsOperation& operation, auto forward) {
            operation.getBoards(accessToken, cloudID, projectIDOrKey, std::move(forward));
        });
}

void ZRJOperationManager::getSprintsForBoardID(const QString& accessToken, const QString& cloudID,
                                               const QString& boardID, JSONObjectCompletion completion) {
    run<ZRJSearchForSprintsOperation>(
        std::move(completion), [&](ZRJSearchForSprintsOperation& operation, auto forward) {
            operation.getSprintsForBoard(accessToken, cloudID, boardID, std::move(forward));
        });
}

void ZRJOperationManager::refreshExpiredToken(const ZRJAccountPtr& account, TokenCompletion completion) {
    // The server may have rotated the tokens and lost only its answer; its reuse window takes the same
    // refresh token once more, while a new sign-in would be the only way out after giving up.
    sendRefresh(account,
                [this, account, completion = std::move(completion)](
                    const std::optional<FetchTokenResponse>& response, const Platform::OptionalError& error) {
                    if (error && error->domain() == Platform::HttpSession::URLErrorDomain &&
                        error->code() != Platform::HttpSession::Cancelled &&
                        error->code() != Platform::HttpSession::BadURL) {
                        Platform::SystemLog::log(
                            QStringLiteral("token refresh failed on its way, sending it once more: ") +
                            Platform::SystemLog::escaped(error->localizedDescription()));
                        sendRefresh(account, completion);
                        return;
                    }
                    completion(response, error);
                });
}

void ZRJOperationManager::sendRefresh(const ZRJAccountPtr& account, TokenCompletion completion) {
    run<ZRJGetAuthTokenOperation>(
        std::move(completion), [&](ZRJGetAuthTokenOperation& operation, auto forward) {
            operation.refreshExpiredToken(account->refreshToken(), std::move(forward));
        });
}

void ZRJOperationManager::ensureValidToken(const ZRJAccountPtr& account, const QString& accountID,
                                           AccountCompletion completion) {
    Platform::assertMainThread();
    // Counted until updateAccount has handed the account on (the check waits for the lock and for a
    // later turn), so that a check in progress counts as running work.
    ++m_pendingTokenChecks;
    m_refreshLock.acquire([this, account, accountID, completion = std::move(completion)] {
        const QDateTime refreshAfter =
            Platform::Clock::now().addSecs(refreshTokenBeforeExpirationTimeInterval);
        if (account->expires() >= refreshAfter) {
            updateAccount(account, accountID, std::nullopt, std::nullopt, completion);
            releaseRefreshLock();
            return;
        }
        const auto recent = m_recentRefreshes.constFind(account->refreshToken());
        if (recent != m_recentRefreshes.constEnd()) {
            updateAccount(account, accountID, recent->response, recent->error, completion);
            releaseRefreshLock();
            return;
        }
        refreshExpiredToken(
            account, [this, account, accountID, completion](const std::optional<FetchTokenResponse>& response,
                                                            const Platform::OptionalError& error) {
                m_recentRefreshes.insert(account->refreshToken(), RefreshResult{response, error});
                updateAccount(account, accountID, response, error, completion);
                releaseRefreshLock();
            });
    });
}

void ZRJOperationManager::releaseRefreshLock() {
    // Results are kept only for checks already waiting; a later check starts from its own account.
    if (m_refreshLock.waitingCount() == 0)
        m_recentRefreshes.clear();
    m_refreshLock.release();
}

// Runs on a later turn, before the next check starts, so the updater hears of the checks in order.
void ZRJOperationManager::updateAccount(const ZRJAccountPtr& account, const QString& accountID,
                                        const std::optional<FetchTokenResponse>& response,
                                        const Platform::OptionalError& error,
                                        const AccountCompletion& completion) {
    Platform::runOnMain([this, account, accountID, response, error, completion] {
        if (m_accountUpdater == nullptr)
            completion(nullptr, ZRError::zr_errorWithLocalizedDescription(QCoreApplication::translate(
                                    "ZRJOperationManager",
                                    "The Jira token could not be checked: no account updater.")));
        else
            completion(m_accountUpdater->update(account, accountID, response, error), error);
        --m_pendingTokenChecks;
    });
}
