#pragma once

#include "Model/IssueFilter.h"
#include "Platform/Predicate.h"
#include "PredicateEditor/PredicateEditorWindowController.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

/*! The localized pop-up titles of the filter conditions, one per case in case order. */
namespace LocalizedEnum {
QString title(IssueFilter::IssueFilterType type);
QString title(IssueFilter::SprintFilterType type);
} // namespace LocalizedEnum

/*! Edits one issue filter's conditions through the controls its owner gives it: a pop-up for the status
    category, one for the sprint and a check box for "only my issues". The controls change the shared
    filter at once; the owner is told of every changed condition through its block. Opens the predicate
    editor sheet for the filter's advanced condition. Main thread only. */
class FilterSettingsUIController : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FilterSettingsUIController)

public:
    using IssuePropertyChangedBlock = std::function<void(const std::shared_ptr<IssueFilter>& filter)>;
    using PredicateEditorHandler =
        std::function<void(const std::optional<Platform::Predicate>& predicate, bool deleted)>;

    explicit FilterSettingsUIController(QObject* parent = nullptr);
    ~FilterSettingsUIController() override;

    /*! The controls (connected by the owner's form). */
    void setControls(QComboBox* issueFilterPopup, QComboBox* sprintFilterPopup,
                     QAbstractButton* showOnlyMyIssues);
    QComboBox* issueFilterPopup() const { return m_issueFilterPopup; }
    QComboBox* sprintFilterPopup() const { return m_sprintFilterPopup; }

    /*! Fills the two pop-ups. */
    void awakeFromNib();

    std::shared_ptr<IssueFilter> issueFilter() const { return m_issueFilter; }
    /*! Edits this filter from now on (none: nothing). */
    void setIssueFilter(const std::shared_ptr<IssueFilter>& filter);

    void setIssuePropertyChangedBlock(IssuePropertyChangedBlock block) {
        m_issuePropertyChangedBlock = std::move(block);
    }

    /*! Opens the predicate editor as a sheet of the window for the filter's advanced condition (an example
        condition on the summary when it has none). The handler receives (the condition, false) for OK,
        (none, true) for a confirmed delete and (none, false) for cancel. Without a filter nothing happens. */
    void showPredicateEditor(QWidget* parentWindow, PredicateEditorHandler handler);
    /*! The open editor, if any. */
    PredicateEditorWindowController* predicateEditor() const { return m_predicateEditor; }

    /*! The key paths of the filter that are watched. */
    static QStringList selectedFilterKeyPathsToObserve();

Q_SIGNALS:
    void issueFilterChanged();

private:
    void issueFilterDidChange();
    void bindControls();

    QPointer<QComboBox> m_issueFilterPopup;
    QPointer<QComboBox> m_sprintFilterPopup;
    QPointer<QAbstractButton> m_showOnlyMyIssuesButton;
    std::shared_ptr<IssueFilter> m_issueFilter;
    IssuePropertyChangedBlock m_issuePropertyChangedBlock;
    QPointer<PredicateEditorWindowController> m_predicateEditor;
    QList<QMetaObject::Connection> m_observations;
};
