#include "Preferences/MenuButton.h"

#include "Platform/MainThread.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>

QMenu* MenuButtonDelegate::menuForButton(MenuButton*) {
    return nullptr;
}

void MenuButtonDelegate::buttonWillPopupMenu(MenuButton*, QMenu*) {}

MenuButton::MenuButton(QWidget* parent)
    : QPushButton(parent) {}

MenuButtonDelegate* MenuButton::delegate() const {
    return dynamic_cast<MenuButtonDelegate*>(m_delegate.data());
}

void MenuButton::setDelegate(MenuButtonDelegate* delegate) {
    Platform::assertMainThread();
    m_delegate = dynamic_cast<QObject*>(delegate);
}

QPoint MenuButton::menuPosition() const {
    return mapToGlobal(QPoint(width() - 5, height() / 2));
}

void MenuButton::mousePressEvent(QMouseEvent* event) {
    Platform::assertMainThread();
    if (!isEnabled() || event->button() != Qt::LeftButton) {
        QPushButton::mousePressEvent(event);
        return;
    }
    if (m_ownMenu) {
        popUp(m_ownMenu);
        return;
    }
    if (MenuButtonDelegate* menuDelegate = delegate()) {
        if (QMenu* menu = menuDelegate->menuForButton(this)) {
            const bool owned = menu->parent() == nullptr;
            popUp(menu);
            if (owned)
                menu->deleteLater();
            return;
        }
    }
    QPushButton::mousePressEvent(event);
}

void MenuButton::popUp(QMenu* menu) {
    const QPointer<MenuButton> self(this);
    setDown(true);
    if (MenuButtonDelegate* menuDelegate = delegate())
        menuDelegate->buttonWillPopupMenu(this, menu);

    QFont font = QApplication::font("QMenu");
    const qreal size = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    switch (m_menuControlSize) {
    case ControlSize::Small:
        font.setPointSizeF(size - 1);
        break;
    case ControlSize::Mini:
        font.setPointSizeF(size - 2);
        break;
    case ControlSize::Large:
        font.setPointSizeF(size + 1);
        break;
    case ControlSize::Regular:
        break;
    }
    menu->setFont(font);
    menu->exec(menuPosition());
    // The menu's action may have closed the window holding the button.
    if (self) {
        setDown(false);
        Q_EMIT menuClosed();
    }
}
