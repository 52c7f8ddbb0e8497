#include "Preferences/IssueFilterArrayController.h"

#include "Platform/MainThread.h"

IssueFilterArrayController::IssueFilterArrayController(QObject* parent)
    : QAbstractTableModel(parent)
    , m_selection(this) {
    connect(&m_selection, &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_replacing)
            selectionChanged();
    });
}

void IssueFilterArrayController::setContent(const IssueFilterList& content) {
    Platform::assertMainThread();
    const QStringList kept = selectedIdentifiers();
    m_replacing = true;
    beginResetModel();
    for (const QMetaObject::Connection& observation : std::as_const(m_nameObservations))
        disconnect(observation);
    m_nameObservations.clear();
    m_content = content;
    for (const std::shared_ptr<IssueFilter>& filter : std::as_const(m_content)) {
        IssueFilter* observed = filter.get();
        m_nameObservations.append(connect(observed, &IssueFilter::nameChanged, this, [this, observed] {
            for (int row = 0; row < m_content.size(); ++row) {
                if (m_content.at(row).get() == observed)
                    Q_EMIT dataChanged(index(row, 0), index(row, 0));
            }
        }));
    }
    endResetModel();

    QList<int> rows;
    for (int row = 0; row < m_content.size(); ++row) {
        if (kept.contains(m_content.at(row)->identifier()))
            rows.append(row);
    }
    if (rows.isEmpty() && !m_content.isEmpty())
        rows.append(0);
    setSelectionIndexes(rows);
    m_replacing = false;
    selectionChanged();
}

IssueFilterArrayController::IssueFilterList IssueFilterArrayController::selectedObjects() const {
    IssueFilterList selected;
    for (int row = 0; row < m_content.size(); ++row) {
        if (m_selection.isRowSelected(row, QModelIndex()))
            selected.append(m_content.at(row));
    }
    return selected;
}

QStringList IssueFilterArrayController::selectedIdentifiers() const {
    QStringList identifiers;
    for (const std::shared_ptr<IssueFilter>& filter : selectedObjects())
        identifiers.append(filter->identifier());
    return identifiers;
}

void IssueFilterArrayController::setSelectionIndexes(const QList<int>& rows) {
    QItemSelection selection;
    for (int row : rows) {
        if (row >= 0 && row < m_content.size())
            selection.select(index(row, 0), index(row, columnCount() - 1));
    }
    m_selection.select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty() && rows.first() >= 0 && rows.first() < m_content.size())
        m_selection.setCurrentIndex(index(rows.first(), 0), QItemSelectionModel::NoUpdate);
}

void IssueFilterArrayController::selectionChanged() {
    const QStringList now = selectedIdentifiers();
    if (now == m_lastSelection)
        return;
    m_lastSelection = now;
    Q_EMIT selectedObjectsChanged();
}

int IssueFilterArrayController::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_content.size());
}

int IssueFilterArrayController::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant IssueFilterArrayController::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_content.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_content.at(index.row())->name();
    return {};
}

bool IssueFilterArrayController::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= m_content.size() || role != Qt::EditRole)
        return false;
    const QString name = value.toString().trimmed();
    // A filter keeps a name: the menu's section needs a title.
    if (name.isEmpty())
        return false;
    m_content.at(index.row())->setName(name);
    return true;
}

QVariant IssueFilterArrayController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
        return tr("Project");
    return {};
}

Qt::ItemFlags IssueFilterArrayController::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | (index.isValid() ? Qt::ItemIsEditable : Qt::NoItemFlags);
}
