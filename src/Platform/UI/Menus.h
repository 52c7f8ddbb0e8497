#pragma once

#include <QString>

class QAction;
class QComboBox;
class QMenu;

namespace Platform::Menus {

/*! Outside text (an issue summary, a project, filter, site or account name) as a row of a menu shows it
    unchanged: an "&" is no mnemonic, a tab opens no shortcut column, a line break makes no second line.
    For a menu drawn by Qt: "&" doubled, tabs and line breaks (every control character) a blank. */
QString menuItemText(const QString& text);

/*! The same for a menu that Qt exports over D-Bus (com.canonical.dbusmenu) for a panel to draw: "_" is
    the mnemonic there and is doubled, and because Qt turns the first "&" of a row into "_" on export, a
    row holding an "&" starts with an invisible mnemonic (a zero-width space) that takes that turn. */
QString exportedMenuItemText(const QString& text);

/*! The text for a row of this menu: exported or drawn by Qt. */
QString itemText(const QMenu* menu, const QString& text);

/*! A new row of the menu titled with outside text, appended. */
QAction* addItem(QMenu* menu, const QString& text);

/*! Outside text as an item of a pop-up button (a combo box draws no mnemonics): line breaks a blank. */
QString popUpItemText(const QString& text);

/*! The pop-up button is as wide as its longest item, and so is its list. */
void fitPopUpToItems(QComboBox* popUp);

/*! A menu taller than the screen scrolls (arrows at its ends, the keyboard moves through every row)
    instead of laying its rows out in columns that run off the screen. */
void makeScrollable(QMenu* menu);

} // namespace Platform::Menus
