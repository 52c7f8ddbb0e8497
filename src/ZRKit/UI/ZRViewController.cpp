#include "ZRKit/UI/ZRViewController.h"

#include "Platform/MainThread.h"
#include "ZRKit/UI/ZRProgressIndicator.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRToolbarItem.h"
#include "ZRKit/UI/ZRValidator.h"
#include "ZRKit/UI/ZRView.h"

#include <QAbstractButton>
#include <QEvent>
#include <QPointer>
#include <QToolBar>

namespace ZRViewController {

namespace {

/*! Keeps an indicator centred on its button when a layout moves or resizes the button (the button is
    hidden, so its own move and resize events wait until it shows: the parent's are watched as well). */
class CentringFollower final : public QObject {
public:
    CentringFollower(ZRProgressIndicator* indicator, QAbstractButton* button)
        : QObject(indicator)
        , m_indicator(indicator)
        , m_button(button) {
        button->installEventFilter(this);
        if (QWidget* parent = button->parentWidget())
            parent->installEventFilter(this);
        centre();
    }

    void centre() {
        if (!m_button)
            return;
        const QRect frame = m_button->geometry();
        m_indicator->move(frame.x() + (frame.width() - m_indicator->width()) / 2,
                          frame.y() + (frame.height() - m_indicator->height()) / 2);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::LayoutRequest:
        case QEvent::Show:
            // After the layout has placed the button.
            QMetaObject::invokeMethod(
                this, [this] { centre(); }, Qt::QueuedConnection);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    ZRProgressIndicator* m_indicator;
    QPointer<QAbstractButton> m_button;
};

/*! The kit tool bar item that shows the button, when a tool bar shows it. */
ZRToolbarItem* toolbarItemShowing(QAbstractButton* button) {
    for (QWidget* ancestor = button; ancestor; ancestor = ancestor->parentWidget()) {
        auto* toolbar = qobject_cast<QToolBar*>(ancestor);
        if (!toolbar)
            continue;
        for (QAction* action : toolbar->actions()) {
            auto* item = qobject_cast<ZRToolbarItem*>(action);
            QWidget* itemView = item ? item->view() : nullptr;
            if (itemView && (itemView == button || itemView->isAncestorOf(button)))
                return item;
        }
        return nullptr;
    }
    return nullptr;
}

} // namespace

ZRProgressIndicator* showProgressOnToolbarView(QWidget* view) {
    Platform::assertMainThread();
    auto* button = qobject_cast<QAbstractButton*>(view);
    if (!button && view)
        button = ZRView::firstSubviewThatIsKindOfClass<QAbstractButton>(view);
    if (!button || !button->parentWidget())
        return nullptr;
    auto* indicator = new ZRProgressIndicator(button->parentWidget());
    new CentringFollower(indicator, button);
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
        // Validation disabled the button while it stood behind the indicator; it decides again now.
        if (ZRToolbarItem* item = toolbarItemShowing(button))
            ZRToolbarItemValidator::validateToolbarItem(item);
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
