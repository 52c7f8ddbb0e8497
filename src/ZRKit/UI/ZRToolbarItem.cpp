#include "ZRKit/UI/ZRToolbarItem.h"

#include "Platform/MainThread.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRToolbar.h"
#include "ZRKit/UI/ZRView.h"

#include <QAbstractButton>
#include <QPointer>
#include <QTabBar>
#include <QToolBar>

#include <algorithm>

ZRToolbarItem::ZRToolbarItem(const QString& identifier, QObject* parent)
    : QWidgetAction(parent) {
    setObjectName(identifier);
}

QToolBar* ZRToolbarItem::toolbar() const {
    for (QObject* object : associatedObjects()) {
        if (auto* bar = qobject_cast<QToolBar*>(object))
            return bar;
    }
    return nullptr;
}

void ZRToolbarItem::setView(QWidget* view) {
    Platform::assertMainThread();
    // A tool bar holds on to the widget it shows; the item leaves every tool bar while its view changes
    // and comes back at the same place.
    struct Place {
        QPointer<QToolBar> toolbar;
        QPointer<QAction> before;
    };
    QList<Place> places;
    for (QObject* object : associatedObjects()) {
        if (auto* bar = qobject_cast<QToolBar*>(object)) {
            const QList<QAction*> actions = bar->actions();
            const qsizetype index = actions.indexOf(this);
            places.append({bar, index + 1 < actions.size() ? actions[index + 1] : nullptr});
        }
    }
    for (const Place& place : places)
        place.toolbar->removeAction(this);
    setDefaultWidget(view);
    for (const Place& place : places) {
        if (place.toolbar)
            place.toolbar->insertAction(place.before, this);
    }
}

QObject* ZRToolbarItem::targetFor(const QObject* control) const {
    if (QObject* target = ZRTargetAction::target(control))
        return target;
    QObject* delegate = ZRToolbar::delegate(toolbar());
    if (delegate && ZRTargetAction::respondsToSelector(delegate, ZRTargetAction::action(control), control))
        return delegate;
    return nullptr;
}

template <typename Control> Control* ZRToolbarItem::controlAndTarget(QObject** target) const {
    QWidget* itemView = view();
    auto* control = qobject_cast<Control*>(itemView);
    if (!control && itemView)
        control = ZRView::firstSubviewThatIsKindOfClass<Control>(itemView);
    if (control && target)
        *target = targetFor(control);
    return control;
}

QAbstractButton* ZRToolbarItem::getButtonAndTarget(QObject** target) const {
    return controlAndTarget<QAbstractButton>(target);
}

QTabBar* ZRToolbarItem::getSegmentedControlAndTarget(QObject** target) const {
    return controlAndTarget<QTabBar>(target);
}

void ZRToolbarItem::validate() {
    Platform::assertMainThread();
    QObject* delegate = ZRToolbar::delegate(toolbar());
    if (const std::optional<bool> enabled =
            ZRTargetAction::invokeBoolMethod(delegate, "validateZRToolbarItem", this))
        setEnabled(*enabled);
}

QAction* ZRToolbarItem::menuFormRepresentation() const {
    auto* item = new QAction(icon(), text());
    QObject* target = nullptr;
    if (QAbstractButton* button = getButtonAndTarget(&target)) {
        ZRTargetAction::setTarget(item, target);
        ZRTargetAction::setAction(item, ZRTargetAction::action(button));
    }
    return item;
}

void ZRToolbarItem::setToolbarBorderedExceptForButtonClasses(const QList<const QMetaObject*>& classes) {
    Platform::assertMainThread();
    QObject* target = nullptr;
    QAbstractButton* button = getButtonAndTarget(&target);
    if (!button || ZRTargetAction::action(button).isEmpty())
        return;
    const bool excepted =
        std::any_of(classes.begin(), classes.end(), [button](const QMetaObject* metaObject) {
            return button->metaObject()->inherits(metaObject);
        });
    if (excepted)
        return;
    const QByteArray action = ZRTargetAction::action(button);
    const QIcon image = button->icon();
    setView(nullptr);
    setBordered(true);
    ZRTargetAction::setTarget(this, target);
    ZRTargetAction::setAction(this, action);
    setImage(image);
}
