#include "Preferences/PreferencesWindowController.h"
#include "Preferences/GeneralPreferenceViewController.h"

#include "Platform/UserDefaults.h"
#include "TestUtils.h"
#include "UserDefaultsKeys.h"
#include "ZRKit/UI/ZRMenu.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRToolbar.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Calls = QStringList;

/*! A pane of a fixed height that records what the window asks of it. */
class RecordingPane : public PreferenceViewController {
public:
    RecordingPane(PreferenceViewControllerTag tag, int height, Calls* calls)
        : m_tag(tag)
        , m_height(height)
        , m_calls(calls) {}

    bool allowsHiding = true;

    PreferenceViewControllerTag tag() const override { return m_tag; }
    QString imageName() const override { return QStringLiteral("Preferences_General"); }
    QString toolTip() const override { return QStringLiteral("tip ") + identifier(); }
    QSize sizeHint() const override { return QSize(300, m_height); }

    bool shouldHideViewInPreferencesPanel() override {
        m_calls->append(QStringLiteral("shouldHide ") + identifier());
        return allowsHiding;
    }
    void willShowViewInPreferencesPanel() override {
        m_calls->append(QStringLiteral("willShow ") + identifier());
    }
    void willHideViewInPreferencesPanel() override {
        m_calls->append(QStringLiteral("willHide ") + identifier());
    }

protected:
    void awakeFromNib() override {
        PreferenceViewController::awakeFromNib();
        setTitle(identifier().toUpper());
    }

private:
    PreferenceViewControllerTag m_tag;
    int m_height;
    Calls* m_calls;
};

void storeSelectedTab(const QVariant& value) {
    UserDefaultsKeys::set(value, UserDefaultsKeys::Key::selectedPreferencesTab);
}

qint64 storedSelectedTab() {
    return UserDefaultsKeys::integer(UserDefaultsKeys::Key::selectedPreferencesTab);
}

class PreferencesWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        general = new RecordingPane(PreferenceViewControllerTag::general, 150, &calls);
        projects = new RecordingPane(PreferenceViewControllerTag::projects, 320, &calls);
        controller = std::make_unique<PreferencesWindowController>(general, projects);
    }

    QAction* item(const QString& identifier) const {
        return ZRToolbar::itemWithIdentifier(controller->toolbar(), identifier);
    }

    void click(const QString& identifier) const { item(identifier)->trigger(); }

    QString selectedIdentifier() const { return ZRToolbar::selectedItemIdentifier(controller->toolbar()); }

    QStringList checkedItems() const {
        QStringList checked;
        for (QAction* action : controller->toolbar()->actions()) {
            if (action->isChecked())
                checked.append(action->objectName());
        }
        return checked;
    }

    Calls calls;
    RecordingPane* general = nullptr;
    RecordingPane* projects = nullptr;
    std::unique_ptr<PreferencesWindowController> controller;
};

} // namespace

TEST_F(PreferencesWindowTest, ToolbarHasOneTabPerPaneWithItsTagTitleAndToolTip) {
    controller->window();
    ASSERT_NE(controller->toolbar(), nullptr);
    EXPECT_EQ(controller->toolbar()->objectName(), QStringLiteral("PreferencesToolBar"));
    EXPECT_EQ(controller->toolbarDefaultItemIdentifiers(), (QStringList{"general", "projects"}));
    ASSERT_EQ(controller->toolbar()->actions().size(), 2);
    QAction* projectsItem = item(QStringLiteral("projects"));
    ASSERT_NE(projectsItem, nullptr);
    EXPECT_EQ(ZRTargetAction::tag(projectsItem), 1);
    EXPECT_EQ(projectsItem->text(), QStringLiteral("PROJECTS"));
    EXPECT_EQ(projectsItem->toolTip(), QStringLiteral("tip projects"));
    EXPECT_EQ(ZRTargetAction::target(projectsItem), controller.get());
    EXPECT_EQ(controller->toolbarItemForItemIdentifier(QStringLiteral("other")), nullptr);
}

TEST_F(PreferencesWindowTest, StoredTabOneOpensProjects) {
    storeSelectedTab(1);
    controller->window();
    EXPECT_EQ(controller->currentViewController(), projects);
    EXPECT_EQ(selectedIdentifier(), QStringLiteral("projects"));
    EXPECT_EQ(checkedItems(), QStringList{"projects"});
    EXPECT_EQ(calls, (Calls{"willShow projects"}));
}

TEST_F(PreferencesWindowTest, StoredTabZeroOrNoneOpensGeneral) {
    for (const QVariant& stored : {QVariant(0), QVariant()}) {
        storeSelectedTab(stored);
        Calls ownCalls;
        auto* ownGeneral = new RecordingPane(PreferenceViewControllerTag::general, 150, &ownCalls);
        auto* ownProjects = new RecordingPane(PreferenceViewControllerTag::projects, 320, &ownCalls);
        PreferencesWindowController own(ownGeneral, ownProjects);
        own.window();
        EXPECT_EQ(own.currentViewController(), ownGeneral);
        EXPECT_EQ(ZRToolbar::selectedItemIdentifier(own.toolbar()), QStringLiteral("general"));
    }
}

TEST_F(PreferencesWindowTest, StoredTabTwoOpensNoPaneAndSelectsNothing) {
    storeSelectedTab(2);
    controller->window();
    EXPECT_EQ(controller->currentViewController(), nullptr);
    EXPECT_TRUE(selectedIdentifier().isEmpty());
    EXPECT_TRUE(checkedItems().isEmpty());
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(storedSelectedTab(), 2);
    EXPECT_TRUE(controller->windowShouldClose());
}

