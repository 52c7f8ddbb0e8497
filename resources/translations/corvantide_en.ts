<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Alert</name>
    <message>
        <source>Do not show this message again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>The Jira accounts cannot be read: %1</source>
        <comment>menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Issues…</source>
        <comment>open issues window</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Issues Now</source>
        <comment>menu item name</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Corvantide</source>
        <comment>settings menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <comment>settings menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings…</source>
        <comment>settings menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit %@</source>
        <comment>menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About %1</source>
        <comment>about panel title</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1</source>
        <comment>about panel</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The authorization for the account %@ has expired. You need to re-authorize this account with Jira.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Re-Authorize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AuthorizeWebViewController</name>
    <message>
        <source>Authorize Jira Account</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The sign-in page cannot be shown because the web view could not be loaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not download Jira authentication token, missing response data.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The account could not be stored in the keychain.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DebugWindowController</name>
    <message>
        <source>Debug</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reload Sites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Account…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Site:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only my issues</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sprints:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>None</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Future</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Projects</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Boards</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sprints</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Issues</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>URL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Summary</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Category</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Assignee</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FileDecrypter</name>
    <message>
        <source>Corvantide is damaged. Please re-install it.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FilterSettingsUIController</name>
    <message>
        <source>My Issue</source>
        <comment>example advanced filter</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GeneralPreferenceViewController</name>
    <message>
        <source>Update issues:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Order issues:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the status images of Jira in the menu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the windows out of the task bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set General Preferences</source>
        <comment>preferences tooltip</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <comment>preferences tab name</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new interval applies from the next start of Corvantide.</source>
        <comment>update interval tooltip</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HttpSession</name>
    <message>
        <source>cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The request timed out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Request failed: %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>status code %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Request failed: unacceptable content-type: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The data couldn&apos;t be read because it isn&apos;t in the correct format: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IssueFilter</name>
    <message>
        <source>New Project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No advanced filter set up.</source>
        <comment>predicate description</comment>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n filter(s) set up.</source>
        <comment>predicate description</comment>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>1 filter set up.</source>
        <comment>predicate description</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IssueFilterArrayController</name>
    <message>
        <source>Project</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IssueListWindowController</name>
    <message>
        <source>Issues</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the projects&apos; issues or search them with a filter of your own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project Filters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Custom Filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Issues</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show or hide the filter settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sprint</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only my issues</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Advanced…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key</source>
        <comment>issue table column</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Summary</source>
        <comment>issue table column</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Assignee</source>
        <comment>issue table column</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <comment>issue table column</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Created</source>
        <comment>issue table column</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open in Browser</source>
        <comment>issue context menu</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy URL</source>
        <comment>issue context menu</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Key</source>
        <comment>issue context menu</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Summary</source>
        <comment>issue context menu</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Projects</source>
        <comment>Popup menu item title</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings…</source>
        <comment>Popup menu item title</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Keychain</name>
    <message>
        <source>No error.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>One or more parameters passed to a function were not valid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user canceled the operation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No keychain is available: the Secret Service is not running.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The specified item already exists in the keychain.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The specified item could not be found in the keychain.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User interaction is not allowed: the keychain is locked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to decode the provided data.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No default keyring: the Secret Service is running but has no keyring to keep passwords in. Create a default keyring (for example a &quot;Login&quot; keyring in Passwords and Keys, or a wallet in KWallet), then sign in again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KeychainAccess</name>
    <message>
        <source>Unknown Keychain error.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Localizable</name>
    <message>
        <source>Got status code %ld for path %@</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LocalizedEnum</name>
    <message>
        <source>All</source>
        <comment>filter name</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ToDo</source>
        <comment>filter name</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In Progress</source>
        <comment>filter name</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ToDo or in Progress</source>
        <comment>filter name</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Future</source>
        <comment>filter name</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <comment>filter name</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>NoProjectsViewController</name>
    <message>
        <source>No Jira account yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sign in to an Atlassian account to see your issues here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sign In…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Platform</name>
    <message>
        <source>The request timed out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A server with the specified hostname could not be found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not connect to the server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The network connection was lost.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A TLS error caused the secure connection to fail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unsupported URL</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PredicateEditor</name>
    <message>
        <source>is less than</source>
        <comment>predicate operator</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is less than or equal to</source>
        <comment>predicate operator</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is greater than</source>
        <comment>predicate operator</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is greater than or equal to</source>
        <comment>predicate operator</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is</source>
        <comment>predicate operator</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>is not</source>
        <comment>predicate operator</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>begins with</source>
        <comment>predicate operator</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ends with</source>
        <comment>predicate operator</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>contains</source>
        <comment>predicate operator</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All</source>
        <comment>predicate compound</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Any</source>
        <comment>predicate compound</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>None</source>
        <comment>predicate compound</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This advanced filter cannot be shown as rows. It is kept as it is:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add a condition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>of the following are true</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>true</source>
        <comment>predicate value</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>false</source>
        <comment>predicate value</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove this row</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add a condition; hold the button for a group of conditions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Condition</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Group</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PredicateEditorWindowController</name>
    <message>
        <source>Advanced Filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Caught exception while configuring row for key %@, type %@</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete the Advanced Filter?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you really want to delete the filter? This can not be undone.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreferencesWindowController</name>
    <message>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ProjectsPreferenceViewController</name>
    <message>
        <source>Add a project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>+</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manage the authorized servers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Servers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download the project&apos;s issues now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show issues</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sprint:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only my issues</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Advanced:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit Advanced Filter…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set Project Preferences</source>
        <comment>preferences tooltip</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Projects</source>
        <comment>preferences tab name</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Server…</source>
        <comment>menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Authorized Servers</source>
        <comment>menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Re-Authorize</source>
        <comment>menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <comment>menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add…</source>
        <comment>menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Authorized Server?</source>
        <comment>Alert delete server.</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you really want to delete the authorized server %@ and all its projects (%d)? This can not be undone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Project?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you really want to delete the project %@? This can not be undone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Projects?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you really want to delete %ld projects? This can not be undone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No projects yet.
