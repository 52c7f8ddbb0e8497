#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class NoProjectsViewController;
}

/*! The view that stands in the status menu while no account is signed in; its button starts the sign-in
    (the application delegate's showAuthorizationWindowAction). */
class NoProjectsViewController final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NoProjectsViewController)

public:
    explicit NoProjectsViewController(QWidget* parent = nullptr);
    ~NoProjectsViewController() override;

    QWidget* view() { return this; }

Q_SIGNALS:
    void signInRequested();

private:
    std::unique_ptr<Ui::NoProjectsViewController> m_ui;
};
