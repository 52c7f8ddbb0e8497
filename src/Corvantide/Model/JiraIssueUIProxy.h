#pragma once

#include "JiraUserManager.h"
#include "Model/JiraIssue.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

/*! One issue together with the user store, for showing the issue with user names resolved. The issue is
    observable (issueChanged) and readable by key path: "issue.<key path>" reads the issue's own key
    paths ("issue.summary", "issue.fields.priority.name"). Main thread only. */
class JiraIssueUIProxy final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JiraIssueUIProxy)

public:
    JiraIssueUIProxy(JiraIssue issue, std::shared_ptr<JiraUserManager> userManager,
                     QObject* parent = nullptr);

    const JiraIssue& issue() const { return m_issue; }
    void setIssue(const JiraIssue& issue);
    const std::shared_ptr<JiraUserManager>& userManager() const { return m_userManager; }

    /*! "issue.<key path>" as the issue answers it; no value (an invalid QVariant) for any other path. */
    QVariant value(const QString& keyPath) const;

Q_SIGNALS:
    void issueChanged();

private:
    JiraIssue m_issue;
    std::shared_ptr<JiraUserManager> m_userManager;
};
