#include "ZRKit/UI/ZRToolbar.h"

#include "Platform/MainThread.h"
#include "ZRKit/UI/ZRItemAttributes.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRToolbarItem.h"

#include <QAction>
#include <QPointer>
#include <QToolBar>

namespace ZRToolbar {

QAction* itemWithIdentifier(const QToolBar* toolbar, const QString& identifier) {
    for (QAction* item : toolbar->actions()) {
        if (item->objectName() == identifier)
            return item;
    }
    return nullptr;
}

bool selectItemWithTag(QToolBar* toolbar, int tag) {
    Platform::assertMainThread();
    for (QAction* item : toolbar->actions()) {
        if (ZRTargetAction::tag(item) == tag) {
            setSelectedItemIdentifier(toolbar, item->objectName());
            if (item->isCheckable())
                item->setChecked(true);
            return true;
        }
    }
    return false;
}

QString selectedItemIdentifier(const QToolBar* toolbar) {
    const ZRItemAttributes* attributes = ZRItemAttributes::find(toolbar);
    return attributes ? attributes->selectedItemIdentifier : QString();
}

void setSelectedItemIdentifier(QToolBar* toolbar, const QString& identifier) {
    Platform::assertMainThread();
    ZRItemAttributes::of(toolbar).selectedItemIdentifier = identifier;
}

QObject* delegate(const QToolBar* toolbar) {
    const ZRItemAttributes* attributes = ZRItemAttributes::find(toolbar);
    return attributes ? attributes->delegate.data() : nullptr;
}

void setDelegate(QToolBar* toolbar, QObject* delegate) {
    Platform::assertMainThread();
    ZRItemAttributes::of(toolbar).delegate = delegate;
}

void validateVisibleItems(QToolBar* toolbar) {
    Platform::assertMainThread();
    for (QAction* action : toolbar->actions()) {
        if (auto* item = qobject_cast<ZRToolbarItem*>(action))
            item->validate();
    }
}

} // namespace ZRToolbar
