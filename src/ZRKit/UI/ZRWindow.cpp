#include "ZRKit/UI/ZRWindow.h"

#include "Platform/Assert.h"
#include "Platform/MainThread.h"

#include <QLayout>
#include <QMainWindow>
#include <QPropertyAnimation>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <cmath>

namespace ZRWindow {

namespace {

const QString ShakeAnimationName = QStringLiteral("zrShakeAnimation");

/*! The size a pane asks for: what it was given, else what it would like. */
QSize paneSize(const QWidget* view) {
    return view->testAttribute(Qt::WA_Resized) ? view->size() : view->sizeHint();
}

} // namespace

void changeContentViewToViewDisplayAnimate(QMainWindow* window, QWidget* view, bool display, bool animate) {
    Platform::assertMainThread();
    Platform::parameterAssert(window != nullptr && view != nullptr, "window && view");
    QWidget* old = window->centralWidget();
    if (old == view)
        return;
    if (QLayout* layout = window->layout())
        layout->activate();

    const QRect frame = window->geometry();
    const QSize newSize = paneSize(view);
    const int barsHeight = old ? frame.height() - old->height() : static_cast<int>(toolbarHeight(window));
    const int oldWidth = old ? old->width() : frame.width();
    const int dw = newSize.width() - oldWidth;
    // Rounding the half difference (not the new position) keeps a swap and its reverse exact.
    const int shift = static_cast<int>(std::lround(dw * 0.5f));

    if (old) {
        window->takeCentralWidget();
        old->hide();
        old->setParent(window);
    }
    const QRect target(frame.x() - shift, frame.y(), frame.width() + dw, newSize.height() + barsHeight);
    window->setCentralWidget(view);
    view->show();
    if (animate && window->isVisible()) {
        auto* animation = new QPropertyAnimation(window, "geometry", window);
        animation->setDuration(200);
        animation->setStartValue(frame);
        animation->setEndValue(target);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        window->setGeometry(target);
    }
    if (display)
        window->update();
}

float toolbarHeight(const QMainWindow* window) {
    if (!window || window->findChildren<QToolBar*>().isEmpty())
        return 0;
    if (const QWidget* content = window->centralWidget())
        return static_cast<float>(window->height() - content->height());
    // No content view: the bars above and below the (empty) content area make the difference.
    int top = 0, bottom = window->height();
    if (const QWidget* menu = window->menuWidget(); menu && menu->isVisible())
        top = std::max(top, menu->geometry().bottom() + 1);
    for (const QToolBar* bar : window->findChildren<QToolBar*>()) {
        if (!bar->isVisible() || bar->parentWidget() != window || bar->isFloating())
            continue;
        const Qt::ToolBarArea area = window->toolBarArea(bar);
        if (area == Qt::TopToolBarArea)
            top = std::max(top, bar->geometry().bottom() + 1);
        else if (area == Qt::BottomToolBarArea)
            bottom = std::min(bottom, bar->geometry().top());
    }
    if (const QWidget* status = window->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
        status && status->isVisible())
        bottom = std::min(bottom, status->geometry().top());
    return static_cast<float>(top + window->height() - bottom);
}

void shakeWindow(QWidget* window) {
    Platform::assertMainThread();
    if (!window)
        return;
    QPoint origin = window->pos();
    // A shake that is still running moves the window away from where it stands: the new one starts over
    // from the same place, so the window always comes to rest where it was.
    if (auto* running =
            window->findChild<QPropertyAnimation*>(ShakeAnimationName, Qt::FindDirectChildrenOnly)) {
        origin = running->keyValueAt(0).toPoint();
        running->stop();
        delete running;
    }
    const int distance = static_cast<int>(std::lround(window->width() * 0.0125f));
    auto* animation = new QPropertyAnimation(window, "pos", window);
    animation->setObjectName(ShakeAnimationName);
    animation->setDuration(250);
    const int offsets[] = {0, -distance, distance, -distance, distance, 0};
    for (int i = 0; i < 6; ++i)
        animation->setKeyValueAt(i / 5.0, origin + QPoint(offsets[i], 0));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace ZRWindow
