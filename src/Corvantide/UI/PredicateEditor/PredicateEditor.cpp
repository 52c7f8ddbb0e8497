#include "PredicateEditor/PredicateEditor.h"

#include "Platform/MainThread.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

using Platform::Expression;
using Platform::Predicate;

/*! One row: a compound with its rows below it, or a comparison. */
struct PredicateEditor::Row {
    int templateIndex = -1;
    Predicate::CompoundType compoundType = Predicate::CompoundType::And;
    Predicate::Operator op = Predicate::Operator::EqualTo;
    QVariant value;
    Predicate::Options options;
    Row* parent = nullptr;
    std::vector<std::unique_ptr<Row>> children;

    void append(std::unique_ptr<Row> child) {
        child->parent = this;
        children.push_back(std::move(child));
    }
};

namespace {

constexpr int IndentPerLevel = 22;

const QList<Predicate::Operator> AllOperators = {
    Predicate::Operator::LessThan,    Predicate::Operator::LessThanOrEqualTo,
    Predicate::Operator::GreaterThan, Predicate::Operator::GreaterThanOrEqualTo,
    Predicate::Operator::EqualTo,     Predicate::Operator::NotEqualTo,
    Predicate::Operator::BeginsWith,  Predicate::Operator::EndsWith,
    Predicate::Operator::Contains};

} // namespace

PredicateEditor::PredicateEditor(QWidget* parent)
    : QScrollArea(parent) {
    setWidgetResizable(true);
    rebuildViews();
}

PredicateEditor::~PredicateEditor() = default;

QString PredicateEditor::titleForOperator(Predicate::Operator op) {
    switch (op) {
    case Predicate::Operator::LessThan:
        return tr("is less than", "predicate operator");
    case Predicate::Operator::LessThanOrEqualTo:
        return tr("is less than or equal to", "predicate operator");
    case Predicate::Operator::GreaterThan:
        return tr("is greater than", "predicate operator");
    case Predicate::Operator::GreaterThanOrEqualTo:
        return tr("is greater than or equal to", "predicate operator");
    case Predicate::Operator::EqualTo:
        return tr("is", "predicate operator");
    case Predicate::Operator::NotEqualTo:
        return tr("is not", "predicate operator");
    case Predicate::Operator::BeginsWith:
        return tr("begins with", "predicate operator");
    case Predicate::Operator::EndsWith:
        return tr("ends with", "predicate operator");
    case Predicate::Operator::Contains:
        return tr("contains", "predicate operator");
    case Predicate::Operator::Matches:
    case Predicate::Operator::Like:
    case Predicate::Operator::In:
    case Predicate::Operator::Between:
        break; // no row offers these
    }
    return {};
}

QString PredicateEditor::titleForCompoundType(Predicate::CompoundType type) {
    switch (type) {
    case Predicate::CompoundType::And:
        return tr("All", "predicate compound");
    case Predicate::CompoundType::Or:
        return tr("Any", "predicate compound");
    case Predicate::CompoundType::Not:
        return tr("None", "predicate compound");
    }
    return {};
}

void PredicateEditor::setRowTemplates(const QList<PredicateRowTemplate>& templates) {
    Platform::assertMainThread();
    m_templates = templates;
    m_root.reset();
    m_original.reset();
    m_readOnly = false;
    m_unreadable = false;
    m_edited = false;
    rebuildViews();
}

int PredicateEditor::compoundTemplateIndex(Predicate::CompoundType type) const {
    for (int i = 0; i < m_templates.size(); ++i) {
        const PredicateRowTemplate& rowTemplate = m_templates.at(i);
        if (rowTemplate.kind() == PredicateRowTemplate::Kind::Compound &&
            rowTemplate.compoundTypes().contains(type))
            return i;
    }
    return -1;
}

int PredicateEditor::firstComparisonTemplateIndex() const {
    for (int i = 0; i < m_templates.size(); ++i) {
        if (m_templates.at(i).kind() == PredicateRowTemplate::Kind::Comparison)
            return i;
    }
    return -1;
}

