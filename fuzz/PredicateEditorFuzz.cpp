// The advanced filters the editor is given (the filters file's predicates) and the rows resource it reads.
// A condition the rows can show comes back from them with the same text; one they cannot show is kept as it
// was; an untouched editor always gives back what it was given.
#include "FuzzSupport.h"
#include "PredicateEditor/PredicateEditor.h"
#include "PredicateEditor/PredicateEditorWindowController.h"
#include "PredicateEditor/PredicateProperty.h"

#include <memory>

namespace {

PredicateEditorWindowController* controller() {
    static auto* shared = [] {
        auto* made = new PredicateEditorWindowController();
        made->window();
        return made;
    }();
    return shared;
}

void readRows(const QByteArray& data) {
    const std::optional<QList<PredicateProperty>> rows = PredicateProperty::decodeList(data);
    if (!rows)
        return;
    for (const PredicateProperty& row : *rows)
        FuzzSupport::check(!PredicateProperty::typeName(row.propertyType).isEmpty(), "every row has a known type");
    const QList<PredicateProperty> sorted = PredicateProperty::sortedByKey(*rows);
    FuzzSupport::check(sorted.size() == rows->size(), "sorting keeps every row");
}

void showCondition(const QString& text) {
    const std::optional<Platform::Predicate> predicate = Platform::Predicate::fromFormat(text);
    if (!predicate)
        return;
    PredicateEditor* editor = controller()->predicateEditor();
    editor->setObjectValue(predicate);
    const std::optional<Platform::Predicate> given = editor->objectValue();
    FuzzSupport::check(given && given->format() == predicate->format(), "an untouched editor gives back its condition");
    if (editor->isReadOnly()) {
        FuzzSupport::check(editor->rowViews().isEmpty(), "a read-only condition shows no rows");
        return;
    }
    const std::optional<Platform::Predicate> fromRows = editor->predicateFromRows();
    FuzzSupport::check(fromRows.has_value(), "shown rows make a condition");
    FuzzSupport::check(fromRows->format() == predicate->format(), "the rows make the condition they show");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    controller();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    readRows(bytes);
    showCondition(QString::fromUtf8(bytes));
    return 0;
}
