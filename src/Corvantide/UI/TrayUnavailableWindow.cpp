#include "TrayUnavailableWindow.h"

#include "Platform/Bundle.h"
#include "ZRKit/ZRBundle.h"

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
           "instead.",
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
