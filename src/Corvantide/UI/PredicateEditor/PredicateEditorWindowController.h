#pragma once

#include "PredicateEditor/PredicateProperty.h"

#include "Platform/Predicate.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class PredicateEditor;

namespace Ui {
class PredicateEditorWindowController;
}

/*! The sheet that edits a filter's advanced condition: the predicate editor with one row per issue
    property of the "issue-predicates" resource, and OK, Cancel and Delete. Its caller gets the edited
    condition, a request to delete it, or nothing. Main thread only. */
class PredicateEditorWindowController : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PredicateEditorWindowController)

public:
    /*! The condition (none after OK means "nothing to store"; deleted: the user confirmed Delete). */
    using CompletionHandler =
        std::function<void(const std::optional<Platform::Predicate>& predicate, bool deleted)>;

    /*! Return codes of the sheet. */
    static constexpr int OK = 1;
    static constexpr int Cancel = 0;
    static constexpr int DeleteConfirmed = -1001;

    explicit PredicateEditorWindowController(QObject* parent = nullptr);
    /*! A sheet still open ends as cancelled, so its handler still runs once. */
    ~PredicateEditorWindowController() override;

    /*! The condition shown when the window loads; set it before. */
    std::optional<Platform::Predicate> predicate() const { return m_predicate; }
    void setPredicate(const std::optional<Platform::Predicate>& predicate) { m_predicate = predicate; }
    /*! The filter holds a condition that cannot be read: shown read-only, OK gives none (nothing to
        store), Delete still deletes it. Set it before the window loads. */
    void setPredicateUnreadable(bool unreadable) { m_predicateUnreadable = unreadable; }

    /*! The window, loaded on first use (which configures the editor). */
    QDialog* window();
    bool isWindowLoaded() const { return m_window != nullptr; }
    PredicateEditor* predicateEditor() const;

    /*! Shows the window as a sheet of the parent window; the handler runs once when the sheet ends.
        Without a parent window nothing happens and the handler is never called. */
    void showPredicateEditor(QWidget* parentWindow, CompletionHandler completionHandler);

    /*! The rows the resource offers, loaded and sorted on first use. */
    const QList<PredicateProperty>& allowedProperties();

public Q_SLOTS:
    void okButtonAction(QObject* sender = nullptr);
    void cancelButtonAction(QObject* sender = nullptr);
    /*! Asks first; a confirmed delete ends the sheet. */
    void deletePredicateAction(QObject* sender = nullptr);

private:
    void windowDidLoad();
    void configurePredicateEditor();
    bool isSheet() const;
    void sheetEnded(int returnCode);

    std::unique_ptr<Ui::PredicateEditorWindowController> m_ui;
    QPointer<QDialog> m_window;
    std::optional<Platform::Predicate> m_predicate;
    bool m_predicateUnreadable = false;
    std::optional<QList<PredicateProperty>> m_allowedProperties;
    CompletionHandler m_completionHandler;
};
