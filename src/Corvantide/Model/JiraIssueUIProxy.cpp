#include "Model/JiraIssueUIProxy.h"

#include "Platform/MainThread.h"

JiraIssueUIProxy::JiraIssueUIProxy(JiraIssue issue, std::shared_ptr<JiraUserManager> userManager,
                                   QObject* parent)
    : QObject(parent)
    , m_issue(std::move(issue))
    , m_userManager(std::move(userManager)) {}

void JiraIssueUIProxy::setIssue(const JiraIssue& issue) {
    Platform::assertMainThread();
    m_issue = issue;
    Q_EMIT issueChanged();
}

QVariant JiraIssueUIProxy::value(const QString& keyPath) const {
    static const QString Prefix = QStringLiteral("issue.");
    if (!keyPath.startsWith(Prefix))
        return {};
    return m_issue.value(keyPath.mid(Prefix.size()));
}
