#include "PredicateEditor/PredicateEditor.h"
#include "PredicateEditor/PredicateEditorWindowController.h"
#include "PredicateEditor/PredicateProperty.h"

#include "AlertResponder.h"
#include "Model/JiraIssue.h"
#include "Platform/Bundle.h"
#include "Platform/ErrorPresenter.h"
#include "Platform/SystemLog.h"
#include "TestBundle.h"
#include "TestUtils.h"

#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using Platform::Predicate;

namespace {

Predicate parsed(const QString& format) {
    QString error;
    const std::optional<Predicate> predicate = Predicate::fromFormat(format, &error);
    EXPECT_TRUE(predicate.has_value()) << error.toStdString();
    return predicate.value_or(Predicate());
}

QStringList itemTexts(const QComboBox* popUp) {
    QStringList texts;
    for (int i = 0; i < popUp->count(); ++i)
        texts.append(popUp->itemText(i));
    return texts;
}

template <typename T> T* control(QWidget* row, const char* name) {
    return row->findChild<T*>(QLatin1String(name));
}

/*! An editor window over a bundle of our own whose resource holds the given rows. */
class PredicateEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        bundlePath = TestBundle::create(directory.filePath(QStringLiteral("Test.app")),
                                        {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("test")}});
        Platform::Bundle::setMainBundlePathForTesting(bundlePath);
        previousPresenter = Platform::setErrorPresenter(
            [this](const Platform::Error& error) { presented.append(error.localizedDescription()); });
    }
    void TearDown() override {
        Platform::setErrorPresenter(previousPresenter);
        Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
    }

    void writeRows(const QByteArray& json) {
        TestBundle::addResource(bundlePath, QStringLiteral("issue-predicates.json"), json);
    }
    void writeStandardRows() {
        writeRows(R"([
            {"propertyKey": "summary", "propertyName": "Summary", "propertyType": "string"},
            {"propertyKey": "Assignee", "propertyName": "Assignee", "propertyType": "string"},
            {"propertyKey": "created", "propertyName": "Created", "propertyType": "date"},
            {"propertyKey": "votes", "propertyName": "Votes", "propertyType": "integer"},
            {"propertyKey": "progress", "propertyName": "Progress", "propertyType": "double"},
            {"propertyKey": "active", "propertyName": "Active", "propertyType": "bool"}
        ])");
    }

    PredicateEditor* openEditor(const std::optional<Predicate>& predicate) {
        controller = std::make_unique<PredicateEditorWindowController>();
        controller->setPredicate(predicate);
        controller->window();
        return controller->predicateEditor();
    }

    /*! The comparison row whose key popup shows the key, made current. */
    QWidget* addRowFor(PredicateEditor* editor, const QString& key) {
        QWidget* top = editor->rowViews().first();
        control<QToolButton>(top, "addButton")->click();
        QWidget* row = editor->rowViews().last();
        auto* keys = control<QComboBox>(row, "keyPopup");
        const int index = keys->findText(key);
        keys->setCurrentIndex(index);
        Q_EMIT keys->activated(index);
        return editor->rowViews().last();
    }

    QTemporaryDir directory;
    QString bundlePath;
    Platform::ErrorPresenter previousPresenter;
    QStringList presented;
    std::unique_ptr<PredicateEditorWindowController> controller;
};

} // namespace

TEST_F(PredicateEditorTest, RowsAreSortedByKeyCaseInsensitively) {
    writeStandardRows();
    PredicateEditor* editor = openEditor(parsed(QStringLiteral("summary ==[cd] \"x\"")));
    ASSERT_EQ(editor->rowViews().size(), 2);
    auto* keys = control<QComboBox>(editor->rowViews().at(1), "keyPopup");
    EXPECT_EQ(itemTexts(keys),
              (QStringList{"active", "Assignee", "created", "progress", "summary", "votes"}));
    EXPECT_EQ(keys->currentText(), QStringLiteral("summary"));
    EXPECT_TRUE(presented.isEmpty());

    // The compound row comes first and offers all, any and none.
    const PredicateRowTemplate& compound = editor->rowTemplates().first();
    EXPECT_EQ(compound.kind(), PredicateRowTemplate::Kind::Compound);
    EXPECT_EQ(compound.compoundTypes(),
              (QList<Predicate::CompoundType>{Predicate::CompoundType::And, Predicate::CompoundType::Or,
                                              Predicate::CompoundType::Not}));
    EXPECT_EQ(itemTexts(control<QComboBox>(editor->rowViews().first(), "compoundPopup")),
              (QStringList{"All", "Any", "None"}));
}

