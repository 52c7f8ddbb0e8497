#pragma once

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class ZRUpdaterStatusPanelController;
}

/*! The small panel shown while an update downloads, unpacks and installs: a title, a progress bar, a
    status text and one button that each stage gives its own meaning. */
class ZRUpdaterStatusPanelController final : public QWidget {
public:
    ZRUpdaterStatusPanelController();
    ~ZRUpdaterStatusPanelController() override;

    /*! Title, maximum (0: an indeterminate bar) and status text; the progress value stays. */
    void beginActionWithTitle(const QString& title, double maxProgressValue, const QString& statusText);
    void setButtonTitle(const QString& title, std::function<void()> action, bool isDefault);
    void setButtonEnabled(bool enabled);
    /*! What closing the panel (its close button or Escape) does; without one the panel refuses to close,
        as during the installation. */
    void setCancelHandler(std::function<void()> handler) { m_cancelAction = std::move(handler); }
    /*! Hides the panel without the close of the user. */
    void dismiss();
    void setProgressValue(double value);
    void setMaxProgressValue(double value);
    void setStatusText(const QString& text);
    void showWindow();
    void bringToFront();

    QString title() const;
    QString statusText() const;
    QString buttonTitle() const;
    double progressValue() const { return m_progressValue; }
    double maxProgressValue() const { return m_maxProgressValue; }
    bool isButtonEnabled() const;
    /*! Presses the action button (as a click would). */
    void pressButton();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void updateBar();

    std::unique_ptr<Ui::ZRUpdaterStatusPanelController> m_ui;
    std::function<void()> m_action;
    std::function<void()> m_cancelAction;
    bool m_dismissed = false;
    double m_progressValue = 0;
    double m_maxProgressValue = 0;
};
