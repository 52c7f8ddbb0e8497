#pragma once

#include <QByteArray>

class QAction;
class QObject;
class ZRToolbarItem;

/*! Routes the validation of an item to a method of the target named after the item's action: for the
    action "openIssue" and the prefix "validate", validateOpenIssue(item), answering bool. */
class ZRAbstractValidator {
public:
    /*! The method's answer; true when the target has no such method. */
    static bool validateAbstractItemWithSelectorWithTargetValidationSelectorPrefix(QObject* item,
                                                                                   const QByteArray& selector,
                                                                                   QObject* target,
                                                                                   const QByteArray& prefix);
    static QByteArray validationSelector(const QByteArray& prefix, const QByteArray& selector);
};

class ZRMenuItemValidator : public ZRAbstractValidator {
public:
    /*! validate<Action>(item) of the target. */
    static bool validateMenuItemWithTarget(QAction* item, QObject* target);
};

class ZRToolbarItemValidator : public ZRAbstractValidator {
public:
    /*! Buttons ask validateToolbarButton<Action>, segmented controls validateToolbarSegmentedControl<Action>
        (a button behind a progress indicator is disabled at once); the control and the item are enabled
        accordingly. A bordered item asks validateToolbarButton<Action> for its own action; an item that
        is neither stays as it is and answers true. */
    static bool validateToolbarItem(ZRToolbarItem* item);
};