TEST_F(PredicateEditorTest, EachTypeOffersItsOperatorsOptionsAndValues) {
    writeStandardRows();
    PredicateEditor* editor = openEditor(std::nullopt);
    const auto templateFor = [&](const QString& key) {
        for (const PredicateRowTemplate& rowTemplate : editor->rowTemplates()) {
            if (rowTemplate.keyPath() == key)
                return rowTemplate;
        }
        ADD_FAILURE() << key.toStdString();
        return editor->rowTemplates().first();
    };
    using Op = Predicate::Operator;
    const QList<Op> ordered{Op::LessThan, Op::LessThanOrEqualTo, Op::GreaterThan, Op::GreaterThanOrEqualTo,
                            Op::EqualTo,  Op::NotEqualTo};
    const PredicateRowTemplate text = templateFor(QStringLiteral("summary"));
    EXPECT_EQ(text.operators(),
              (QList<Op>{Op::EqualTo, Op::NotEqualTo, Op::Contains, Op::BeginsWith, Op::EndsWith}));
    EXPECT_EQ(int(text.options()), 3);
    EXPECT_EQ(int(text.attributeType()), 700);
    for (const auto& [key, attribute] :
         {std::pair{"votes", 300}, std::pair{"progress", 500}, std::pair{"created", 900}}) {
        const PredicateRowTemplate number = templateFor(QLatin1String(key));
        EXPECT_EQ(number.operators(), ordered) << key;
        EXPECT_EQ(int(number.options()), 0) << key;
        EXPECT_EQ(int(number.attributeType()), attribute) << key;
    }
    const PredicateRowTemplate flag = templateFor(QStringLiteral("active"));
    EXPECT_EQ(flag.operators(), (QList<Op>{Op::EqualTo, Op::NotEqualTo}));
    EXPECT_EQ(flag.constantValues(), (QVariantList{true, false}));

    // What the rows show: a new row on the first key, then the bool row's two constants.
    ASSERT_TRUE(editor->rowViews().isEmpty());
    editor->findChild<QToolButton*>(QStringLiteral("addFirstRowButton"))->click();
    ASSERT_EQ(editor->rowViews().size(), 2);
    QWidget* row = editor->rowViews().at(1);
    EXPECT_EQ(control<QComboBox>(row, "keyPopup")->currentText(), QStringLiteral("active"));
    EXPECT_EQ(itemTexts(control<QComboBox>(row, "operatorPopup")), (QStringList{"is", "is not"}));
    EXPECT_EQ(itemTexts(control<QComboBox>(row, "valueEditor")), (QStringList{"true", "false"}));
    EXPECT_EQ(editor->objectValue()->format(), QStringLiteral("active == 1"));

    row = addRowFor(editor, QStringLiteral("summary"));
    EXPECT_EQ(itemTexts(control<QComboBox>(row, "operatorPopup")),
              (QStringList{"is", "is not", "contains", "begins with", "ends with"}));
    auto* value = control<QLineEdit>(row, "valueEditor");
    ASSERT_NE(value, nullptr);
    QTest::keyClicks(value, QStringLiteral("Crash"));
    EXPECT_EQ(editor->objectValue()->format(), QStringLiteral("active == 1 AND summary ==[cd] \"Crash\""));
}

TEST_F(PredicateEditorTest, OneUnknownTypeFailsTheWholeResource) {
    writeRows(R"([{"propertyKey": "summary", "propertyName": "Summary", "propertyType": "string"},
                  {"propertyKey": "body", "propertyName": "Body", "propertyType": "text"}])");
    Platform::SystemLog::Capture log;
    PredicateEditor* editor = openEditor(std::nullopt);
    ASSERT_EQ(editor->rowTemplates().size(), 1);
    EXPECT_EQ(editor->rowTemplates().first().kind(), PredicateRowTemplate::Kind::Compound);
    EXPECT_TRUE(log.contains(QStringLiteral("Error loading predicates: ")));

    QString error;
    EXPECT_FALSE(
        PredicateProperty::decodeList(R"([{"propertyKey": "a", "propertyType": "string"}])", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("propertyName")));
    EXPECT_FALSE(PredicateProperty::decodeList(R"({"propertyKey": "a"})"));
    EXPECT_FALSE(PredicateProperty::decodeList("[{"));
}

