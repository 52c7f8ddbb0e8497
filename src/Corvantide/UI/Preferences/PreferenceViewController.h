#pragma once

#include <QString>
#include <QWidget>

/*! The panes of the preferences window, by the tag stored in "selectedPreferencesTab". */
enum class PreferenceViewControllerTag { general = 0, projects = 1 };

/*! One pane of the preferences window: its view and what the window's tool bar shows for it. A pane
    may refuse to be left (or the window to close) and is told before it is shown and before another pane
    replaces it. The window controller calls awakeFromNib() and then viewDidLoad() once, after making
    the pane; the pane's identifier (also its tool bar item's identifier) is set by awakeFromNib(). */
class PreferenceViewController : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreferenceViewController)

public:
    explicit PreferenceViewController(QWidget* parent = nullptr);

    virtual PreferenceViewControllerTag tag() const = 0;
    /*! The name of the tool bar item's image. */
    virtual QString imageName() const = 0;
    virtual QString toolTip() const = 0;

    /*! May the pane be left (or the window closed)? */
    virtual bool shouldHideViewInPreferencesPanel();
    virtual void willShowViewInPreferencesPanel();
    virtual void willHideViewInPreferencesPanel();

    /*! "general" or "projects" once awake; empty before. */
    QString identifier() const { return m_identifier; }
    /*! The tab's name. */
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    /*! Runs awakeFromNib() and viewDidLoad(), once. */
    void awake();

protected:
    virtual void awakeFromNib();
    virtual void viewDidLoad() {}

private:
    QString m_identifier;
    QString m_title;
    bool m_awake = false;
};
