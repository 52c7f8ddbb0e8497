#include "ZRKit/UI/ZRView.h"

#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"

#include <QEvent>
#include <QLayout>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace {

const char* const FollowerName = "zrFillFollower";

QRect insetRect(const QRect& rect, const ZREdgeInsets& insets) {
    // Top and bottom are the visual edges, the same in either vertical direction.
    return QRectF(rect).adjusted(insets.left, insets.top, -insets.right, -insets.bottom).toRect();
}

QSize grownBy(const QSize& size, const ZREdgeInsets& insets) {
    return QSize(size.width() + qRound(insets.left + insets.right),
                 size.height() + qRound(insets.top + insets.bottom));
}

/*! A layout whose every item covers the whole area less its own insets. */
class ZRFillLayout final : public QLayout {
public:
    explicit ZRFillLayout(QWidget* parent)
        : QLayout(parent) {
        setContentsMargins(0, 0, 0, 0);
    }
    ~ZRFillLayout() override {
        while (QLayoutItem* item = takeAt(0))
            delete item;
    }

    void addWidgetWithInsets(QWidget* widget, const ZREdgeInsets& insets) {
        addChildWidget(widget);
        m_items.append(Entry{new QWidgetItem(widget), insets});
        invalidate();
    }

    void addItem(QLayoutItem* item) override { m_items.append(Entry{item, {}}); }
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem* itemAt(int index) const override {
        return index >= 0 && index < m_items.size() ? m_items[index].item : nullptr;
    }
    QLayoutItem* takeAt(int index) override {
        if (index < 0 || index >= m_items.size())
            return nullptr;
        return m_items.takeAt(index).item;
    }
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal | Qt::Vertical; }
    QSize sizeHint() const override {
        QSize size(0, 0);
        for (const Entry& entry : m_items)
            size = size.expandedTo(grownBy(entry.item->sizeHint(), entry.insets));
        return size;
    }
    QSize minimumSize() const override {
        QSize size(0, 0);
        for (const Entry& entry : m_items)
            size = size.expandedTo(grownBy(entry.item->minimumSize(), entry.insets));
        return size;
    }
    void setGeometry(const QRect& rect) override {
        QLayout::setGeometry(rect);
        for (const Entry& entry : m_items)
            entry.item->setGeometry(insetRect(rect, entry.insets));
    }

private:
    struct Entry {
        QLayoutItem* item;
        ZREdgeInsets insets;
    };
    QList<Entry> m_items;
};

/*! Keeps a subview over its superview less the insets where the superview's layout is not ours. */
class ZRFillFollower final : public QObject {
public:
    ZRFillFollower(QWidget* view, QWidget* subview, const ZREdgeInsets& insets)
        : QObject(subview)
        , m_view(view)
        , m_subview(subview)
        , m_insets(insets) {
        setObjectName(QLatin1String(FollowerName));
        view->installEventFilter(this);
        follow();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_view && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
            follow();
        return false;
    }

private:
    void follow() {
        if (m_subview->parentWidget() == m_view)
            m_subview->setGeometry(insetRect(m_view->contentsRect(), m_insets));
    }

    QWidget* m_view;
    QWidget* m_subview;
    ZREdgeInsets m_insets;
};

void removeSubviews(QWidget* view) {
    for (QWidget* subview : ZRView::subviews(view)) {
        ZRView::removeConstraintsWithSuperview(subview);
        subview->setParent(nullptr);
        subview->deleteLater();
    }
}

} // namespace