TEST_F(PredicateEditorTest, MissingResourceGivesOnlyTheCompoundRowWithoutALogLine) {
    Platform::SystemLog::Capture log;
    PredicateEditor* editor = openEditor(std::nullopt);
    EXPECT_EQ(editor->rowTemplates().size(), 1);
    EXPECT_FALSE(log.contains(QStringLiteral("Error loading predicates")));
}

TEST_F(PredicateEditorTest, RowThatCannotBeConfiguredIsReportedAndTheOthersWork) {
    writeRows(R"([{"propertyKey": "summary", "propertyName": "Summary", "propertyType": "string"},
                  {"propertyKey": "two words", "propertyName": "Bad", "propertyType": "integer"}])");
    PredicateEditor* editor = openEditor(std::nullopt);
    EXPECT_EQ(presented,
              QStringList{"Caught exception while configuring row for key two words, type integer"});
    ASSERT_EQ(editor->rowTemplates().size(), 2);
    EXPECT_EQ(editor->rowTemplates().at(1).keyPath(), QStringLiteral("summary"));
}

TEST_F(PredicateEditorTest, NestedConditionRoundTripsThroughTheRows) {
    writeStandardRows();
    const Predicate nested = parsed(QStringLiteral(
        "summary CONTAINS[cd] \"crash\" AND (Assignee BEGINSWITH[c] \"Ada\" OR NOT (votes > 3 OR "
        "created < CAST(700000000, \"NSDate\"))) AND NOT (progress >= 0.5 AND active == FALSE)"));
    PredicateEditor* editor = openEditor(nested);
    ASSERT_FALSE(editor->isReadOnly());
    QList<int> depths;
    for (int row = 0; row < editor->rowViews().size(); ++row)
        depths.append(editor->depthOfRow(row));
    // All: summary, Any(Assignee, None(votes, created)), None(All(progress, active)).
    EXPECT_EQ(depths, (QList<int>{0, 1, 1, 2, 2, 3, 3, 1, 2, 3, 3}));
    EXPECT_EQ(control<QComboBox>(editor->rowViews().at(4), "compoundPopup")->currentText(),
              QStringLiteral("None"));
    ASSERT_TRUE(editor->predicateFromRows());
    EXPECT_EQ(editor->predicateFromRows()->format(), nested.format());
    EXPECT_EQ(editor->objectValue()->format(), nested.format());
}

TEST_F(PredicateEditorTest, SavedBooleansAndQualifiedComparisonsReadBack) {
    writeStandardRows();
    // Booleans are saved as 1 and 0: the bool row shows them.
    PredicateEditor* editor = openEditor(parsed(QStringLiteral("active == 0")));
    ASSERT_FALSE(editor->isReadOnly());
    ASSERT_EQ(editor->rowViews().size(), 2);
    EXPECT_EQ(control<QComboBox>(editor->rowViews().at(1), "valueEditor")->currentText(),
              QStringLiteral("false"));
    // A row has no place for ANY: the condition is kept as it is.
    editor = openEditor(parsed(QStringLiteral("ANY summary == \"x\"")));
    EXPECT_TRUE(editor->isReadOnly());
    EXPECT_EQ(editor->objectValue()->format(), QStringLiteral("ANY summary == \"x\""));
}

TEST_F(PredicateEditorTest, RowsAddAndRemove) {
    writeStandardRows();
    PredicateEditor* editor = openEditor(parsed(QStringLiteral("votes == 2")));
    ASSERT_EQ(editor->rowViews().size(), 2);
    EXPECT_FALSE(control<QToolButton>(editor->rowViews().first(), "removeButton")->isEnabled());

    // A group below the top row, then the first condition removed.
    control<QToolButton>(editor->rowViews().first(), "addButton")
        ->menu()
        ->findChild<QAction*>(QStringLiteral("addGroupItem"))
        ->trigger();
    EXPECT_EQ(editor->rowViews().size(), 4);
    control<QToolButton>(editor->rowViews().at(1), "removeButton")->click();
    EXPECT_EQ(editor->objectValue()->format(), QStringLiteral("active == 1"));
    control<QToolButton>(editor->rowViews().at(1), "removeButton")->click();
    ASSERT_EQ(editor->rowViews().size(), 1);
    EXPECT_EQ(editor->objectValue()->format(), QStringLiteral("TRUEPREDICATE"));
}

