#pragma once

#include <QString>

#include <optional>

/*! What one issue search is limited to; it builds the JQL query of the search. */
struct ZRIssueSearchFilter {
    QString project;
    bool currentUserIssuesOnly = false;
    /*! One sprint; when present the two sprint flags are ignored. */
    std::optional<qint64> sprintID;
    bool futureSprintsOnly = false;
    bool openSprintsOnly = false;

    /*! For example: project = "ABC" AND assignee = currentuser() AND sprint in openSprints() */
    QString jqlQuery() const;
};
