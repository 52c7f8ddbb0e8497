#include "Preferences/FilterSettingsUIController.h"

#include "PredicateEditor/PredicateEditor.h"

#include <QCheckBox>
#include <QMainWindow>

#include <gtest/gtest.h>

#include "ZRKit/UI/ZRMenu.h"

namespace {

std::shared_ptr<IssueFilter> makeFilter(const QString& name) {
    return std::make_shared<IssueFilter>(QStringLiteral("id-") + name, QStringLiteral("account"),
                                         QStringLiteral("cloud"), QStringLiteral("10000"), name);
}

class FilterSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        controller.setControls(&statusPopup, &sprintPopup, &onlyMine);
        controller.awakeFromNib();
        controller.setIssuePropertyChangedBlock(
            [this](const std::shared_ptr<IssueFilter>& filter) { reported.append(filter->name()); });
    }

    QComboBox statusPopup;
    QComboBox sprintPopup;
    QCheckBox onlyMine;
    FilterSettingsUIController controller;
    QStringList reported;
};

} // namespace

TEST_F(FilterSettingsTest, PopUpsHoldTheConditionsWithTheirRawValues) {
    ASSERT_EQ(statusPopup.count(), 4);
    const QStringList statusTitles{"All", "ToDo", "In Progress", "ToDo or in Progress"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(statusPopup.itemText(i), statusTitles.at(i));
        EXPECT_EQ(ZRPopUpButton::itemTag(&statusPopup, i), i);
        EXPECT_EQ(ZRPopUpButton::itemRepresentedObject(&statusPopup, i), QVariant(i));
    }
    ASSERT_EQ(sprintPopup.count(), 3);
    const QStringList sprintTitles{"All", "Future", "Open"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sprintPopup.itemText(i), sprintTitles.at(i));
        EXPECT_EQ(ZRPopUpButton::itemTag(&sprintPopup, i), i);
        EXPECT_EQ(ZRPopUpButton::itemRepresentedObject(&sprintPopup, i), QVariant(i));
    }
    // Nothing to edit yet.
    EXPECT_FALSE(statusPopup.isEnabled());
    EXPECT_EQ(statusPopup.currentIndex(), -1);
}

TEST_F(FilterSettingsTest, EachChangedConditionIsReportedOnceForTheEditedFilterOnly) {
    const std::shared_ptr<IssueFilter> first = makeFilter(QStringLiteral("first"));
    const std::shared_ptr<IssueFilter> second = makeFilter(QStringLiteral("second"));
    first->setSprintFilter(2);
    controller.setIssueFilter(first);
    EXPECT_EQ(ZRPopUpButton::selectedTag(&sprintPopup), 2);
    EXPECT_TRUE(statusPopup.isEnabled());

    first->setSprintFilter(1);
    EXPECT_EQ(reported, QStringList{"first"});
    EXPECT_EQ(ZRPopUpButton::selectedTag(&sprintPopup), 1);

    // The user's choice in a pop-up and a click on the check box change the shared filter.
    statusPopup.setCurrentIndex(3);
    Q_EMIT statusPopup.activated(3);
    EXPECT_EQ(first->issueFilter(), 3);
    onlyMine.click();
    EXPECT_TRUE(first->showOnlyMyIssues());
    EXPECT_EQ(reported, (QStringList{"first", "first", "first"}));

    controller.setIssueFilter(second);
    reported.clear();
    first->setIssueFilter(1);
    EXPECT_TRUE(reported.isEmpty());
    EXPECT_EQ(ZRPopUpButton::selectedTag(&statusPopup), 0);
    second->setShowOnlyMyIssues(true);
    EXPECT_EQ(reported, QStringList{"second"});

    controller.setIssueFilter(nullptr);
    reported.clear();
    second->setSprintFilter(2);
    first->setSprintFilter(2);
    EXPECT_TRUE(reported.isEmpty());
    EXPECT_FALSE(sprintPopup.isEnabled());
}

TEST_F(FilterSettingsTest, EditorOpensWithTheExampleConditionAndHandsOnItsResult) {
    QMainWindow window;
    window.show();
    int calls = 0;
    controller.showPredicateEditor(&window,
                                   [&calls](const std::optional<Platform::Predicate>&, bool) { ++calls; });
    EXPECT_EQ(controller.predicateEditor(), nullptr);

    const std::shared_ptr<IssueFilter> filter = makeFilter(QStringLiteral("f"));
    controller.setIssueFilter(filter);
    std::optional<Platform::Predicate> received;
    bool deleted = true;
    controller.showPredicateEditor(&window,
                                   [&](const std::optional<Platform::Predicate>& predicate, bool wasDeleted) {
                                       ++calls;
                                       received = predicate;
                                       deleted = wasDeleted;
                                   });
    PredicateEditorWindowController* editor = controller.predicateEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->predicate());
    EXPECT_EQ(editor->predicate()->format(), QStringLiteral("summary == \"My Issue\""));
    EXPECT_TRUE(editor->predicate()->isCompound());
    EXPECT_FALSE(editor->predicateEditor()->isReadOnly());
    EXPECT_EQ(editor->predicateEditor()->rowViews().size(), 2);

    editor->okButtonAction();
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->format(), QStringLiteral("summary == \"My Issue\""));
    EXPECT_FALSE(deleted);
    EXPECT_EQ(controller.predicateEditor(), nullptr);

    // A filter with a condition opens on it.
    filter->setPredicate(Platform::Predicate::fromFormat(u"key BEGINSWITH[cd] \"ABC\""));
    controller.showPredicateEditor(&window,
                                   [&calls](const std::optional<Platform::Predicate>&, bool) { ++calls; });
    ASSERT_NE(controller.predicateEditor(), nullptr);
    EXPECT_EQ(controller.predicateEditor()->predicate()->format(),
              QStringLiteral("key BEGINSWITH[cd] \"ABC\""));
    controller.predicateEditor()->cancelButtonAction();
    EXPECT_EQ(calls, 2);
}
