#pragma once

#include "Model/JiraAccount.h"

#include <optional>

class QObject;
class QWidget;

/*! What the windows ask of the running application, so that they need not know its delegate. */
class ApplicationCommands {
public:
    /*! The running application's commands (the delegate made last), or null. */
    static ApplicationCommands* shared() { return current(); }

    /*! Opens a new sign-in window: as a sheet of parent's window, or free without a parent; titled with
        the account's name and e-mail address when one is given. */
    virtual void showAuthorizationWindow(QWidget* parent, const std::optional<JiraAccount>& account) = 0;
    /*! True: windows leave the task bar; false: they show in it. */
    virtual void setHideDockIcon(bool hide) = 0;
    /*! The user's update check. */
    virtual void checkForUpdatesAction(QObject* sender) = 0;
    virtual void showPreferences(QObject* sender) = 0;
    /*! One update pass of every account's sites and issues. */
    virtual void updateResourcesAndIssues() = 0;
    /*! The developer's debug window. */
    virtual void showDebugWindow(QObject* sender = nullptr) = 0;

protected:
    ApplicationCommands() { current() = this; }
    ~ApplicationCommands() {
        if (current() == this)
            current() = nullptr;
    }
    ApplicationCommands(const ApplicationCommands&) = delete;
    ApplicationCommands& operator=(const ApplicationCommands&) = delete;

private:
    static ApplicationCommands*& current() {
        static ApplicationCommands* commands = nullptr;
        return commands;
    }
};