std::unique_ptr<PredicateEditor::Row> PredicateEditor::newCompoundRow(Predicate::CompoundType type) const {
    const int index = compoundTemplateIndex(type);
    if (index < 0)
        return nullptr;
    auto row = std::make_unique<Row>();
    row->templateIndex = index;
    row->compoundType = type;
    return row;
}

std::unique_ptr<PredicateEditor::Row> PredicateEditor::newComparisonRow() const {
    const int index = firstComparisonTemplateIndex();
    if (index < 0)
        return nullptr;
    const PredicateRowTemplate& rowTemplate = m_templates.at(index);
    auto row = std::make_unique<Row>();
    row->templateIndex = index;
    row->op = rowTemplate.operators().value(0, Predicate::Operator::EqualTo);
    row->value = rowTemplate.defaultValue();
    row->options = rowTemplate.options();
    return row;
}

std::unique_ptr<PredicateEditor::Row> PredicateEditor::rowForPredicate(const Predicate& predicate) const {
    switch (predicate.kind()) {
    case Predicate::Kind::True:
        // What an empty "All" row stands for, and an empty "Any" row below.
        return newCompoundRow(Predicate::CompoundType::And);
    case Predicate::Kind::False:
        return newCompoundRow(Predicate::CompoundType::Or);
    case Predicate::Kind::Comparison: {
        for (int i = 0; i < m_templates.size(); ++i) {
            const PredicateRowTemplate& rowTemplate = m_templates.at(i);
            if (!rowTemplate.matchesComparison(predicate))
                continue;
            auto row = std::make_unique<Row>();
            row->templateIndex = i;
            row->op = predicate.operatorType();
            row->value = predicate.rightExpression().constantValue();
            row->options = predicate.options();
            return row;
        }
        return nullptr;
    }
    case Predicate::Kind::Compound:
        break;
    default:
        return nullptr;
    }

    const Predicate::CompoundType type = predicate.compoundType();
    QList<Predicate> shown = predicate.subpredicates();
    if (type == Predicate::CompoundType::Not) {
        // "None" rows are written as NOT of the OR of their rows (NOT of the one row when alone); a NOT of
        // several conditions negates their AND, which is a "None" row holding one "All" row.
        if (shown.size() == 1 && shown.first().isCompound() &&
            shown.first().compoundType() == Predicate::CompoundType::Or)
            shown = shown.first().subpredicates();
        else if (shown.size() > 1)
            shown = {Predicate::andPredicate(shown)};
    }
    std::unique_ptr<Row> row = newCompoundRow(type);
    if (!row)
        return nullptr;
    for (const Predicate& sub : shown) {
        std::unique_ptr<Row> child = rowForPredicate(sub);
        if (!child)
            return nullptr;
        row->append(std::move(child));
    }
    return row;
}

void PredicateEditor::setObjectValueUnreadable() {
    Platform::assertMainThread();
    m_original.reset();
    m_edited = false;
    m_readOnly = true;
    m_unreadable = true;
    m_root.reset();
    rebuildViews();
}

void PredicateEditor::setObjectValue(const std::optional<Predicate>& predicate) {
    Platform::assertMainThread();
    m_original = predicate;
    m_edited = false;
    m_readOnly = false;
    m_unreadable = false;
    m_root.reset();
    if (predicate) {
        if (predicate->isCompound() || predicate->kind() == Predicate::Kind::True ||
            predicate->kind() == Predicate::Kind::False) {
            m_root = rowForPredicate(*predicate);
        } else if (std::unique_ptr<Row> comparison = rowForPredicate(*predicate)) {
            // The top row is always a compound one; a lone comparison is "All" of one row.
            m_root = newCompoundRow(Predicate::CompoundType::And);
            if (m_root)
                m_root->append(std::move(comparison));
        }
        m_readOnly = m_root == nullptr;
    }
    rebuildViews();
}

std::optional<Predicate> PredicateEditor::objectValue() const {
    if (m_readOnly || !m_edited)
        return m_original;
    return predicateFromRows();
}

std::optional<Predicate> PredicateEditor::predicateFromRows() const {
    if (m_readOnly || !m_root)
        return std::nullopt;
    return predicateForRow(*m_root);
}

