#include "Preferences/FilterSettingsUIController.h"

#include "PredicateEditor/PredicateEditorWindowController.h"

#include "Platform/MainThread.h"
#include "ZRKit/UI/ZRBinding.h"
#include "ZRKit/UI/ZRMenu.h"

#include <QCoreApplication>

using Platform::Predicate;

namespace LocalizedEnum {

QString title(IssueFilter::IssueFilterType type) {
    switch (type) {
    case IssueFilter::IssueFilterType::all:
        return QCoreApplication::translate("LocalizedEnum", "All", "filter name");
    case IssueFilter::IssueFilterType::todo:
        return QCoreApplication::translate("LocalizedEnum", "ToDo", "filter name");
    case IssueFilter::IssueFilterType::inProgress:
        return QCoreApplication::translate("LocalizedEnum", "In Progress", "filter name");
    case IssueFilter::IssueFilterType::todoOrInProgress:
        return QCoreApplication::translate("LocalizedEnum", "ToDo or in Progress", "filter name");
    }
    return {};
}

QString title(IssueFilter::SprintFilterType type) {
    switch (type) {
    case IssueFilter::SprintFilterType::all:
        return QCoreApplication::translate("LocalizedEnum", "All", "filter name");
    case IssueFilter::SprintFilterType::future:
        return QCoreApplication::translate("LocalizedEnum", "Future", "filter name");
    case IssueFilter::SprintFilterType::open:
        return QCoreApplication::translate("LocalizedEnum", "Open", "filter name");
    }
    return {};
}

} // namespace LocalizedEnum

namespace {

template <typename Cases> void populateFilterPopup(QComboBox* popUp, const Cases& cases) {
    if (!popUp)
        return;
    popUp->clear();
    for (const auto value : cases) {
        popUp->addItem(LocalizedEnum::title(value));
        const int last = ZRPopUpButton::lastItem(popUp);
        ZRPopUpButton::setItemRepresentedObject(popUp, last, int(value));
        ZRPopUpButton::setItemTag(popUp, last, int(value));
    }
}

} // namespace

FilterSettingsUIController::FilterSettingsUIController(QObject* parent)
    : QObject(parent) {}

FilterSettingsUIController::~FilterSettingsUIController() {
    for (const QMetaObject::Connection& observation : std::as_const(m_observations))
        disconnect(observation);
    delete m_predicateEditor.data();
}

QStringList FilterSettingsUIController::selectedFilterKeyPathsToObserve() {
    return {QStringLiteral("showOnlyMyIssues"), QStringLiteral("issueFilter"),
            QStringLiteral("sprintFilter")};
}

void FilterSettingsUIController::setControls(QComboBox* issueFilterPopup, QComboBox* sprintFilterPopup,
                                             QAbstractButton* showOnlyMyIssues) {
    m_issueFilterPopup = issueFilterPopup;
    m_sprintFilterPopup = sprintFilterPopup;
    m_showOnlyMyIssuesButton = showOnlyMyIssues;
    bindControls();
}

void FilterSettingsUIController::awakeFromNib() {
    Platform::assertMainThread();
    populateFilterPopup(m_issueFilterPopup.data(), IssueFilter::allIssueFilterTypes);
    populateFilterPopup(m_sprintFilterPopup.data(), IssueFilter::allSprintFilterTypes);
    bindControls();
}

void FilterSettingsUIController::setIssueFilter(const std::shared_ptr<IssueFilter>& filter) {
    Platform::assertMainThread();
    m_issueFilter = filter;
    issueFilterDidChange();
    bindControls();
    Q_EMIT issueFilterChanged();
}

void FilterSettingsUIController::bindControls() {
    IssueFilter* filter = m_issueFilter.get();
    const auto bind = [filter](QWidget* control, const QString& binding, const QString& keyPath) {
        if (!control)
            return;
        control->setEnabled(filter != nullptr);
        if (filter) {
            ZRBinding::bind(control, binding, filter, keyPath);
            return;
        }
        ZRBinding::unbind(control, binding);
        if (auto* popUp = qobject_cast<QComboBox*>(control))
            popUp->setCurrentIndex(-1);
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            button->setChecked(false);
    };
    bind(m_issueFilterPopup, ZRBinding::SelectedTag, QStringLiteral("issueFilter"));
    bind(m_sprintFilterPopup, ZRBinding::SelectedTag, QStringLiteral("sprintFilter"));
    bind(m_showOnlyMyIssuesButton, ZRBinding::Value, QStringLiteral("showOnlyMyIssues"));
}

void FilterSettingsUIController::issueFilterDidChange() {
    for (const QMetaObject::Connection& observation : std::as_const(m_observations))
        disconnect(observation);
    m_observations.clear();
    if (!m_issueFilter)
        return;
    const std::weak_ptr<IssueFilter> observed = m_issueFilter;
    const auto report = [this, observed] {
        const std::shared_ptr<IssueFilter> filter = observed.lock();
        if (filter && m_issuePropertyChangedBlock)
            m_issuePropertyChangedBlock(filter);
    };
    IssueFilter* filter = m_issueFilter.get();
    m_observations = {connect(filter, &IssueFilter::showOnlyMyIssuesChanged, this, report),
                      connect(filter, &IssueFilter::issueFilterChanged, this, report),
                      connect(filter, &IssueFilter::sprintFilterChanged, this, report)};
}

void FilterSettingsUIController::showPredicateEditor(QWidget* parentWindow, PredicateEditorHandler handler) {
    Platform::assertMainThread();
    if (!m_issueFilter)
        return;
    const std::optional<Predicate> predicate =
        m_issueFilter->predicate()
            ? m_issueFilter->predicate()
            : std::optional(Predicate::andPredicate({Predicate::comparison(
                  Platform::Expression::keyPath(QStringLiteral("summary")), Predicate::Operator::EqualTo,
                  Platform::Expression::constant(tr("My Issue", "example advanced filter")))}));

    // At most one editor is kept; one still open answers its caller as cancelled when it goes.
    if (m_predicateEditor)
        m_predicateEditor->deleteLater();
    auto* editor = new PredicateEditorWindowController(this);
    editor->setPredicate(predicate);
    // A condition stored in a form this build cannot read is not replaced by the example on OK.
    editor->setPredicateUnreadable(!m_issueFilter->predicate() && m_issueFilter->hasUnreadablePredicate());
    m_predicateEditor = editor;
    const QPointer<FilterSettingsUIController> self(this);
    const QPointer<PredicateEditorWindowController> shown(editor);
    editor->showPredicateEditor(parentWindow,
                                [self, shown, handler](const std::optional<Predicate>& result, bool deleted) {
                                    if (handler)
                                        handler(result, deleted);
                                    if (self && shown && self->m_predicateEditor == shown) {
                                        self->m_predicateEditor = nullptr;
                                        shown->deleteLater();
                                    }
                                });
}
