#pragma once

#include "ZRJira/FetchTokenResponse.h"
#include "ZRJira/ZRIssueSearchFilter.h"
#include "ZRJira/ZRJAccount.h"
#include "ZRJira/ZRJOperation.h"

#include "Platform/AsyncLock.h"
#include "Platform/Error.h"

#include <QHash>

#include <memory>
#include <optional>
#include <unordered_set>

class ZRJAccountUpdater;

/*! The Jira client's one shared object. Each entry point starts one operation, keeps it until its answer
    has arrived and calls the completion exactly once, on the GUI thread. Only getAccessibleResources
    checks the account's token first (refreshing it when it expires within 300 s); every other entry point
    uses the token it is given. Call it on the GUI thread. */
class ZRJOperationManager {
public:
    using FetchTokenResponse = ::FetchTokenResponse;
    using ZRIssueSearchFilter = ::ZRIssueSearchFilter;
    using JSONObjectCompletion = ZRJOperation::JSONObjectCompletion;
    using JSONArrayCompletion = ZRJOperation::JSONArrayCompletion;
    using TokenCompletion = std::function<void(const std::optional<FetchTokenResponse>& response,
                                               const Platform::OptionalError& error)>;
    using AccountCompletion =
        std::function<void(const ZRJAccountPtr& account, const Platform::OptionalError& error)>;

    /*! A token expiring in less than this many seconds is refreshed before use. */
    static constexpr qint64 refreshTokenBeforeExpirationTimeInterval = 300;

    static ZRJOperationManager& shared();
    ZRJOperationManager(const ZRJOperationManager&) = delete;
    ZRJOperationManager& operator=(const ZRJOperationManager&) = delete;

    ZRJAccountUpdater* accountUpdater() const { return m_accountUpdater; }
    /*! Not owned; an updater that is destroyed takes itself out. */
    void setAccountUpdater(ZRJAccountUpdater* updater);

    /*! Operations started and not yet answered, with the token checks that have not yet handed on. */
    qsizetype runningOperationCount() const {
        return static_cast<qsizetype>(m_runningOperations.size()) + m_pendingTokenChecks;
    }
    Platform::HttpSession& sessionManager() { return *m_sessionManager; }

    void fetchToken(const QString& code, TokenCompletion completion);
    void getCurrentUser(const QString& accessToken, const QString& cloudID, JSONObjectCompletion completion);
    /*! Checks the token (the account updater hears of the outcome), then lists the sites with the token
        of the account the updater returned. */
    void getAccessibleResources(const ZRJAccountPtr& account, const QString& accountID,
                                JSONArrayCompletion completion);
    void getAccessibleResourcesWithoutValidatingToken(const QString& accessToken,
                                                      JSONArrayCompletion completion);
    /*! Every project page of a site, in order. */
    void getProjectsPaginated(const QString& accessToken, const QString& cloudID,
                              JSONArrayCompletion completion);
    /*! Every issue the filter matches (up to 1000) in one object under "issues". */
    void searchForIssues(const QString& accessToken, const QString& cloudID,
                         const ZRIssueSearchFilter& filter, JSONObjectCompletion completion);
    void getAllUsers(const QString& accessToken, const QString& cloudID, JSONArrayCompletion completion);
    void getAllBoards(const QString& accessToken, const QString& cloudID, JSONObjectCompletion completion);
    void getBoardsForProjectID(const QString& accessToken, const QString& cloudID,
                               const QString& projectIDOrKey, JSONObjectCompletion completion);
    void getSprintsForBoardID(const QString& accessToken, const QString& cloudID, const QString& boardID,
                              JSONObjectCompletion completion);

private:
    friend class ZRJAccountUpdater;
    ZRJOperationManager();
    static ZRJOperationManager* existingInstance();

    /*! The token check: one at a time, in the order asked. A check whose refresh token an earlier,
        still queued-behind check has just sent takes that refresh's result instead of sending it again
        (the server rotates refresh tokens, so a second use would fail). */
    void ensureValidToken(const ZRJAccountPtr& account, const QString& accountID,
                          AccountCompletion completion);
    /*! A refresh that fails on its way (no answer) is sent once more at once with the same refresh token
        before its error is reported. */
    void refreshExpiredToken(const ZRJAccountPtr& account, TokenCompletion completion);
    void sendRefresh(const ZRJAccountPtr& account, TokenCompletion completion);
    void updateAccount(const ZRJAccountPtr& account, const QString& accountID,
                       const std::optional<FetchTokenResponse>& response,
                       const Platform::OptionalError& error, const AccountCompletion& completion);
    void releaseRefreshLock();

    /*! Creates the operation, keeps it running, and has `start` begin it with a completion that hands the
        answer on and then lets the operation go. */
    template <class Operation, class Completion, class Start> void run(Completion completion, Start start);

    struct RefreshResult {
        std::optional<FetchTokenResponse> response;
        Platform::OptionalError error;
    };

    ZRJAccountUpdater* m_accountUpdater = nullptr;
    std::unordered_set<std::shared_ptr<ZRJOperation>> m_runningOperations;
    qsizetype m_pendingTokenChecks = 0;
    std::unique_ptr<Platform::HttpSession> m_sessionManager;
    Platform::AsyncLock m_refreshLock;
    QHash<QString, RefreshResult> m_recentRefreshes;
};
