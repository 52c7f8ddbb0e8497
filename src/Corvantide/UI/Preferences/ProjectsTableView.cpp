#include "Preferences/ProjectsTableView.h"

#include "Platform/MainThread.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMenu>

ProjectsTableView::ProjectsTableView(QWidget* parent)
    : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

QMenu* ProjectsTableView::menuForPosition(const QPoint& viewportPosition) {
    Platform::assertMainThread();
    const int row = rowAt(viewportPosition.y());
    if (row >= 0 && selectionModel() && model()) {
        const QModelIndex index = model()->index(row, 0);
        if (!selectionModel()->isRowSelected(row, QModelIndex()))
            selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    return m_contextMenu;
}

void ProjectsTableView::contextMenuEvent(QContextMenuEvent* event) {
    // Events of the viewport arrive here with viewport coordinates.
    if (QMenu* menu = menuForPosition(event->pos())) {
        menu->exec(event->globalPos());
        event->accept();
        return;
    }
    QTableView::contextMenuEvent(event);
}
