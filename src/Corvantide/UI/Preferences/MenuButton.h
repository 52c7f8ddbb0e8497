#pragma once

#include <QPointer>
#include <QPushButton>

class MenuButton;
#include <QMenu>

/*! What a MenuButton asks of its delegate. Both are optional: the defaults give no menu and ignore the
    notice. */
class MenuButtonDelegate {
public:
    virtual ~MenuButtonDelegate() = default;
    /*! The menu to pop up now, built on demand; nullptr: the button acts as a plain button. The button
        does not keep the menu: it is deleted after it closed unless it has another parent. */
    virtual QMenu* menuForButton(MenuButton* button);
    /*! Told just before the menu shows. */
    virtual void buttonWillPopupMenu(MenuButton* button, QMenu* menu);
};

/*! A button that pops up a menu at its right edge when pressed: its own menu, else the one its delegate
    builds at that moment. The button looks pressed while the menu is open. */
class MenuButton : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MenuButton)

public:
    enum class ControlSize { Regular, Small, Mini, Large };

    explicit MenuButton(QWidget* parent = nullptr);

    /*! The delegate, held weakly; it must be a QObject. */
    MenuButtonDelegate* delegate() const;
    void setDelegate(MenuButtonDelegate* delegate);

    /*! The button's own menu, which takes precedence over the delegate's (not owned). */
    QMenu* ownMenu() const { return m_ownMenu; }
    void setOwnMenu(QMenu* menu) { m_ownMenu = menu; }

    /*! The control size whose font size the menu uses. */
    ControlSize menuControlSize() const { return m_menuControlSize; }
    void setMenuControlSize(ControlSize size) { m_menuControlSize = size; }

    /*! Where the menu opens, in global coordinates: the button's right edge less 5, vertically centred. */
    QPoint menuPosition() const;

Q_SIGNALS:
    /*! The menu was closed again (after the highlight was removed). */
    void menuClosed();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void popUp(QMenu* menu);

    QPointer<QObject> m_delegate;
    QPointer<QMenu> m_ownMenu;
    ControlSize m_menuControlSize = ControlSize::Regular;
};
