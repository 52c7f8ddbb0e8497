#pragma once

#include <QIcon>
#include <QList>
#include <QMetaObject>
#include <QWidgetAction>

class QAbstractButton;
class QTabBar;
class QToolBar;

/*! An item of a tool bar: either a view (a button, or a container holding a button or a segmented
    control) or, when bordered, a plain tool button with an image. Its identifier is its object name.
    Target, action and tag are those of the target/action layer. */
class ZRToolbarItem : public QWidgetAction {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ZRToolbarItem)

public:
    explicit ZRToolbarItem(const QString& identifier, QObject* parent = nullptr);

    QString itemIdentifier() const { return objectName(); }
    /*! The tool bar showing the item, or nullptr. */
    QToolBar* toolbar() const;

    QWidget* view() const { return defaultWidget(); }
    /*! Replaces the item's view (the old one is deleted); nullptr leaves the item without one. Tool bars
        showing the item show the new view in the same place. */
    void setView(QWidget* view);
    bool isBordered() const { return m_bordered; }
    void setBordered(bool bordered) { m_bordered = bordered; }
    QIcon image() const { return icon(); }
    void setImage(const QIcon& image) { setIcon(image); }

    /*! The item's button (its view or the view's first button) and, through `target`, the button's target,
        else the tool bar's delegate when that responds to the button's action. */
    QAbstractButton* getButtonAndTarget(QObject** target) const;
    /*! The view's first segmented control (a tab bar) and its target found the same way. */
    QTabBar* getSegmentedControlAndTarget(QObject** target) const;

    /*! Enables the item as the tool bar delegate's validateZRToolbarItem(ZRToolbarItem*) answers, when it
        has one. */
    virtual void validate();
    /*! A menu item for the overflow menu: the item's text and image with its button's action and target.
        The caller owns it. */
    QAction* menuFormRepresentation() const;
    /*! Unless the item's button is of one of the classes or has no action: drops the view and becomes a
        bordered item with the button's target, action and image. */
    void setToolbarBorderedExceptForButtonClasses(const QList<const QMetaObject*>& classes);

private:
    QObject* targetFor(const QObject* control) const;
    template <typename Control> Control* controlAndTarget(QObject** target) const;

    bool m_bordered = false;
};
