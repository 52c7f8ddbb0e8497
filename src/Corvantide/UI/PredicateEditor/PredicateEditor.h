#pragma once

#include "PredicateEditor/PredicateRowTemplate.h"

#include "Platform/Predicate.h"

#include <QList>
#include <QScrollArea>

#include <memory>
#include <optional>
#include <vector>

class QVBoxLayout;

/*! An editor of a condition as rows: a compound row ("All", "Any" or "None" of the following are true)
    holding comparison rows and further compound rows, each comparison row choosing a key path, an
    operator and a value as its row template allows. Rows are added with a row's "+" button and removed
    with its "−" button.

    A condition that the rows cannot show as it is (a key path, operator, option or value that no
    template offers, or any other kind of predicate) is shown as read-only text and given back unchanged;
    an untouched condition is given back unchanged as well. Main thread only. */
class PredicateEditor : public QScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PredicateEditor)

public:
    explicit PredicateEditor(QWidget* parent = nullptr);
    ~PredicateEditor() override;

    /*! Replaces the templates; the rows are cleared (set the object value afterwards). */
    void setRowTemplates(const QList<PredicateRowTemplate>& templates);
    const QList<PredicateRowTemplate>& rowTemplates() const { return m_templates; }

    /*! Shows the condition; none leaves the editor empty. */
    void setObjectValue(const std::optional<Platform::Predicate>& predicate);
    /*! What the editor holds: the condition as it was given while it is untouched or read-only, else
        what the rows make; none for an empty editor. */
    std::optional<Platform::Predicate> objectValue() const;

    /*! Shows that the condition cannot be read at all (it is kept where it is stored): read-only, and the
        object value is none. */
    void setObjectValueUnreadable();

    /*! True while the condition is shown as text because the rows cannot show it. */
    bool isReadOnly() const { return m_readOnly; }
    /*! What the rows make now; none when there are no rows. */
    std::optional<Platform::Predicate> predicateFromRows() const;

    /*! The rows in display order (each row's widget holds its controls, named "compoundPopup", "keyPopup",
        "operatorPopup", "valueEditor", "addButton" and "removeButton"). */
    QList<QWidget*> rowViews() const;
    /*! A row's depth below the top row (0). */
    int depthOfRow(int row) const;

    /*! The titles the rows show. */
    static QString titleForOperator(Platform::Predicate::Operator op);
    static QString titleForCompoundType(Platform::Predicate::CompoundType type);

Q_SIGNALS:
    /*! The user changed the rows. */
    void objectValueChanged();

private:
    struct Row;

    std::unique_ptr<Row> rowForPredicate(const Platform::Predicate& predicate) const;
    std::unique_ptr<Row> newComparisonRow() const;
    std::unique_ptr<Row> newCompoundRow(Platform::Predicate::CompoundType type) const;
    int compoundTemplateIndex(Platform::Predicate::CompoundType type) const;
    int firstComparisonTemplateIndex() const;
    Platform::Predicate predicateForRow(const Row& row) const;

    void rebuildViews();
    void addRowViews(Row* row, int depth);
    QWidget* viewForCompoundRow(Row* row);
    QWidget* viewForComparisonRow(Row* row);
    QWidget* valueEditorForRow(Row* row);
    void addButtons(QWidget* view, Row* row);
    void addComparisonAfter(Row* row);
    void addCompoundInside(Row* row);
    void removeRow(Row* row);
    void addFirstRows();
    void edited();

    QList<PredicateRowTemplate> m_templates;
    std::unique_ptr<Row> m_root;
    std::optional<Platform::Predicate> m_original;
    bool m_readOnly = false;
    bool m_unreadable = false;
    bool m_edited = false;
    QList<QWidget*> m_rowViews;
    QList<int> m_rowDepths;
    QWidget* m_content = nullptr;
};
