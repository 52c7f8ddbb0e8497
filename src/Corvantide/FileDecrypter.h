#pragma once

#include <QVariantMap>

/*! The OAuth client settings and the crash reporter's DSN, shipped encrypted as Resources/jira.enc:
    "jiraClientID", "jiraClientSecret", "jiraCallbackURL", "jiraAuthenticationScopes" (an array of
    strings) and "sentryDSN". */
class FileDecrypter {
public:
    FileDecrypter() = delete;

    /*! The decrypted settings, read once per process on first use; safe from any thread. A missing or
        unreadable file shows the damaged-installation panel and ends the process with status -1; a file
        that holds something other than a dictionary stops it with "Wrong type of decrypted file". */
    static const QVariantMap& decryptedJiraSettings();

    /*! Shows "Corvantide is damaged. Please re-install it." and returns when the user has dismissed it;
        from any thread (another thread waits for the main thread to show it). */
    static void showErrorPanel();
};
