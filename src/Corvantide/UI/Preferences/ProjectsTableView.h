#pragma once

#include <QPointer>
#include <QTableView>

#include <QMenu>

/*! A table whose context menu acts on the clicked row: a right click on a row that is not selected selects
    it alone first; a right click on a selected row keeps the selection as it is. */
class ProjectsTableView : public QTableView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProjectsTableView)

public:
    explicit ProjectsTableView(QWidget* parent = nullptr);

    /*! The context menu (not owned). */
    QMenu* contextMenu() const { return m_contextMenu; }
    void setContextMenu(QMenu* menu) { m_contextMenu = menu; }

    /*! Selects the row at the position (viewport coordinates) as described, then answers the context
        menu. */
    QMenu* menuForPosition(const QPoint& viewportPosition);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QPointer<QMenu> m_contextMenu;
};
