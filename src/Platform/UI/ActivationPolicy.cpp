#include "Platform/UI/ActivationPolicy.h"

#include "Platform/MainThread.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace Platform::Application {

namespace {

struct State {
    ActivationPolicy policy = ActivationPolicy::Regular;
    int changes = 0;
};

State& state() {
    static State value;
    return value;
}

bool isApplicationWindow(const QWidget* widget) {
    const Qt::WindowType type = widget->windowType();
    return widget->isWindow() && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool);
}

void apply(QWidget* window) {
    const bool tool = state().policy == ActivationPolicy::Accessory;
    if (window->windowFlags().testFlag(Qt::Tool) == tool)
        return;
    const bool visible = window->isVisible();
    // A dialog keeps its own type; only plain windows switch between normal and tool windows.
    if (window->windowType() == Qt::Dialog)
        return;
    window->setWindowFlag(Qt::Tool, tool);
    if (visible)
        window->show();
}

// Sets the flag before a window first appears, when changing it costs nothing.
class PolishFilter final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (isApplicationWindow(widget) && !widget->isVisible())
                apply(widget);
        }
        return false;
    }
};

} // namespace

ActivationPolicy activationPolicy() {
    return state().policy;
}

void setActivationPolicy(ActivationPolicy policy) {
    assertMainThread();
    ++state().changes;
    state().policy = policy;
    static PolishFilter* filter = nullptr;
    if (!filter && qApp) {
        filter = new PolishFilter(qApp);
        qApp->installEventFilter(filter);
    }
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (isApplicationWindow(widget))
            apply(widget);
}

int activationPolicyChangeCount() {
    return state().changes;
}

} // namespace Platform::Application