Predicate PredicateEditor::predicateForRow(const Row& row) const {
    const PredicateRowTemplate& rowTemplate = m_templates.at(row.templateIndex);
    if (rowTemplate.kind() == PredicateRowTemplate::Kind::Comparison)
        return Predicate::comparison(Expression::keyPath(rowTemplate.keyPath()), row.op,
                                     Expression::constant(row.value), row.options);
    QList<Predicate> subpredicates;
    for (const std::unique_ptr<Row>& child : row.children)
        subpredicates.append(predicateForRow(*child));
    if (row.compoundType == Predicate::CompoundType::Not)
        return Predicate::notPredicate(subpredicates.size() == 1 ? subpredicates.first()
                                                                 : Predicate::orPredicate(subpredicates));
    return Predicate::compound(row.compoundType, subpredicates);
}

QList<QWidget*> PredicateEditor::rowViews() const {
    return m_rowViews;
}

int PredicateEditor::depthOfRow(int row) const {
    return m_rowDepths.value(row, -1);
}

void PredicateEditor::edited() {
    m_edited = true;
    Q_EMIT objectValueChanged();
}

void PredicateEditor::rebuildViews() {
    // The control that asked for the rebuild may be among the old views: they go on a later turn.
    if (QWidget* old = takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    m_rowViews.clear();
    m_rowDepths.clear();
    m_content = new QWidget();
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);

    if (m_readOnly) {
        auto* note =
            new QLabel(tr("This advanced filter cannot be shown as rows. It is kept as it is:"), m_content);
        note->setObjectName(QStringLiteral("readOnlyNote"));
        note->setWordWrap(true);
        auto* text = new QPlainTextEdit(m_content);
        text->setObjectName(QStringLiteral("readOnlyText"));
        text->setReadOnly(true);
        text->setPlainText(m_original ? m_original->format() : QString());
        layout->addWidget(note);
        layout->addWidget(text, 1);
    } else if (m_root) {
        addRowViews(m_root.get(), 0);
        layout->addStretch(1);
    } else {
        auto* add = new QToolButton(m_content);
        add->setObjectName(QStringLiteral("addFirstRowButton"));
        add->setText(QStringLiteral("+"));
        add->setToolTip(tr("Add a condition"));
        add->setEnabled(compoundTemplateIndex(Predicate::CompoundType::And) >= 0);
        connect(add, &QToolButton::clicked, this, [this] { addFirstRows(); });
        auto* row = new QHBoxLayout();
        row->addWidget(add);
        row->addStretch(1);
        layout->addLayout(row);
        layout->addStretch(1);
    }
    setWidget(m_content);
}

void PredicateEditor::addRowViews(Row* row, int depth) {
    const bool compound = m_templates.at(row->templateIndex).kind() == PredicateRowTemplate::Kind::Compound;
    QWidget* view = compound ? viewForCompoundRow(row) : viewForComparisonRow(row);
    view->layout()->setContentsMargins(depth * IndentPerLevel, 0, 0, 0);
    static_cast<QVBoxLayout*>(m_content->layout())->addWidget(view);
    m_rowViews.append(view);
    m_rowDepths.append(depth);
    for (const std::unique_ptr<Row>& child : row->children)
        addRowViews(child.get(), depth + 1);
}

QWidget* PredicateEditor::viewForCompoundRow(Row* row) {
    auto* view = new QWidget(m_content);
    view->setObjectName(QStringLiteral("compoundRow"));
    auto* layout = new QHBoxLayout(view);
    auto* popUp = new QComboBox(view);
    popUp->setObjectName(QStringLiteral("compoundPopup"));
    const PredicateRowTemplate& rowTemplate = m_templates.at(row->templateIndex);
    for (Predicate::CompoundType type : rowTemplate.compoundTypes())
        popUp->addItem(titleForCompoundType(type), int(type));
    popUp->setCurrentIndex(popUp->findData(int(row->compoundType)));
    connect(popUp, &QComboBox::activated, this, [this, row, popUp](int index) {
        row->compoundType = Predicate::CompoundType(popUp->itemData(index).toInt());
        edited();
    });
    layout->addWidget(popUp);
    layout->addWidget(new QLabel(tr("of the following are true"), view));
    layout->addStretch(1);
    addButtons(view, row);
    return view;
}