Add a project of your server with the + button below.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No projects yet.
Add a server with the Servers button below, then a project with the + button.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StatusMenuBuilder</name>
    <message>
        <source>Sign In…</source>
        <comment>menu item</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updating…</source>
        <comment>menu item placeholder</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrayUnavailableWindow</name>
    <message>
        <source>This desktop shows no system tray, so %1 cannot place its menu there. Its commands are here instead. Closing this window quits %1.</source>
        <comment>window shown without a tray</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UserDefaultsKeys</name>
    <message>
        <source>Every %d minutes</source>
        <comment>update interval</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every %d hours</source>
        <comment>update interval</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By Key</source>
        <comment>update interval</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By Status</source>
        <comment>update interval</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WebViews</name>
    <message>
        <source>Qt WebEngine does not run as root with its sandbox on. Start Corvantide as a normal user, or with the environment variable QTWEBENGINE_DISABLE_SANDBOX=1.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Workspace</name>
    <message>
        <source>The page %1 could not be opened.</source>
        <comment>error when no browser takes a page</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The desktop&apos;s opener %1 could not be started: %2</source>
        <comment>reason when no browser takes a page</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 ended with status %2.</source>
        <comment>reason when no browser takes a page</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZRJGetAuthTokenOperation</name>
    <message>
        <source>Could not download Jira authentication token, missing response data.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not download Jira authentication token, missing access token.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not download Jira authentication token, missing refresh token.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not download Jira authentication token, missing scope.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not download Jira authentication token, missing expiration time.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZRJOperation</name>
    <message>
        <source>Could not download Jira projects.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The request could not be made from the values the server sent.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Jira refused the request because the sign-in lacks the scopes %1. Add them to the app&apos;s permissions and sign the account in again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not download Jira resources.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not download current user.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZRJOperationManager</name>
    <message>
        <source>The Jira token could not be checked: no account updater.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZRURL</name>
    <message>
        <source>The file &quot;%1&quot; does not exist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The bookmark cannot be resolved.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZRURLSession</name>
    <message>
        <source>Unknown error while downloading data.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Timeout while downloading data.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZRUpdateAlertController</name>
    <message>
        <source>Software Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Release Notes:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Install Update</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZRUpdater</name>
    <message>
        <source>Could not uncompress data.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Got no releases from update feed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update feed is too large.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update feed lists too many releases.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update feed address is not secure.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for new versions on launch?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like %@ to check for new versions on launch?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An update is already running.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your Version of %@ is up to date.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%@ is currently the newest version available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An error occurred while downloading the update information. Please try again later.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Install Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloading update...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>downloaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An error occurred while downloading the update. Please try again later.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mounting update...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An error occurred while mounting the update. Please try again later.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready to install</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Install and Relaunch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Installing update...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You do not have permission to write to the application&apos;s directory. Are you running off a disk image?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new version of %@ has been installed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%@ has been installed and will be ready to use next time %@ starts! Would you like to relaunch now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Relaunch Now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Relaunch Later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new version is installed, but the application could not be restarted. Please quit and start it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Running from Disk Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You are about to start %@ from a disk image. If you intend to use it regularly, we recommend that you copy the application to your hard drives &apos;Applications&apos; directory.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy and Restart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You do not have permission to write to the /Applications directory.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZRUpdaterStatusPanelController</name>
    <message>
        <source>Software Update</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
