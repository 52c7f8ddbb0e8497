#include "PredicateEditor/PredicateEditorWindowController.h"

#include "ui_PredicateEditorWindowController.h"

#include "PredicateEditor/PredicateEditor.h"

#include "Platform/ErrorPresenter.h"
#include "Platform/MainThread.h"
#include "Platform/StringFormat.h"
#include "ZRKit/UI/ZRCustomizableAlert.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/ZRError.h"

#include <QRegularExpression>

using Platform::Predicate;

namespace {

const QList<Predicate::Operator> OrderOperators = {
    Predicate::Operator::LessThan,    Predicate::Operator::LessThanOrEqualTo,
    Predicate::Operator::GreaterThan, Predicate::Operator::GreaterThanOrEqualTo,
    Predicate::Operator::EqualTo,     Predicate::Operator::NotEqualTo};

/*! A dotted key path of plain names: what a row can test. */
bool isUsableKeyPath(const QString& keyPath) {
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)*$"));
    return pattern.match(keyPath).hasMatch();
}

std::optional<PredicateRowTemplate> rowTemplateForProperty(const PredicateProperty& property) {
    if (!isUsableKeyPath(property.propertyKey))
        return std::nullopt;
    using Type = PredicateProperty::PropertyType;
    using Attribute = PredicateRowTemplate::AttributeType;
    switch (property.propertyType) {
    case Type::string:
        return PredicateRowTemplate::comparison(
            property.propertyKey, Attribute::String,
            {Predicate::Operator::EqualTo, Predicate::Operator::NotEqualTo, Predicate::Operator::Contains,
             Predicate::Operator::BeginsWith, Predicate::Operator::EndsWith},
            Predicate::Option::CaseInsensitive | Predicate::Option::DiacriticInsensitive);
    case Type::integer:
        return PredicateRowTemplate::comparison(property.propertyKey, Attribute::Integer64, OrderOperators,
                                                {});
    case Type::double_:
        return PredicateRowTemplate::comparison(property.propertyKey, Attribute::Double, OrderOperators, {});
    case Type::date:
        return PredicateRowTemplate::comparison(property.propertyKey, Attribute::Date, OrderOperators, {});
    case Type::bool_:
        return PredicateRowTemplate::constants(
            property.propertyKey, {QVariant(true), QVariant(false)},
            {Predicate::Operator::EqualTo, Predicate::Operator::NotEqualTo}, {});
    }
    return std::nullopt;
}

} // namespace

PredicateEditorWindowController::PredicateEditorWindowController(QObject* parent)
    : QObject(parent) {}

PredicateEditorWindowController::~PredicateEditorWindowController() {
    if (m_completionHandler) {
        CompletionHandler handler = std::move(m_completionHandler);
        m_completionHandler = nullptr;
        handler(std::nullopt, false);
    }
    if (m_window) {
        m_window->disconnect(this);
        delete m_window.data();
    }
}

QDialog* PredicateEditorWindowController::window() {
    Platform::assertMainThread();
    if (!m_window) {
        m_ui = std::make_unique<Ui::PredicateEditorWindowController>();
        m_window = new QDialog();
        m_ui->setupUi(m_window);
        windowDidLoad();
    }
    return m_window;
}

PredicateEditor* PredicateEditorWindowController::predicateEditor() const {
    return m_window ? m_ui->predicateEditor : nullptr;
}

void PredicateEditorWindowController::windowDidLoad() {
    for (auto [button, action] :
         {std::pair{m_ui->okButton, "okButtonAction"}, std::pair{m_ui->cancelButton, "cancelButtonAction"},
          std::pair{m_ui->deleteButton, "deletePredicateAction"}}) {
        ZRTargetAction::setTarget(button, this);
        ZRTargetAction::setAction(button, action);
    }
    connect(m_window, &QDialog::finished, this, &PredicateEditorWindowController::sheetEnded);
    // A parent window that goes away takes the sheet with it: the caller still hears of it.
    connect(m_window, &QObject::destroyed, this, [this] {
        if (m_completionHandler)
            sheetEnded(Cancel);
    });
    configurePredicateEditor();
}

const QList<PredicateProperty>& PredicateEditorWindowController::allowedProperties() {
    if (!m_allowedProperties)
        m_allowedProperties = PredicateProperty::loadAllowedProperties();
    return *m_allowedProperties;
}

void PredicateEditorWindowController::configurePredicateEditor() {
    QList<PredicateRowTemplate> templates{PredicateRowTemplate::compound(
        {Predicate::CompoundType::And, Predicate::CompoundType::Or, Predicate::CompoundType::Not})};
    for (const PredicateProperty& property : allowedProperties()) {
        if (std::optional<PredicateRowTemplate> rowTemplate = rowTemplateForProperty(property)) {
            templates.append(*rowTemplate);
            continue;
        }
        Platform::presentError(ZRError::zr_errorWithLocalizedDescription(Platform::stringWithFormat(
            tr("Caught exception while configuring row for key %@, type %@"),
            {property.propertyKey, PredicateProperty::typeName(property.propertyType)})));
    }
    m_ui->predicateEditor->setRowTemplates(templates);
    if (m_predicateUnreadable)
        m_ui->predicateEditor->setObjectValueUnreadable();
    else
        m_ui->predicateEditor->setObjectValue(m_predicate);
}

void PredicateEditorWindowController::showPredicateEditor(QWidget* parentWindow,
                                                          CompletionHandler completionHandler) {
    Platform::assertMainThread();
    if (!parentWindow)
        return;
    QDialog* sheet = window();
    sheet->setParent(parentWindow->window(), sheet->windowFlags() | Qt::Dialog);
    sheet->setWindowModality(Qt::WindowModal);
    m_completionHandler = std::move(completionHandler);
    sheet->open();
}

bool PredicateEditorWindowController::isSheet() const {
    return m_window && m_window->isVisible() && m_completionHandler;
}

void PredicateEditorWindowController::okButtonAction(QObject*) {
    if (isSheet())
        m_window->done(OK);
}

void PredicateEditorWindowController::cancelButtonAction(QObject*) {
    if (isSheet())
        m_window->done(Cancel);
}

void PredicateEditorWindowController::deletePredicateAction(QObject*) {
    const int answer =
        ZRRunAlertPanel3(tr("Delete the Advanced Filter?"),
                         tr("Do you really want to delete the filter? This can not be undone."), tr("Delete"),
                         tr("Cancel"), QString());
    if (answer == Platform::ModalResponse::FirstButton && isSheet())
        m_window->done(DeleteConfirmed);
}

void PredicateEditorWindowController::sheetEnded(int returnCode) {
    if (!m_completionHandler)
        return;
    CompletionHandler handler = std::move(m_completionHandler);
    m_completionHandler = nullptr;
    if (returnCode == OK)
        handler(m_window ? m_ui->predicateEditor->objectValue() : std::nullopt, false);
    else if (returnCode == DeleteConfirmed)
        handler(std::nullopt, true);
    else
        handler(std::nullopt, false);
}
