#include "ZRKit/UI/ZRMenu.h"

#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"
#include "ZRKit/UI/ZRTargetAction.h"

#include <QComboBox>
#include <QMenu>

namespace ZRMenu {

namespace {

bool hasItemWithTitle(const QMenu* menu, const QString& title) {
    const QList<QAction*> items = menu->actions();
    return std::any_of(items.begin(), items.end(),
                       [&](const QAction* item) { return item->text() == title; });
}

} // namespace

QAction* lastItem(const QMenu* menu) {
    const QList<QAction*> items = menu->actions();
    return items.isEmpty() ? nullptr : items.last();
}

QKeySequence keySequenceForKeyEquivalent(const QString& keyEquivalent) {
    if (keyEquivalent.size() != 1)
        return keyEquivalent.isEmpty() ? QKeySequence()
                                       : QKeySequence(QStringLiteral("Ctrl+") + keyEquivalent);
    const QChar key = keyEquivalent.front();
    const QString modifiers = key.isUpper() ? QStringLiteral("Ctrl+Shift+") : QStringLiteral("Ctrl+");
    return QKeySequence(modifiers + key.toUpper());
}

QAction* addItemWithTitleActionKeyEquivalent(QMenu* menu, const QString& title, const QByteArray& action,
                                             const QString& keyEquivalent) {
    Platform::assertMainThread();
    QAction* item = menu->addAction(title);
    item->setShortcut(keySequenceForKeyEquivalent(keyEquivalent));
    if (!action.isEmpty())
        ZRTargetAction::setAction(item, action);
    return item;
}

QAction* addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(QMenu* menu, const QString& title,
                                                                      const QByteArray& action,
                                                                      const QString& keyEquivalent, int tag,
                                                                      QObject* target, int indentationLevel) {
    QAction* item = addItemWithTitleActionKeyEquivalent(menu, title, action, keyEquivalent);
    ZRTargetAction::setTag(item, tag);
    ZRTargetAction::setTarget(item, target);
    item->setProperty("indentationLevel", indentationLevel);
    return item;
}

QAction* addItemWithUniqueTitleActionKeyEquivalent(QMenu* menu, const QString& title,
                                                   const QByteArray& action, const QString& keyEquivalent) {
    QString unique = title;
    while (hasItemWithTitle(menu, unique))
        unique += QLatin1Char(' ');
    return addItemWithTitleActionKeyEquivalent(menu, unique, action, keyEquivalent);
}

void removeItemsWithTargetActions(QMenu* menu, const QObject* target, const QList<QByteArray>& actions) {
    Platform::assertMainThread();
    for (const QByteArray& name : actions) {
        QAction* found = nullptr;
        for (QAction* item : menu->actions()) {
            if (ZRTargetAction::action(item) == name && (!target || ZRTargetAction::target(item) == target)) {
                found = item;
                break;
            }
        }
        if (!found) {
            Platform::SystemLog::log(
                QStringLiteral("could not find menu item with action: %1").arg(QString::fromLatin1(name)));
            continue;
        }
        menu->removeAction(found);
        if (found->parent() == menu)
            delete found;
    }
}

void removeItemsWithActions(QMenu* menu, const QList<QByteArray>& actions) {
    removeItemsWithTargetActions(menu, nullptr, actions);
}

QAction* itemWithActionDeep(const QMenu* menu, const QByteArray& action) {
    for (QAction* item : menu->actions()) {
        if (const QMenu* submenu = item->menu()) {
            if (QAction* found = itemWithActionDeep(submenu, action))
                return found;
        }
        if (ZRTargetAction::action(item) == action)
            return item;
    }
    return nullptr;
}

} // namespace ZRMenu

namespace ZRPopUpButton {

int lastItem(const QComboBox* popUp) {
    return popUp->count() - 1;
}

int itemTag(const QComboBox* popUp, int index) {
    return popUp->itemData(index, TagRole).toInt();
}

void setItemTag(QComboBox* popUp, int index, int tag) {
    Platform::assertMainThread();
    popUp->setItemData(index, tag, TagRole);
}

QVariant itemRepresentedObject(const QComboBox* popUp, int index) {
    return popUp->itemData(index, RepresentedObjectRole);
}

void setItemRepresentedObject(QComboBox* popUp, int index, const QVariant& object) {
    Platform::assertMainThread();
    popUp->setItemData(index, object, RepresentedObjectRole);
}

void selectItemRepresentingObject(QComboBox* popUp, const QVariant& object) {
    Platform::assertMainThread();
    int index = -1;
    for (int i = 0; i < popUp->count() && index < 0; ++i) {
        if (itemRepresentedObject(popUp, i) == object)
            index = i;
    }
    popUp->setCurrentIndex(index);
}

bool selectItemWithTag(QComboBox* popUp, int tag) {
    Platform::assertMainThread();
    for (int i = 0; i < popUp->count(); ++i) {
        if (popUp->itemData(i, TagRole).isValid() && itemTag(popUp, i) == tag) {
            popUp->setCurrentIndex(i);
            return true;
        }
    }
    popUp->setCurrentIndex(-1);
    return false;
}

int selectedTag(const QComboBox* popUp) {
    return popUp->currentIndex() < 0 ? -1 : itemTag(popUp, popUp->currentIndex());
}

} // namespace ZRPopUpButton
