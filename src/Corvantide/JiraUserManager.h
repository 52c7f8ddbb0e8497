#pragma once

#include "Model/JiraUser.h"

#include <QHash>
#include <QList>
#include <QString>

/*! A table of Jira users by account id. */
class JiraUserManager {
public:
    /*! Stores each user under its account id; a later user with the same id replaces an earlier one. */
    void addUsers(const QList<JiraUser>& users);

    const QHash<QString, JiraUser>& users() const { return m_users; }

private:
    QHash<QString, JiraUser> m_users;
};