namespace ZRView {

void fillWithSubview(QWidget* view, QWidget* subview) {
    fillWithSubviewWithInsets(view, subview, {});
}

void fillWithSubviewWithInsets(QWidget* view, QWidget* subview, const ZREdgeInsets& insets) {
    Platform::assertMainThread();
    if (!view || !subview || subview == view || subview->isAncestorOf(view)) {
        Platform::SystemLog::log(
            QStringLiteral("fillWithSubview: not calling fillWithSubview to prevent crash"));
        return;
    }
    removeConstraintsWithSuperview(subview);
    QLayout* layout = view->layout();
    if (!layout)
        layout = new ZRFillLayout(view);
    if (auto* fill = dynamic_cast<ZRFillLayout*>(layout)) {
        fill->addWidgetWithInsets(subview, insets);
    } else {
        subview->setParent(view);
        new ZRFillFollower(view, subview, insets);
    }
    subview->show();
}

QWidget* enclosingViewOfClass(const QWidget* view, const QMetaObject& metaObject) {
    for (QWidget* ancestor = view ? view->parentWidget() : nullptr; ancestor;
         ancestor = ancestor->parentWidget()) {
        if (ancestor->metaObject()->inherits(&metaObject))
            return ancestor;
    }
    return nullptr;
}

QWidget* firstSubviewOfClass(const QWidget* view, const QMetaObject& metaObject) {
    for (QWidget* subview : subviews(view)) {
        if (subview->metaObject() == &metaObject)
            return subview;
    }
    return nullptr;
}

QWidget* firstSubviewThatIsKindOfClass(const QWidget* view, const QMetaObject& metaObject) {
    for (QWidget* subview : subviews(view)) {
        if (subview->metaObject()->inherits(&metaObject))
            return subview;
    }
    return nullptr;
}

QList<QWidget*> subviews(const QWidget* view) {
    QList<QWidget*> result;
    if (!view)
        return result;
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow())
            result.append(widget);
    }
    return result;
}

QList<QWidget*> allSubviewsDeep(const QWidget* view) {
    QList<QWidget*> result;
    for (QWidget* subview : subviews(view)) {
        result.append(subview);
        result.append(allSubviewsDeep(subview));
    }
    return result;
}

void centerInSuperviewFrame(QWidget* view) {
    Platform::assertMainThread();
    const QWidget* superview = view ? view->parentWidget() : nullptr;
    if (!superview)
        return;
    view->move((superview->width() - view->width()) / 2, (superview->height() - view->height()) / 2);
    view->update();
}

QSizeF areaOccupiedBySubviews(const QWidget* view) {
    std::optional<QRect> box;
    for (const QWidget* subview : subviews(view)) {
        if (subview->isHidden())
            continue;
        box = box ? box->united(subview->geometry()) : subview->geometry();
    }
    // The extent is the same whichever way y runs.
    return box ? QSizeF(box->width(), box->height()) : QSizeF(0, 0);
}

void removeAllSubviews(QWidget* view) {
    Platform::assertMainThread();
    removeSubviews(view);
    if (view)
        view->update();
}

void removeAllSubviewsWithoutNeedingDisplay(QWidget* view) {
    Platform::assertMainThread();
    removeSubviews(view);
}

void removeConstraintsWithSuperview(QWidget* view) {
    Platform::assertMainThread();
    if (!view)
        return;
    if (QObject* follower =
            view->findChild<QObject*>(QLatin1String(FollowerName), Qt::FindDirectChildrenOnly))
        delete follower;
    QWidget* superview = view->parentWidget();
    if (superview && superview->layout())
        superview->layout()->removeWidget(view);
}

QWidget* topmostResponderWithClasses(const QWidget* view, const QList<const QMetaObject*>& classes) {
    QWidget* best = nullptr;
    std::optional<int> bestOrigin;
    for (QWidget* candidate : allSubviewsDeep(view)) {
        if (candidate->focusPolicy() == Qt::NoFocus || candidate->isHidden())
            continue;
        const bool matches = std::any_of(classes.begin(), classes.end(), [&](const QMetaObject* metaObject) {
            return candidate->metaObject()->inherits(metaObject);
        });
        if (!matches)
            continue;
        // The bottom-left origin of the candidate in its window: the larger, the higher it sits.
        const QWidget* window = candidate->window();
        const int origin =
            window->height() - (candidate->mapTo(window, QPoint(0, 0)).y() + candidate->height());
        if (!bestOrigin || origin > *bestOrigin) {
            best = candidate;
            bestOrigin = origin;
        }
    }
    return best;
}

} // namespace ZRView
