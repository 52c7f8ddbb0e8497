#pragma once

class QMainWindow;
class QWidget;

/*! Window helpers: swapping a window's content for another pane, the height of its bars, a shake. */
namespace ZRWindow {

/*! Makes the view the window's central widget and resizes the window to it, keeping the window's top edge
    and horizontal centre. The pane that leaves is hidden and stays a child of the window, never deleted,
    so it can be shown again later. The view's size is its own when it was resized, else its size hint. */
void changeContentViewToViewDisplayAnimate(QMainWindow* window, QWidget* view, bool display, bool animate);

/*! 0 without a tool bar; else the window's height minus its content's height (tool bars, menu bar,
    status bar). */
float toolbarHeight(const QMainWindow* window);

/*! A short horizontal shake of the window, as after a wrong entry. */
void shakeWindow(QWidget* window);

} // namespace ZRWindow
