#pragma once

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QList>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <functional>

/*! A table's content and selection: the rows of a list, the columns read from each row by key path, and
    which rows are selected. Replacing the content clears the selection; with avoidsEmptySelection the
    first row is selected then. selectedObjectsChanged tells of every change of the selected rows. Main
    thread only. */
class ArrayControllerBase : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArrayControllerBase)

public:
    struct Column {
        QString title;
        QString keyPath;
    };

    explicit ArrayControllerBase(QObject* parent = nullptr);

    void setColumns(const QList<Column>& columns);
    const QList<Column>& columns() const { return m_columns; }
    void setAvoidsEmptySelection(bool avoids) { m_avoidsEmptySelection = avoids; }

    QItemSelectionModel* selectionModel() { return &m_selection; }
    /*! The selected rows, ascending. */
    QList<int> selectionIndexes() const;
    /*! Selects exactly these rows (those beyond the content are left out). */
    void setSelectionIndexes(const QList<int>& rows);
    void setSelectionIndex(int row) { setSelectionIndexes(row < 0 ? QList<int>() : QList<int>{row}); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

Q_SIGNALS:
    void selectedObjectsChanged();

protected:
    virtual int count() const = 0;
    virtual QVariant valueAt(int row, const QString& keyPath) const = 0;
    /*! Replaces the rows through the function, between a model reset, and settles the selection. */
    void replaceContent(const std::function<void()>& replace);

private:
    QList<Column> m_columns;
    QItemSelectionModel m_selection;
    bool m_avoidsEmptySelection = false;
    bool m_replacing = false;
};

template <class T> class ArrayController final : public ArrayControllerBase {
public:
    /*! What a column shows of a row. */
    using ValueFunction = std::function<QVariant(const T& object, const QString& keyPath)>;

    explicit ArrayController(ValueFunction value, QObject* parent = nullptr)
        : ArrayControllerBase(parent)
        , m_value(std::move(value)) {}

    const QList<T>& arrangedObjects() const { return m_content; }
    void setContent(const QList<T>& content) {
        replaceContent([&] { m_content = content; });
    }
    QList<T> selectedObjects() const {
        QList<T> selected;
        for (int row : selectionIndexes())
            selected.append(m_content.at(row));
        return selected;
    }

protected:
    int count() const override { return int(m_content.size()); }
    QVariant valueAt(int row, const QString& keyPath) const override {
        return m_value ? m_value(m_content.at(row), keyPath) : QVariant();
    }

private:
    ValueFunction m_value;
    QList<T> m_content;
};
