#pragma once

#include <QByteArray>
#include <QIcon>

class QObject;
class QWidget;
class ZRProgressIndicator;
class ZRToolbarItem;

/*! Swapping a tool bar control for a spinning progress indicator and back. */
namespace ZRViewController {

/*! The tag of a tool bar button hidden behind a progress indicator; validation disables it. */
inline constexpr int ToolbarProgressTag = 7007;

/*! The view when it is a button, else its first button: hidden (keeping its place) behind a started
    indicator centred on it, its tag set to ToolbarProgressTag. nullptr when there is no button. */
ZRProgressIndicator* showProgressOnToolbarView(QWidget* view);
/*! Removes the indicator next to the view's button and shows the button again with tag 0. */
void removeProgressFromToolbarView(QWidget* view);

/*! For a bordered item: a started indicator becomes the item's view; nullptr otherwise. */
ZRProgressIndicator* showProgressOnToolbarItem(ZRToolbarItem* item);
/*! When the item's view is an indicator: removes it and makes the item a bordered one with the image,
    target and action. */
void removeProgressFromToolbarItemImageTargetAction(ZRToolbarItem* item, const QIcon& image, QObject* target,
                                                    const QByteArray& action);

} // namespace ZRViewController