TEST_F(PredicateEditorTest, ConditionTheRowsCannotShowIsKeptUnchangedAndShownReadOnly) {
    writeStandardRows();
    for (const QString& format :
         {QStringLiteral("unknownKey == 1"), QStringLiteral("votes ==[c] 3"),
          QStringLiteral("summary < \"b\""), QStringLiteral("summary == nil"),
          QStringLiteral("summary == 3 OR votes == 1"), QStringLiteral("\"x\" == summary"),
          QStringLiteral("ANY summary ==[cd] \"x\""), QStringLiteral("summary IN {\"a\", \"b\"}"),
          QStringLiteral("summary LIKE[cd] \"a*\""), QStringLiteral("votes BETWEEN {1, 3}"),
          QStringLiteral("created < CAST(700000000.0001, \"NSDate\")"),
          QStringLiteral("summary ==[cd] \"a\" AND FALSEPREDICATE AND votes.x == 2")}) {
        const Predicate predicate = parsed(format);
        PredicateEditor* editor = openEditor(predicate);
        EXPECT_TRUE(editor->isReadOnly()) << format.toStdString();
        EXPECT_TRUE(editor->rowViews().isEmpty());
        ASSERT_NE(editor->findChild<QPlainTextEdit*>(QStringLiteral("readOnlyText")), nullptr);
        EXPECT_EQ(editor->findChild<QPlainTextEdit*>(QStringLiteral("readOnlyText"))->toPlainText(),
                  predicate.format());

        // OK gives the condition back as it was, never nothing.
        QMainWindow parent;
        parent.show();
        std::optional<Predicate> received;
        int calls = 0;
        controller->showPredicateEditor(&parent, [&](const std::optional<Predicate>& result, bool deleted) {
            ++calls;
            received = result;
            EXPECT_FALSE(deleted);
        });
        controller->okButtonAction();
        ASSERT_EQ(calls, 1);
        ASSERT_TRUE(received.has_value()) << format.toStdString();
        EXPECT_EQ(received->format(), predicate.format());
    }
}

TEST_F(PredicateEditorTest, OptionsTheRowDoesNotChangeStayUntilTheRowIsEdited) {
    writeStandardRows();
    PredicateEditor* editor = openEditor(parsed(QStringLiteral("summary == \"My Issue\"")));
    ASSERT_FALSE(editor->isReadOnly());
    EXPECT_EQ(editor->predicateFromRows()->format(), QStringLiteral("summary == \"My Issue\""));
    auto* value = control<QLineEdit>(editor->rowViews().at(1), "valueEditor");
    QTest::keyClick(value, Qt::Key_End);
    QTest::keyClicks(value, QStringLiteral("s"));
    EXPECT_EQ(editor->objectValue()->format(), QStringLiteral("summary ==[cd] \"My Issues\""));
}

namespace {

struct Result {
    int calls = 0;
    std::optional<Predicate> predicate;
    bool deleted = false;
};

} // namespace

TEST_F(PredicateEditorTest, OkCancelAndDeleteGiveTheirThreeResults) {
    writeStandardRows();
    QMainWindow parent;
    parent.show();
    const auto show = [&](Result& result) {
        openEditor(parsed(QStringLiteral("votes > 1")));
        controller->showPredicateEditor(&parent,
                                        [&result](const std::optional<Predicate>& predicate, bool deleted) {
                                            ++result.calls;
                                            result.predicate = predicate;
                                            result.deleted = deleted;
                                        });
        EXPECT_TRUE(controller->window()->isVisible());
        EXPECT_EQ(controller->window()->windowModality(), Qt::WindowModal);
    };

    Result ok;
    show(ok);
    QLineEdit* value = control<QLineEdit>(controller->predicateEditor()->rowViews().at(1), "valueEditor");
    value->selectAll();
    QTest::keyClicks(value, QStringLiteral("12"));
    controller->window()->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    EXPECT_EQ(ok.calls, 1);
    ASSERT_TRUE(ok.predicate);
    EXPECT_EQ(ok.predicate->format(), QStringLiteral("votes > 12"));
    EXPECT_FALSE(ok.deleted);
    EXPECT_FALSE(controller->window()->isVisible());

    Result cancelled;
    show(cancelled);
    controller->window()->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    EXPECT_EQ(cancelled.calls, 1);
    EXPECT_FALSE(cancelled.predicate);
    EXPECT_FALSE(cancelled.deleted);

    Result deleted;
    show(deleted);
    {
        TestUtils::AlertResponder alerts(
            {{Platform::ModalResponse::SecondButton}, {Platform::ModalResponse::FirstButton}});
        QPushButton* deleteButton =
            controller->window()->findChild<QPushButton*>(QStringLiteral("deleteButton"));
        deleteButton->click();
        EXPECT_EQ(deleted.calls, 0);
        EXPECT_TRUE(controller->window()->isVisible());
        deleteButton->click();
        ASSERT_EQ(alerts.shown().size(), 2u);
        EXPECT_EQ(alerts.shown().front().messageText, QStringLiteral("Delete the Advanced Filter?"));
        EXPECT_EQ(alerts.shown().front().informativeText,
                  QStringLiteral("Do you really want to delete the filter? This can not be undone."));
        EXPECT_EQ(alerts.shown().front().buttonTitles, (QStringList{"Delete", "Cancel"}));
    }
    EXPECT_EQ(deleted.calls, 1);
    EXPECT_FALSE(deleted.predicate);
    EXPECT_TRUE(deleted.deleted);

    // Escape (or closing the window) cancels as well; a controller that goes away mid-sheet still answers.
    Result escaped;
    show(escaped);
    QTest::keyClick(controller->window(), Qt::Key_Escape);
    EXPECT_EQ(escaped.calls, 1);
    EXPECT_FALSE(escaped.predicate);
    Result dropped;
    show(dropped);
    controller.reset();
    EXPECT_EQ(dropped.calls, 1);
    EXPECT_FALSE(dropped.deleted);
}

