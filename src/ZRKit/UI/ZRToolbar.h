#pragma once

#include <QString>

class QAction;
class QObject;
class QToolBar;

/*! Tool bar helpers. An item's identifier is its action's object name; the tool bar keeps a selected
    item identifier and an optional delegate (the target of last resort for its items' buttons). */
namespace ZRToolbar {

/*! The first item whose identifier is equal, or nullptr. */
QAction* itemWithIdentifier(const QToolBar* toolbar, const QString& identifier);
/*! Selects the first item with the tag (and checks it when it is checkable); false when none has it. */
bool selectItemWithTag(QToolBar* toolbar, int tag);

QString selectedItemIdentifier(const QToolBar* toolbar);
void setSelectedItemIdentifier(QToolBar* toolbar, const QString& identifier);

QObject* delegate(const QToolBar* toolbar);
void setDelegate(QToolBar* toolbar, QObject* delegate);

/*! Validates every kit tool bar item of the tool bar (ZRToolbarItem::validate). */
void validateVisibleItems(QToolBar* toolbar);

} // namespace ZRToolbar
