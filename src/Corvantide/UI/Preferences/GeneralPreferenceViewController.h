#pragma once

#include "Preferences/PreferenceViewController.h"

#include <memory>

class QComboBox;

namespace Ui {
class GeneralPreferenceViewController;
}

/*! The General pane: the issue update interval, the issue order, whether the application's windows show
    in the task bar, the status images from Jira, and a manual update check. Its controls are bound to
    their user defaults; the pane writes none of them itself. */
class GeneralPreferenceViewController : public PreferenceViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GeneralPreferenceViewController)

public:
    explicit GeneralPreferenceViewController(QWidget* parent = nullptr);
    ~GeneralPreferenceViewController() override;

    PreferenceViewControllerTag tag() const override { return PreferenceViewControllerTag::general; }
    QString imageName() const override { return QStringLiteral("Preferences_General"); }
    QString toolTip() const override;

    QComboBox* updateIntervalPopup() const;
    QComboBox* orderIssuesPopup() const;

    /*! Refills the pop-ups with their cases; they show the bound default again afterwards. */
    void updateUpdateIntervalPopup();
    void updateOrderIssuesPopup();

public Q_SLOTS:
    /*! Applies the "hideDockIcon" default at once. */
    void hideDockIconAction(QObject* sender);
    /*! The user's check for a new release. */
    void checkForUpdatesAction(QObject* sender);

protected:
    void awakeFromNib() override;
    void viewDidLoad() override;

private:
    std::unique_ptr<Ui::GeneralPreferenceViewController> m_ui;
};