TEST_F(PredicateEditorTest, WithoutAParentWindowNothingIsShownAndTheHandlerNeverRuns) {
    writeStandardRows();
    controller = std::make_unique<PredicateEditorWindowController>();
    int calls = 0;
    controller->showPredicateEditor(nullptr, [&calls](const std::optional<Predicate>&, bool) { ++calls; });
    EXPECT_FALSE(controller->isWindowLoaded());
    controller->okButtonAction();
    controller.reset();
    EXPECT_EQ(calls, 0);
}

TEST_F(PredicateEditorTest, OkWithAnEmptyEditorGivesNothingAndButtonsOutsideASheetDoNothing) {
    writeStandardRows();
    openEditor(std::nullopt);
    controller->okButtonAction();
    controller->cancelButtonAction();
    QMainWindow parent;
    parent.show();
    Result result;
    controller->showPredicateEditor(&parent,
                                    [&result](const std::optional<Predicate>& predicate, bool deleted) {
                                        ++result.calls;
                                        result.predicate = predicate;
                                        result.deleted = deleted;
                                    });
    controller->okButtonAction();
    EXPECT_EQ(result.calls, 1);
    EXPECT_FALSE(result.predicate);
    EXPECT_FALSE(result.deleted);
}

TEST(PredicatePropertiesResourceTest, EveryRowOfTheApplicationsResourceIsUsable) {
    const QList<PredicateProperty> properties = PredicateProperty::loadAllowedProperties();
    ASSERT_GE(properties.size(), 10);
    for (int i = 1; i < properties.size(); ++i)
        EXPECT_LE(properties.at(i - 1).propertyKey.compare(properties.at(i).propertyKey, Qt::CaseInsensitive),
                  0);
    QStringList presented;
    const Platform::ErrorPresenter previous = Platform::setErrorPresenter(
        [&presented](const Platform::Error& error) { presented.append(error.localizedDescription()); });
    PredicateEditorWindowController controller;
    controller.window();
    Platform::setErrorPresenter(previous);
    EXPECT_TRUE(presented.isEmpty()) << presented.join(u'\n').toStdString();
    EXPECT_EQ(controller.predicateEditor()->rowTemplates().size(), properties.size() + 1);

    // Every key path is one an issue of a search answer has a value for.
    const QJsonObject json = QJsonDocument::fromJson(R"({"id": "10001", "key": "CV-1", "fields": {
        "summary": "Crash on start",
        "created": "2026-03-01T10:00:00.000+0000",
        "assignee": {"accountId": "a1", "displayName": "Ada", "emailAddress": "ada@example.com", "active": true},
        "creator": {"accountId": "a2", "displayName": "Grace"},
        "status": {"name": "To Do", "statusCategory": {"id": 2, "key": "new", "name": "To Do"}}}})")
                                 .object();
    const std::optional<JiraIssue> issue = JiraIssue::create(
        QStringLiteral("cloud"), QStringLiteral("https://x.atlassian.net"), QStringLiteral("Core"), json);
    ASSERT_TRUE(issue);
    for (const PredicateProperty& property : properties) {
        const QVariant value = issue->value(property.propertyKey);
        EXPECT_TRUE(value.isValid()) << property.propertyKey.toStdString();
    }
}
