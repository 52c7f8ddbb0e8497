#pragma once

#include "Model/IssueFilter.h"

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QList>

#include <memory>

/*! The filter table's content and selection: a list of shared issue filters shown by name (editable),
    and which of them are selected. Replacing the content keeps the selected filters that remain and
    selects the first filter when none would be. selectedObjectsChanged tells of every change of the
    selected filters. Main thread only. */
class IssueFilterArrayController : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IssueFilterArrayController)

public:
    using IssueFilterList = QList<std::shared_ptr<IssueFilter>>;

    explicit IssueFilterArrayController(QObject* parent = nullptr);

    const IssueFilterList& content() const { return m_content; }
    void setContent(const IssueFilterList& content);

    QItemSelectionModel* selectionModel() { return &m_selection; }
    /*! The selected filters in table order. */
    IssueFilterList selectedObjects() const;
    void setSelectionIndexes(const QList<int>& rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    void selectedObjectsChanged();

private:
    void selectionChanged();
    QStringList selectedIdentifiers() const;

    IssueFilterList m_content;
    QItemSelectionModel m_selection;
    QStringList m_lastSelection;
    QList<QMetaObject::Connection> m_nameObservations;
    bool m_replacing = false;
};
