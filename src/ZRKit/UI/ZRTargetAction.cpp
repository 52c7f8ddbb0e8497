#include "ZRKit/UI/ZRTargetAction.h"

#include "Platform/MainThread.h"
#include "ZRKit/UI/ZRItemAttributes.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMetaMethod>
#include <QPointer>

namespace ZRTargetAction {

namespace {

/*! A public slot or invokable method of the name that can take the argument, or none; a method with one
    parameter is preferred to one without. */
std::optional<QMetaMethod> findMethod(const QObject* object, const QByteArray& name,
                                      const QObject* argument) {
    if (!object || name.isEmpty())
        return std::nullopt;
    std::optional<QMetaMethod> withoutParameter;
    const QMetaObject* metaObject = object->metaObject();
    for (int i = 0; i < metaObject->methodCount(); ++i) {
        const QMetaMethod method = metaObject->method(i);
        if (method.name() != name || method.access() != QMetaMethod::Public ||
            (method.methodType() != QMetaMethod::Slot && method.methodType() != QMetaMethod::Method))
            continue;
        if (method.parameterCount() == 0) {
            withoutParameter = method;
        } else if (method.parameterCount() == 1) {
            const QMetaType type = method.parameterMetaType(0);
            const QMetaObject* parameterClass = type.metaObject();
            if ((type.flags() & QMetaType::PointerToQObject) && parameterClass &&
                (!argument || argument->metaObject()->inherits(parameterClass)))
                return method;
        }
    }
    return withoutParameter;
}

bool invoke(const QMetaMethod& method, QObject* object, QObject* argument, QGenericReturnArgument result) {
    if (method.parameterCount() == 0)
        return method.invoke(object, Qt::DirectConnection, result);
    return method.invoke(object, Qt::DirectConnection, result,
                         QGenericArgument(method.parameterTypeName(0), &argument));
}

void connectItem(QObject* item) {
    ZRItemAttributes& attributes = ZRItemAttributes::of(item);
    if (attributes.actionConnected)
        return;
    attributes.actionConnected = true;
    if (auto* action = qobject_cast<QAction*>(item))
        QObject::connect(action, &QAction::triggered, action, [action] { sendAction(action); });
    else if (auto* button = qobject_cast<QAbstractButton*>(item))
        QObject::connect(button, &QAbstractButton::clicked, button, [button] { sendAction(button); });
    else if (auto* popUp = qobject_cast<QComboBox*>(item))
        QObject::connect(popUp, &QComboBox::activated, popUp, [popUp] { sendAction(popUp); });
}

} // namespace

int tag(const QObject* item) {
    const ZRItemAttributes* attributes = ZRItemAttributes::find(item);
    return attributes ? attributes->tag : 0;
}

void setTag(QObject* item, int tag) {
    Platform::assertMainThread();
    ZRItemAttributes::of(item).tag = tag;
}

QObject* target(const QObject* item) {
    const ZRItemAttributes* attributes = ZRItemAttributes::find(item);
    return attributes ? attributes->target.data() : nullptr;
}

void setTarget(QObject* item, QObject* target) {
    Platform::assertMainThread();
    ZRItemAttributes::of(item).target = target;
}

QByteArray action(const QObject* item) {
    const ZRItemAttributes* attributes = ZRItemAttributes::find(item);
    return attributes ? attributes->action : QByteArray();
}

void setAction(QObject* item, const QByteArray& action) {
    Platform::assertMainThread();
    ZRItemAttributes::of(item).action = action;
    if (!action.isEmpty())
        connectItem(item);
}

bool respondsToSelector(const QObject* object, const QByteArray& selector, const QObject* argument) {
    return findMethod(object, selector, argument).has_value();
}

bool sendAction(QObject* item) {
    Platform::assertMainThread();
    QObject* receiver = target(item);
    const std::optional<QMetaMethod> method = findMethod(receiver, action(item), item);
    return method && invoke(*method, receiver, item, QGenericReturnArgument());
}

std::optional<bool> invokeBoolMethod(QObject* object, const QByteArray& selector, QObject* argument) {
    Platform::assertMainThread();
    const std::optional<QMetaMethod> method = findMethod(object, selector, argument);
    if (!method || method->returnMetaType() != QMetaType::fromType<bool>())
        return std::nullopt;
    bool answer = false;
    if (!invoke(*method, object, argument, Q_RETURN_ARG(bool, answer)))
        return std::nullopt;
    return answer;
}

void validateMenuItems(QMenu* menu) {
    Platform::assertMainThread();
    for (QAction* item : menu->actions()) {
        const QByteArray name = action(item);
        if (name.isEmpty())
            continue;
        QObject* receiver = target(item);
        bool enabled = respondsToSelector(receiver, name, item);
        if (enabled)
            enabled = invokeBoolMethod(receiver, "validateMenuItem", item).value_or(true);
        item->setEnabled(enabled);
    }
}

void setAutoenablesItems(QMenu* menu) {
    Platform::assertMainThread();
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { validateMenuItems(menu); });
}

} // namespace ZRTargetAction