TEST_F(PreferencesWindowTest, TabSwitchHidesBeforeShowingStoresTheTabAndKeepsTheWidth) {
    storeSelectedTab(0);
    controller->showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    const int width = controller->window()->width();
    const int barsHeight = controller->window()->height() - general->height();
    calls.clear();

    click(QStringLiteral("projects"));

    EXPECT_EQ(calls, (Calls{"shouldHide general", "willHide general", "willShow projects"}));
    EXPECT_EQ(storedSelectedTab(), 1);
    EXPECT_EQ(controller->currentViewController(), projects);
    EXPECT_EQ(checkedItems(), QStringList{"projects"});
    EXPECT_EQ(projects->width(), general->width());
    // The window grows to the new pane's height (animated) and keeps its width.
    EXPECT_TRUE(TestUtils::waitUntil([&] { return controller->window()->height() == 320 + barsHeight; }))
        << controller->window()->height();
    EXPECT_EQ(controller->window()->width(), width);
    EXPECT_TRUE(general->isHidden());
    EXPECT_EQ(general->parent(), controller->window());
}

TEST_F(PreferencesWindowTest, ClickOnTheShownTabRunsTheSwitchAgain) {
    storeSelectedTab(1);
    controller->window();
    calls.clear();
    click(QStringLiteral("projects"));
    EXPECT_EQ(calls, (Calls{"shouldHide projects", "willHide projects", "willShow projects"}));
    EXPECT_EQ(controller->currentViewController(), projects);
}

TEST_F(PreferencesWindowTest, RefusingPaneKeepsItsTabAndTheWindowOpen) {
    storeSelectedTab(0);
    controller->showWindow();
    general->allowsHiding = false;
    calls.clear();

    click(QStringLiteral("projects"));
    EXPECT_EQ(calls, (Calls{"shouldHide general"}));
    EXPECT_EQ(controller->currentViewController(), general);
    EXPECT_EQ(selectedIdentifier(), QStringLiteral("general"));
    EXPECT_EQ(checkedItems(), QStringList{"general"});
    EXPECT_EQ(storedSelectedTab(), 0);

    EXPECT_FALSE(controller->window()->close());
    EXPECT_TRUE(controller->window()->isVisible());
    general->allowsHiding = true;
    EXPECT_TRUE(controller->window()->close());
}

TEST_F(PreferencesWindowTest, SenderWithAnotherTagIsIgnored) {
    storeSelectedTab(0);
    controller->window();
    calls.clear();
    QAction stray;
    ZRTargetAction::setTag(&stray, 7);
    controller->toolbarIconClicked(&stray);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(controller->currentViewController(), general);
}

namespace {

QList<int> tags(const QComboBox* popUp) {
    QList<int> result;
    for (int i = 0; i < popUp->count(); ++i)
        result.append(ZRPopUpButton::itemTag(popUp, i));
    return result;
}

} // namespace

TEST(GeneralPreferenceViewControllerTest, PopUpsHoldTheCasesAndKeepTheStoredValueWhenRebuilt) {
    UserDefaultsKeys::registerStandardDefaults();
    UserDefaultsKeys::set(qint64(120), UserDefaultsKeys::Key::updateIssuesIntervalMinutes);
    GeneralPreferenceViewController pane;
    pane.awake();
    EXPECT_EQ(pane.identifier(), QStringLiteral("general"));
    EXPECT_EQ(pane.title(), QStringLiteral("General"));
    EXPECT_EQ(pane.toolTip(), QStringLiteral("Set General Preferences"));
    EXPECT_EQ(pane.imageName(), QStringLiteral("Preferences_General"));

    QComboBox* interval = pane.updateIntervalPopup();
    QComboBox* order = pane.orderIssuesPopup();
    EXPECT_EQ(tags(interval), (QList<int>{5, 15, 30, 60, 120, 360, 720}));
    EXPECT_EQ(interval->itemText(0), QStringLiteral("Every 5 minutes"));
    EXPECT_EQ(interval->itemText(5), QStringLiteral("Every 6 hours"));
    EXPECT_TRUE(interval->toolTip().contains("next start")) << "a new interval waits for the next launch";
    EXPECT_EQ(tags(order), (QList<int>{0, 1}));
    EXPECT_EQ(order->itemText(1), QStringLiteral("By Status"));
    EXPECT_EQ(ZRPopUpButton::selectedTag(interval), 120);
    EXPECT_EQ(ZRPopUpButton::selectedTag(order), 0);

    pane.updateUpdateIntervalPopup();
    pane.updateOrderIssuesPopup();
    EXPECT_EQ(interval->count(), 7);
    EXPECT_EQ(ZRPopUpButton::selectedTag(interval), 120);
    EXPECT_EQ(UserDefaultsKeys::integer(UserDefaultsKeys::Key::updateIssuesIntervalMinutes), 120);

    // The user's choice is what writes the default.
    order->setCurrentIndex(1);
    Q_EMIT order->activated(1);
    EXPECT_EQ(UserDefaultsKeys::integer(UserDefaultsKeys::Key::orderIssuesType), 1);
    pane.updateOrderIssuesPopup();
    EXPECT_EQ(ZRPopUpButton::selectedTag(order), 1);
}