QWidget* PredicateEditor::viewForComparisonRow(Row* row) {
    auto* view = new QWidget(m_content);
    view->setObjectName(QStringLiteral("comparisonRow"));
    auto* layout = new QHBoxLayout(view);
    const PredicateRowTemplate& rowTemplate = m_templates.at(row->templateIndex);

    auto* keyPopUp = new QComboBox(view);
    keyPopUp->setObjectName(QStringLiteral("keyPopup"));
    for (int i = 0; i < m_templates.size(); ++i) {
        if (m_templates.at(i).kind() == PredicateRowTemplate::Kind::Comparison)
            keyPopUp->addItem(m_templates.at(i).keyPath(), i);
    }
    keyPopUp->setCurrentIndex(keyPopUp->findData(row->templateIndex));
    connect(keyPopUp, &QComboBox::activated, this, [this, row, keyPopUp](int index) {
        const int templateIndex = keyPopUp->itemData(index).toInt();
        if (templateIndex == row->templateIndex)
            return;
        const PredicateRowTemplate& chosen = m_templates.at(templateIndex);
        row->templateIndex = templateIndex;
        if (!chosen.operators().contains(row->op))
            row->op = chosen.operators().value(0, Predicate::Operator::EqualTo);
        if (!chosen.acceptsValue(row->value))
            row->value = chosen.defaultValue();
        row->options = chosen.options();
        edited();
        rebuildViews();
    });

    auto* operatorPopUp = new QComboBox(view);
    operatorPopUp->setObjectName(QStringLiteral("operatorPopup"));
    for (Predicate::Operator op : rowTemplate.operators())
        operatorPopUp->addItem(titleForOperator(op), int(op));
    operatorPopUp->setCurrentIndex(operatorPopUp->findData(int(row->op)));
    connect(operatorPopUp, &QComboBox::activated, this, [this, row, operatorPopUp](int index) {
        row->op = Predicate::Operator(operatorPopUp->itemData(index).toInt());
        row->options = m_templates.at(row->templateIndex).options();
        edited();
    });

    layout->addWidget(keyPopUp);
    layout->addWidget(operatorPopUp);
    layout->addWidget(valueEditorForRow(row), 1);
    addButtons(view, row);
    return view;
}

QWidget* PredicateEditor::valueEditorForRow(Row* row) {
    const PredicateRowTemplate& rowTemplate = m_templates.at(row->templateIndex);
    const auto changed = [this, row](const QVariant& value) {
        row->value = value;
        row->options = m_templates.at(row->templateIndex).options();
        edited();
    };
    QWidget* editor = nullptr;
    if (!rowTemplate.constantValues().isEmpty()) {
        auto* popUp = new QComboBox();
        for (const QVariant& constant : rowTemplate.constantValues()) {
            const QString title =
                constant.typeId() == QMetaType::Bool
                    ? (constant.toBool() ? tr("true", "predicate value") : tr("false", "predicate value"))
                    : constant.toString();
            popUp->addItem(title, constant);
        }
        for (int i = 0; i < popUp->count(); ++i) {
            if (PredicateRowTemplate::isSameConstant(rowTemplate.constantValues().at(i), row->value))
                popUp->setCurrentIndex(i);
        }
        connect(popUp, &QComboBox::activated, this,
                [changed, popUp](int index) { changed(popUp->itemData(index)); });
        editor = popUp;
    } else if (rowTemplate.attributeType() == PredicateRowTemplate::AttributeType::Date) {
        auto* edit = new QDateTimeEdit();
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        edit->setDateTime(row->value.toDateTime().toLocalTime());
        connect(edit, &QDateTimeEdit::dateTimeChanged, this,
                [changed](const QDateTime& value) { changed(value.toUTC()); });
        editor = edit;
    } else {
        auto* edit = new QLineEdit();
        const QLocale c = QLocale::c();
        switch (rowTemplate.attributeType()) {
        case PredicateRowTemplate::AttributeType::Integer64:
            edit->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\d{0,19}")), edit));
            edit->setText(QString::number(row->value.toLongLong()));
            connect(edit, &QLineEdit::textEdited, this, [changed](const QString& text) {
                bool ok = false;
                const qint64 value = text.toLongLong(&ok);
                changed(ok ? value : qint64(0));
            });
            break;
        case PredicateRowTemplate::AttributeType::Double:
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("-?\\d*(\\.\\d*)?([eE][-+]?\\d{0,3})?")), edit));
            edit->setText(c.toString(row->value.toDouble(), 'g', 17));
            connect(edit, &QLineEdit::textEdited, this, [changed, c](const QString& text) {
                bool ok = false;
                const double value = c.toDouble(text, &ok);
                changed(ok ? value : 0.0);
            });
            break;
        default:
            edit->setText(row->value.toString());
            connect(edit, &QLineEdit::textEdited, this, [changed](const QString& text) { changed(text); });
            break;
        }
        editor = edit;
    }
    editor->setObjectName(QStringLiteral("valueEditor"));
    return editor;
}

