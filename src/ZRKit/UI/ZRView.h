#pragma once

#include "ZRKit/UI/ZREdgeInsets.h"

#include <QList>
#include <QMetaObject>
#include <QSizeF>

class QWidget;

/*! View-tree helpers. A view's subviews are its direct child widgets that are not windows, in
    stacking order. */
namespace ZRView {

/*! Makes the subview a child of the view that covers it whole, following every resize. */
void fillWithSubview(QWidget* view, QWidget* subview);
/*! The same, keeping the given distances to the edges of the view's contents (inside any frame). When
    the view already has a layout of another kind, the subview follows the view's resizes on its own. A
   subview that cannot become a child (missing, the view itself or one of its ancestors) is only logged. */
void fillWithSubviewWithInsets(QWidget* view, QWidget* subview, const ZREdgeInsets& insets);

/*! The nearest ancestor that is of the class or a subclass of it, or nullptr. */
QWidget* enclosingViewOfClass(const QWidget* view, const QMetaObject& metaObject);
/*! The first subview whose class is exactly the class, or nullptr. */
QWidget* firstSubviewOfClass(const QWidget* view, const QMetaObject& metaObject);
/*! The first subview of the class or a subclass of it, or nullptr. */
QWidget* firstSubviewThatIsKindOfClass(const QWidget* view, const QMetaObject& metaObject);

template <typename T> T* enclosingViewOfClass(const QWidget* view) {
    return static_cast<T*>(enclosingViewOfClass(view, T::staticMetaObject));
}
template <typename T> T* firstSubviewOfClass(const QWidget* view) {
    return static_cast<T*>(firstSubviewOfClass(view, T::staticMetaObject));
}
template <typename T> T* firstSubviewThatIsKindOfClass(const QWidget* view) {
    return static_cast<T*>(firstSubviewThatIsKindOfClass(view, T::staticMetaObject));
}

QList<QWidget*> subviews(const QWidget* view);
/*! Every descendant, depth first: each subview followed by its own descendants. */
QList<QWidget*> allSubviewsDeep(const QWidget* view);

void centerInSuperviewFrame(QWidget* view);
/*! The size of the box around all visible subviews; the zero size without any. */
QSizeF areaOccupiedBySubviews(const QWidget* view);

/*! Takes every subview out of the view and its layout; they are deleted from the event loop. */
void removeAllSubviews(QWidget* view);
/*! The same without asking the view to repaint. */
void removeAllSubviewsWithoutNeedingDisplay(QWidget* view);
/*! Takes the view out of its superview's layout (and stops it following the superview's size); the view
    stays a child where it is. */
void removeConstraintsWithSuperview(QWidget* view);

/*! Of the descendants that take keyboard focus, are not hidden and are of one of the classes: the one
    placed highest in its window (the first found on a tie); nullptr when none. */
QWidget* topmostResponderWithClasses(const QWidget* view, const QList<const QMetaObject*>& classes);

} // namespace ZRView
