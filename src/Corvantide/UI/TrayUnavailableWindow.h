#pragma once

#include <QWidget>

class QMenu;

/*! Shown when the desktop has no tray host: it says so and offers the status menu's commands from a
    button, so the application never runs invisibly. Closing it quits the application. */
class TrayUnavailableWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayUnavailableWindow)

public:
    explicit TrayUnavailableWindow(QMenu* statusMenu, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
};
