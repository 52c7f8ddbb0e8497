#include "ZRJira/ZRIssueSearchFilter.h"

namespace {

// The key goes between double quotes; a backslash or quote inside it must not end the string early.
QString quotedJQLString(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

QString ZRIssueSearchFilter::jqlQuery() const {
    QString query = QStringLiteral("project = ") + quotedJQLString(project);
    if (currentUserIssuesOnly)
        query += QStringLiteral(" AND assignee = currentuser()");
    if (sprintID)
        query += QStringLiteral(" AND sprint = ") + QString::number(*sprintID);
    else if (futureSprintsOnly)
        query += QStringLiteral(" AND sprint in futureSprints()");
    else if (openSprintsOnly)
        query += QStringLiteral(" AND sprint in openSprints()");
    return query;
}
