#pragma once

#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QVariant>

class QAction;
class QComboBox;
class QMenu;
class QObject;

/*! Adding, finding and removing menu items. Items are QActions with the target/action layer's target,
    action and tag. */
namespace ZRMenu {

QAction* lastItem(const QMenu* menu);

/*! A key equivalent as the menus write it: one character with Ctrl ("," is Ctrl+Comma); an upper-case
    letter adds Shift. Empty: no shortcut. */
QKeySequence keySequenceForKeyEquivalent(const QString& keyEquivalent);

/*! Adds an item with the title, action (sent to the target) and key equivalent. */
QAction* addItemWithTitleActionKeyEquivalent(QMenu* menu, const QString& title, const QByteArray& action,
                                             const QString& keyEquivalent);
/*! The same, also setting tag, target and indentation level (kept as the item's "indentationLevel"). */
QAction* addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(QMenu* menu, const QString& title,
                                                                      const QByteArray& action,
                                                                      const QString& keyEquivalent, int tag,
                                                                      QObject* target, int indentationLevel);
/*! Adds the item under the title, with as many blanks appended as make it unique in the menu. */
QAction* addItemWithUniqueTitleActionKeyEquivalent(QMenu* menu, const QString& title,
                                                   const QByteArray& action, const QString& keyEquivalent);

/*! For each action name: removes (and deletes) the first item with that target and action; a name
    without such an item is logged. A null target matches any target. */
void removeItemsWithTargetActions(QMenu* menu, const QObject* target, const QList<QByteArray>& actions);
void removeItemsWithActions(QMenu* menu, const QList<QByteArray>& actions);

/*! Depth first: a submenu is searched before the item that holds it. */
QAction* itemWithActionDeep(const QMenu* menu, const QByteArray& action);

} // namespace ZRMenu

/*! Pop-up buttons are QComboBoxes; an item's represented object is its Qt::UserRole data, its tag the
    TagRole data. */
namespace ZRPopUpButton {

inline constexpr int RepresentedObjectRole = Qt::UserRole;
inline constexpr int TagRole = Qt::UserRole + 1;

/*! The index of the last item, or -1 for an empty pop-up. */
int lastItem(const QComboBox* popUp);
int itemTag(const QComboBox* popUp, int index);
void setItemTag(QComboBox* popUp, int index, int tag);
QVariant itemRepresentedObject(const QComboBox* popUp, int index);
void setItemRepresentedObject(QComboBox* popUp, int index, const QVariant& object);

/*! Selects the item whose represented object equals the object; no selection when none does. */
void selectItemRepresentingObject(QComboBox* popUp, const QVariant& object);
/*! Selects the item with the tag; false (and no selection) when none has it. */
bool selectItemWithTag(QComboBox* popUp, int tag);
/*! The selected item's tag, or -1 without a selection. */
int selectedTag(const QComboBox* popUp);

} // namespace ZRPopUpButton
