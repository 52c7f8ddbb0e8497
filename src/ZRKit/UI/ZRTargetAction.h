#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

class QMenu;
class QObject;

/*! Target/action for menu items (QAction), buttons (QAbstractButton) and pop-ups (QComboBox): an item
    names an action, the name of a slot or Q_INVOKABLE method of its target, which is called with the item
    as its one argument (or with none) when the user triggers the item. Items also carry an integer tag.
    Main thread only. */
namespace ZRTargetAction {

int tag(const QObject* item);
void setTag(QObject* item, int tag);

QObject* target(const QObject* item);
void setTarget(QObject* item, QObject* target);
QByteArray action(const QObject* item);
/*! Names the action; from then on triggering the item sends it to the target. */
void setAction(QObject* item, const QByteArray& action);

/*! True when the object has a method of that name taking nothing or one object the argument can be
    passed as (any object when argument is nullptr). */
bool respondsToSelector(const QObject* object, const QByteArray& selector, const QObject* argument = nullptr);
/*! Calls the item's action on its target; false when there is no target or it does not respond. */
bool sendAction(QObject* item);
/*! Calls a method answering bool with the argument; nothing when the object has no such method. */
std::optional<bool> invokeBoolMethod(QObject* object, const QByteArray& selector, QObject* argument);

/*! Enables each item of the menu that has an action when its target responds to the action and, when the
    target has validateMenuItem(QAction*), that answers true. Items without an action keep their state. */
void validateMenuItems(QMenu* menu);
/*! Validates the menu's items each time it is about to show. */
void setAutoenablesItems(QMenu* menu);

} // namespace ZRTargetAction
