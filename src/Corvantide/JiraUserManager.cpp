#include "JiraUserManager.h"

void JiraUserManager::addUsers(const QList<JiraUser>& users) {
    for (const JiraUser& user : users)
        m_users.insert(user.accountID(), user);
}
