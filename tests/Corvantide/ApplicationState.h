#pragma once

#include "IssueFilterManager.h"

#include "Platform/UserDefaults.h"

/*! Puts back what a new process of the application starts with: no user defaults of its own and no issue
    filters (both live in this process's own folders). A test binary run whole keeps one process for all
    its tests, and the application keeps both for the whole of a process. Jira accounts are left alone:
    the keyring is shared with the tests that run beside this one, and each test removes its own. */
inline void forgetApplicationState() {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    for (const QString& key : defaults.persistentDomain().keys())
        defaults.removeObject(key);
    IssueFilterManager& filters = IssueFilterManager::shared();
    for (const auto& filter : filters.allIssueFilters())
        filters.remove(*filter);
}
