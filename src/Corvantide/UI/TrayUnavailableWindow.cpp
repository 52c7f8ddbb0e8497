#include "TrayUnavailableWindow.h"

#include "Platform/Bundle.h"
#include "ZRKit/ZRBundle.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

TrayUnavailableWindow::TrayUnavailableWindow(QMenu* statusMenu, QWidget* parent)
    : QWidget(parent) {
    const QString name = ZRBundle::bundleName(Platform::Bundle::mainBundle());
    setWindowTitle(name);
    auto* layout = new QVBoxLayout(this);
    auto* message = new QLabel(
        tr("This desktop shows no system tray, so %1 cannot place its menu there. Its commands are here "
           "instead. Closing this window quits %1.",
           "window shown without a tray")
            .arg(name),
        this);
    message->setWordWrap(true);
    layout->addWidget(message);
    auto* button = new QPushButton(name, this);
    button->setObjectName(QStringLiteral("statusMenuButton"));
    button->setMenu(statusMenu);
    layout->addWidget(button);
    resize(360, sizeHint().height());
}

void TrayUnavailableWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // Nothing else on screen would let the user end the application. (The window only hides when a tray
    // host comes.)
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
