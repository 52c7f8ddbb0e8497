#pragma once

#include "ZRJira/ZRJOperation.h"

/*! The sites (cloud ids) the token may reach, from the gateway itself. */
class ZRJGetAccessibleResourcesOperation final : public ZRJOperation {
public:
    using ZRJOperation::ZRJOperation;
    void getAccessibleResources(const QString& accessToken, JSONArrayCompletion completion);
};

/*! The signed-in user of one site ("/myself"). */
class ZRJGetCurrentUserOperation final : public ZRJOperation {
public:
    using ZRJOperation::ZRJOperation;
    void getCurrentUser(const QString& accessToken, const QString& cloudID, JSONObjectCompletion completion);
};

/*! The agile boards of a site, optionally of one project; up to 1000, one request. */
class ZRJSearchForBoardsOperation final : public ZRJOperation {
public:
    using ZRJOperation::ZRJOperation;
    void getBoards(const QString& accessToken, const QString& cloudID,
                   const std::optional<QString>& projectIDOrKey, JSONObjectCompletion completion);
};

/*! The sprints of one board; up to 1000, one request. */
class ZRJSearchForSprintsOperation final : public ZRJOperation {
public:
    using ZRJOperation::ZRJOperation;
    void getSprintsForBoard(const QString& accessToken, const QString& cloudID, const QString& boardID,
                            JSONObjectCompletion completion);
};

/*! The users of a site; up to 1000, one request. */
class ZRJSearchForUsersOperation final : public ZRJOperation {
public:
    using ZRJOperation::ZRJOperation;
    void getAllUsers(const QString& accessToken, const QString& cloudID, JSONArrayCompletion completion);
};

/*! A request for the server's own information; declared, with no request of its own yet. */
class ZRJServerInfoOperation final : public ZRJOperation {
public:
    using ZRJOperation::ZRJOperation;
};
