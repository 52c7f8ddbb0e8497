#include "ZRKit/UI/ZRViewController.h"

#include "Platform/MainThread.h"
#include "ZRKit/UI/ZRProgressIndicator.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRToolbarItem.h"
#include "ZRKit/UI/ZRView.h"

#include <QAbstractButton>

namespace ZRViewController {

ZRProgressIndicator* showProgressOnToolbarView(QWidget* view) {
    Platform::assertMainThread();
    auto* button = qobject_cast<QAbstractButton*>(view);
    if (!button && view)
        button = ZRView::firstSubviewThatIsKindOfClass<QAbstractButton>(view);
    if (!button || !button->parentWidget())
        return nullptr;
    auto* indicator = new ZRProgressIndicator(button->parentWidget());
    const QRect frame = button->geometry();
    indicator->move(frame.x() + (frame.width() - indicator->width()) / 2,
                    frame.y() + (frame.height() - indicator->height()) / 2);
    indicator->show();
    indicator->raise();
    indicator->startAnimation();
    // The button keeps its place in a layout while the indicator stands in for it.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    button->hide();
    ZRTargetAction::setTag(button, ToolbarProgressTag);
    return indicator;
}

void removeProgressFromToolbarView(QWidget* view) {
    Platform::assertMainThread();
    auto* button = qobject_cast<QAbstractButton*>(view);
    ZRProgressIndicator* indicator = nullptr;
    if (button) {
        indicator = ZRView::firstSubviewOfClass<ZRProgressIndicator>(button->parentWidget());
    } else if (view) {
        button = ZRView::firstSubviewThatIsKindOfClass<QAbstractButton>(view);
        indicator = ZRView::firstSubviewOfClass<ZRProgressIndicator>(view);
    }
    if (indicator) {
        indicator->stopAnimation();
        indicator->setParent(nullptr);
        indicator->deleteLater();
    }
    if (button) {
        button->show();
        ZRTargetAction::setTag(button, 0);
    }
}

ZRProgressIndicator* showProgressOnToolbarItem(ZRToolbarItem* item) {
    Platform::assertMainThread();
    if (!item || !item->isBordered())
        return nullptr;
    auto* indicator = new ZRProgressIndicator;
    indicator->startAnimation();
    item->setView(indicator);
    return indicator;
}

void removeProgressFromToolbarItemImageTargetAction(ZRToolbarItem* item, const QIcon& image, QObject* target,
                                                    const QByteArray& action) {
    Platform::assertMainThread();
    if (!item || !qobject_cast<ZRProgressIndicator*>(item->view()))
        return;
    item->setView(nullptr);
    item->setImage(image);
    item->setBordered(true);
    ZRTargetAction::setTarget(item, target);
    ZRTargetAction::setAction(item, action);
}

} // namespace ZRViewController
