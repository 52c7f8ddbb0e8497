#include "ZRKit/UI/ZRValidator.h"

#include "Platform/MainThread.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRToolbarItem.h"
#include "ZRKit/UI/ZRViewController.h"

#include <QAbstractButton>
#include <QAction>
#include <QTabBar>

bool ZRAbstractValidator::validateAbstractItemWithSelectorWithTargetValidationSelectorPrefix(
    QObject* item, const QByteArray& selector, QObject* target, const QByteArray& prefix) {
    Platform::assertMainThread();
    return ZRTargetAction::invokeBoolMethod(target, validationSelector(prefix, selector), item)
        .value_or(true);
}

QByteArray ZRAbstractValidator::validationSelector(const QByteArray& prefix, const QByteArray& selector) {
    QByteArray name = selector;
    if (!name.isEmpty())
        name[0] =
            static_cast<char>(QChar::toUpper(static_cast<char32_t>(static_cast<unsigned char>(name[0]))));
    return prefix + name;
}

bool ZRMenuItemValidator::validateMenuItemWithTarget(QAction* item, QObject* target) {
    return validateAbstractItemWithSelectorWithTargetValidationSelectorPrefix(
        item, ZRTargetAction::action(item), target, "validate");
}

bool ZRToolbarItemValidator::validateToolbarItem(ZRToolbarItem* item) {
    QObject* target = nullptr;
    QWidget* control = nullptr;
    bool enabled = true;
    if (QAbstractButton* button = item->getButtonAndTarget(&target)) {
        control = button;
        enabled = ZRTargetAction::tag(button) != ZRViewController::ToolbarProgressTag &&
                  validateAbstractItemWithSelectorWithTargetValidationSelectorPrefix(
                      button, ZRTargetAction::action(button), target, "validateToolbarButton");
    } else if (QTabBar* segments = item->getSegmentedControlAndTarget(&target)) {
        control = segments;
        enabled = validateAbstractItemWithSelectorWithTargetValidationSelectorPrefix(
            segments, ZRTargetAction::action(segments), target, "validateToolbarSegmentedControl");
    } else {
        if (!item->isBordered())
            return true;
        enabled = validateAbstractItemWithSelectorWithTargetValidationSelectorPrefix(
            item, ZRTargetAction::action(item), ZRTargetAction::target(item), "validateToolbarButton");
        item->setEnabled(enabled);
        return enabled;
    }
    control->setEnabled(enabled);
    item->setEnabled(enabled);
    return enabled;
}
