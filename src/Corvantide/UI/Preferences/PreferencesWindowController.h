#pragma once

#include "Preferences/PreferenceViewController.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class QAction;
class QActionGroup;
#include <QMainWindow>
#include <QToolBar>

namespace Ui {
class PreferencesWindowController;
}

/*! The preferences window: a tool bar with one tab per pane (General, Projects), one pane at a time as
    the window's content, the last pane remembered in "selectedPreferencesTab", and the shown pane asked
    before it is left or the window closes. The window is loaded from its interface file on first use.
    Main thread only. */
class PreferencesWindowController : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreferencesWindowController)

public:
    /*! The application's controller, made on first use and kept for the process. */
    static PreferencesWindowController& shared();

    /*! A controller with the two panes (taken over; they become children of the window when it loads,
        and are woken then). */
    PreferencesWindowController(PreferenceViewController* general, PreferenceViewController* projects,
                                QObject* parent = nullptr);
    ~PreferencesWindowController() override;

    /*! The window, loaded (and set up) on first use. */
    QMainWindow* window();
    bool isWindowLoaded() const { return m_window != nullptr; }
    /*! Shows the window and brings it to the front. */
    void showWindow();

    PreferenceViewController* generalViewController() const { return m_general; }
    PreferenceViewController* projectsViewController() const { return m_projects; }
    /*! The pane that is the window's content, if any. */
    PreferenceViewController* currentViewController() const;
    QToolBar* toolbar() const { return m_toolbar; }

    /*! Window delegate: asks the shown pane; true without one. */
    bool windowShouldClose();

    // Tool bar delegate.
    QStringList toolbarDefaultItemIdentifiers() const;
    QStringList toolbarAllowedItemIdentifiers() const { return toolbarDefaultItemIdentifiers(); }
    QStringList toolbarSelectableItemIdentifiers() const { return toolbarDefaultItemIdentifiers(); }
    /*! A new item for the pane with the identifier; nullptr for an identifier of no pane. */
    QAction* toolbarItemForItemIdentifier(const QString& identifier);

public Q_SLOTS:
    /*! The action of every tab: switches to the pane of the sender's tag. */
    void toolbarIconClicked(QObject* sender);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowDidLoad();
    void setupToolbar();
    QList<PreferenceViewController*> viewControllers() const;
    PreferenceViewController* viewControllerWithTag(int tag) const;
    void changeTo(PreferenceViewController* viewController, bool display, bool animate);
    void changeToViewControllerWithTag(int tag);
    void setSelectedItemIdentifier(const QString& identifier);

    std::unique_ptr<Ui::PreferencesWindowController> m_ui;
    QPointer<QMainWindow> m_window;
    QPointer<PreferenceViewController> m_general;
    QPointer<PreferenceViewController> m_projects;
    QPointer<QToolBar> m_toolbar;
    QActionGroup* m_toolbarGroup = nullptr;
};
