#include "ArrayController.h"

#include <QDateTime>
#include <QLocale>

ArrayControllerBase::ArrayControllerBase(QObject* parent)
    : QAbstractTableModel(parent)
    , m_selection(this) {
    connect(&m_selection, &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_replacing)
            Q_EMIT selectedObjectsChanged();
    });
}

void ArrayControllerBase::setColumns(const QList<Column>& columns) {
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

QList<int> ArrayControllerBase::selectionIndexes() const {
    QList<int> rows;
    for (const QModelIndex& index : m_selection.selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ArrayControllerBase::setSelectionIndexes(const QList<int>& rows) {
    QItemSelection selection;
    const int last = std::max(0, int(m_columns.size()) - 1);
    for (int row : rows) {
        if (row >= 0 && row < count())
            selection.select(index(row, 0), index(row, last));
    }
    if (selection == m_selection.selection())
        return;
    m_selection.select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ArrayControllerBase::replaceContent(const std::function<void()>& replace) {
    const bool hadSelection = m_selection.hasSelection();
    m_replacing = true;
    beginResetModel();
    replace();
    endResetModel();
    m_selection.clearSelection();
    if (m_avoidsEmptySelection && count() > 0)
        setSelectionIndex(0);
    m_replacing = false;
    if (hadSelection || m_selection.hasSelection())
        Q_EMIT selectedObjectsChanged();
}

int ArrayControllerBase::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int ArrayControllerBase::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ArrayControllerBase::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || index.column() >= m_columns.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const QVariant value = valueAt(index.row(), m_columns.at(index.column()).keyPath);
    if (value.typeId() == QMetaType::QDateTime)
        return QLocale().toString(value.toDateTime().toLocalTime(), QLocale::ShortFormat);
    return value;
}

QVariant ArrayControllerBase::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_columns.size())
        return m_columns.at(section).title;
    return QAbstractTableModel::headerData(section, orientation, role);
}