void PredicateEditor::addButtons(QWidget* view, Row* row) {
    auto* remove = new QToolButton(view);
    remove->setObjectName(QStringLiteral("removeButton"));
    remove->setText(QStringLiteral("−"));
    remove->setToolTip(tr("Remove this row"));
    // The top row stays: without it there would be nothing to add rows to.
    remove->setEnabled(row != m_root.get());
    connect(remove, &QToolButton::clicked, this, [this, row] { removeRow(row); });

    auto* add = new QToolButton(view);
    add->setObjectName(QStringLiteral("addButton"));
    add->setText(QStringLiteral("+"));
    add->setToolTip(tr("Add a condition; hold the button for a group of conditions"));
    add->setPopupMode(QToolButton::MenuButtonPopup);
    add->setEnabled(firstComparisonTemplateIndex() >= 0);
    auto* menu = new QMenu(add);
    QAction* addCondition = menu->addAction(tr("Add Condition"));
    addCondition->setObjectName(QStringLiteral("addConditionItem"));
    QAction* addGroup = menu->addAction(tr("Add Group"));
    addGroup->setObjectName(QStringLiteral("addGroupItem"));
    add->setMenu(menu);
    connect(add, &QToolButton::clicked, this, [this, row] { addComparisonAfter(row); });
    connect(addCondition, &QAction::triggered, this, [this, row] { addComparisonAfter(row); });
    connect(addGroup, &QAction::triggered, this, [this, row] { addCompoundInside(row); });

    view->layout()->addWidget(remove);
    view->layout()->addWidget(add);
}

void PredicateEditor::addComparisonAfter(Row* row) {
    std::unique_ptr<Row> added = newComparisonRow();
    if (!added)
        return;
    const bool compound = m_templates.at(row->templateIndex).kind() == PredicateRowTemplate::Kind::Compound;
    if (compound) {
        row->append(std::move(added));
    } else {
        Row* parent = row->parent;
        auto position = std::find_if(parent->children.begin(), parent->children.end(),
                                     [row](const std::unique_ptr<Row>& child) { return child.get() == row; });
        added->parent = parent;
        parent->children.insert(position + 1, std::move(added));
    }
    edited();
    rebuildViews();
}

void PredicateEditor::addCompoundInside(Row* row) {
    std::unique_ptr<Row> group = newCompoundRow(Predicate::CompoundType::And);
    std::unique_ptr<Row> condition = newComparisonRow();
    if (!group || !condition)
        return;
    group->append(std::move(condition));
    const bool compound = m_templates.at(row->templateIndex).kind() == PredicateRowTemplate::Kind::Compound;
    Row* parent = compound ? row : row->parent;
    parent->append(std::move(group));
    edited();
    rebuildViews();
}

void PredicateEditor::removeRow(Row* row) {
    Row* parent = row->parent;
    if (!parent)
        return;
    std::erase_if(parent->children, [row](const std::unique_ptr<Row>& child) { return child.get() == row; });
    edited();
    rebuildViews();
}

void PredicateEditor::addFirstRows() {
    m_root = newCompoundRow(Predicate::CompoundType::And);
    if (!m_root)
        return;
    if (std::unique_ptr<Row> condition = newComparisonRow())
        m_root->append(std::move(condition));
    edited();
    rebuildViews();
}
