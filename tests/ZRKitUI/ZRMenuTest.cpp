#include "ZRKit/UI/ZRMenu.h"
#include "ZRKit/UI/ZRProgressIndicator.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRToolbar.h"
#include "ZRKit/UI/ZRToolbarItem.h"
#include "ZRKit/UI/ZRValidator.h"
#include "ZRKit/UI/ZRView.h"
#include "ZRKit/UI/ZRViewController.h"

#include "Platform/SystemLog.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QThread>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

/*! A controller as the windows have them: actions, and validators for some of them. */
class Controller : public QObject {
    Q_OBJECT

public:
    QList<QObject*> senders;
    bool allowDelete = false;
    int plainCalls = 0;

public Q_SLOTS:
    void openIssue(QObject* sender) { senders.append(sender); }
    void refresh() { ++plainCalls; }
    void deleteIssue(QAction* sender) { senders.append(sender); }

    bool validateMenuItem(QAction* item) {
        return ZRMenuItemValidator::validateMenuItemWithTarget(item, this);
    }
    bool validateDeleteIssue(QAction*) { return allowDelete; }
    bool validateToolbarButtonRefresh(QAbstractButton*) { return allowDelete; }
    bool validateToolbarSegmentedControlSwitchMode(QTabBar*) { return false; }
    bool validateToolbarButtonReload(ZRToolbarItem*) { return false; }
};

/*! A target without any validation method. */
class PlainTarget : public QObject {
    Q_OBJECT

public Q_SLOTS:
    void openIssue() {}
    void deleteIssue() {}
};

/*! A tool bar delegate that answers for items whose buttons have no target. */
class ToolbarDelegate : public QObject {
    Q_OBJECT

public:
    bool enabled = true;
    int reloads = 0;

public Q_SLOTS:
    void reload() { ++reloads; }
    bool validateZRToolbarItem(ZRToolbarItem*) { return enabled; }
};

TEST(ZRMenuTest, AddingAndFindingItems) {
    QMenu menu;
    EXPECT_EQ(ZRMenu::lastItem(&menu), nullptr);
    Controller controller;
    QAction* settings = ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(
        &menu, QStringLiteral("Settings…"), "openIssue", QStringLiteral(","), 12, &controller, 2);
    EXPECT_EQ(ZRMenu::lastItem(&menu), settings);
    EXPECT_EQ(ZRTargetAction::tag(settings), 12);
    EXPECT_EQ(ZRTargetAction::target(settings), &controller);
    EXPECT_EQ(settings->property("indentationLevel").toInt(), 2);
    EXPECT_EQ(settings->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(ZRMenu::keySequenceForKeyEquivalent(QStringLiteral("Q")),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));
    EXPECT_EQ(ZRMenu::keySequenceForKeyEquivalent(QString()), QKeySequence());

    settings->trigger();
    ASSERT_EQ(controller.senders.size(), 1);
    EXPECT_EQ(controller.senders.first(), settings);
}

TEST(ZRMenuTest, UniqueTitlesGrowByBlanks) {
    QMenu menu;
    ZRMenu::addItemWithUniqueTitleActionKeyEquivalent(&menu, QStringLiteral("PROJ"), {}, {});
    QAction* second =
        ZRMenu::addItemWithUniqueTitleActionKeyEquivalent(&menu, QStringLiteral("PROJ"), {}, {});
    EXPECT_EQ(second->text(), QStringLiteral("PROJ "));
    QAction* third =
        ZRMenu::addItemWithUniqueTitleActionKeyEquivalent(&menu, QStringLiteral("PROJ "), {}, {});
    EXPECT_EQ(third->text(), QStringLiteral("PROJ  "));
    QAction* fresh =
        ZRMenu::addItemWithUniqueTitleActionKeyEquivalent(&menu, QStringLiteral("Other"), {}, {});
    EXPECT_EQ(fresh->text(), QStringLiteral("Other"));
    EXPECT_EQ(menu.actions().size(), 4);
}

TEST(ZRMenuTest, RemovingAndDeepSearch) {
    QMenu menu;
    Controller one, two;
    ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(&menu, QStringLiteral("A"),
                                                                         "openIssue", {}, 0, &one, 0);
    QAction* b = ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(
        &menu, QStringLiteral("B"), "openIssue", {}, 0, &two, 0);
    ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(&menu, QStringLiteral("C"),
                                                                         "refresh", {}, 0, &two, 0);

    Platform::SystemLog::Capture log;
    ZRMenu::removeItemsWithTargetActions(&menu, &two, {"openIssue", "deleteIssue"});
    EXPECT_EQ(menu.actions().size(), 2);
    EXPECT_FALSE(menu.actions().contains(b));
    EXPECT_TRUE(log.contains(QStringLiteral("could not find menu item with action: deleteIssue")));
    ZRMenu::removeItemsWithActions(&menu, {"refresh"});
    ASSERT_EQ(menu.actions().size(), 1);
    EXPECT_EQ(menu.actions().first()->text(), QStringLiteral("A"));

    // A submenu is searched before a later top-level item with the same action.
    QMenu tree;
    QMenu* submenu = tree.addMenu(QStringLiteral("More"));
    QAction* nested =
        ZRMenu::addItemWithTitleActionKeyEquivalent(submenu, QStringLiteral("Nested"), "refresh", {});
    ZRMenu::addItemWithTitleActionKeyEquivalent(&tree, QStringLiteral("Top"), "refresh", {});
    EXPECT_EQ(ZRMenu::itemWithActionDeep(&tree, "refresh"), nested);
    EXPECT_EQ(ZRMenu::itemWithActionDeep(&tree, "missing"), nullptr);
}

TEST(ZRMenuTest, ValidatorsDisableItemsAndAMissingValidatorLeavesThemEnabled) {
    EXPECT_EQ(ZRAbstractValidator::validationSelector("validate", "openIssue"),
              QByteArray("validateOpenIssue"));
    QMenu menu;
    ZRTargetAction::setAutoenablesItems(&menu);
    Controller controller;
    QAction* open = ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(
        &menu, QStringLiteral("Open"), "openIssue", {}, 0, &controller, 0);
    QAction* remove = ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(
        &menu, QStringLiteral("Delete"), "deleteIssue", {}, 0, &controller, 0);
    QAction* unknown = ZRMenu::addItemWithTitleActionKeyEquivalentTagTargetIndentationLevel(
        &menu, QStringLiteral("Nothing"), "noSuchAction", {}, 0, &controller, 0);
    QAction* plainItem = menu.addAction(QStringLiteral("No action"));
    plainItem->setEnabled(false);

    emit menu.aboutToShow();
    EXPECT_TRUE(open->isEnabled());       // no validateOpenIssue: enabled
    EXPECT_FALSE(remove->isEnabled());    // validateDeleteIssue says no
    EXPECT_FALSE(unknown->isEnabled());   // the target cannot perform it
    EXPECT_FALSE(plainItem->isEnabled()); // untouched
    controller.allowDelete = true;
    emit menu.aboutToShow();
    EXPECT_TRUE(remove->isEnabled());

    // A target without any validation method leaves every item it can perform enabled.
    PlainTarget plain;
    ZRTargetAction::setTarget(open, &plain);
    ZRTargetAction::setTarget(remove, &plain);
    open->setEnabled(false);
    remove->setEnabled(false);
    emit menu.aboutToShow();
    EXPECT_TRUE(open->isEnabled());
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_TRUE(ZRMenuItemValidator::validateMenuItemWithTarget(remove, &plain));
    EXPECT_TRUE(ZRMenuItemValidator::validateMenuItemWithTarget(remove, nullptr));
}

TEST(ZRMenuTest, TargetActionOnButtonsAndPopUps) {
    Controller controller;
    QPushButton button;
    ZRTargetAction::setTarget(&button, &controller);
    ZRTargetAction::setAction(&button, "refresh");
    button.click();
    EXPECT_EQ(controller.plainCalls, 1);

    // An action whose parameter the sender cannot be passed as is not called.
    ZRTargetAction::setAction(&button, "deleteIssue");
    EXPECT_FALSE(ZRTargetAction::sendAction(&button));
    EXPECT_TRUE(controller.senders.isEmpty());
    ZRTargetAction::setTarget(&button, nullptr);
    EXPECT_FALSE(ZRTargetAction::sendAction(&button));

    QComboBox popUp;
    popUp.addItems({QStringLiteral("All"), QStringLiteral("To Do"), QStringLiteral("Done")});
    for (int i = 0; i < 3; ++i)
        ZRPopUpButton::setItemRepresentedObject(&popUp, i, i * 10);
    ZRPopUpButton::selectItemRepresentingObject(&popUp, 20);
    EXPECT_EQ(popUp.currentIndex(), 2);
    ZRPopUpButton::selectItemRepresentingObject(&popUp, 99);
    EXPECT_EQ(popUp.currentIndex(), -1);
    EXPECT_EQ(ZRPopUpButton::lastItem(&popUp), 2);
    QComboBox empty;
    EXPECT_EQ(ZRPopUpButton::lastItem(&empty), -1);
}

TEST(ZRMenuTest, TargetActionAndTagLeaveTheItemsOwnPropertiesAlone) {
    Controller controller;
    QPushButton button;
    QAction item(QStringLiteral("Item"));
    QToolBar toolbar;
    for (QObject* object : std::initializer_list<QObject*>{&button, &item}) {
        ZRTargetAction::setTag(object, 7);
        ZRTargetAction::setTarget(object, &controller);
        ZRTargetAction::setAction(object, "refresh");
        EXPECT_TRUE(object->dynamicPropertyNames().isEmpty());
        EXPECT_EQ(ZRTargetAction::tag(object), 7);
        EXPECT_EQ(ZRTargetAction::target(object), &controller);
    }
    ZRToolbar::setDelegate(&toolbar, &controller);
    ZRToolbar::setSelectedItemIdentifier(&toolbar, QStringLiteral("general"));
    EXPECT_TRUE(toolbar.dynamicPropertyNames().isEmpty());
    EXPECT_EQ(ZRToolbar::delegate(&toolbar), &controller);

    // A target that goes away is no target; an item that has none of these answers the defaults.
    {
        Controller shortLived;
        ZRTargetAction::setTarget(&button, &shortLived);
    }
    EXPECT_EQ(ZRTargetAction::target(&button), nullptr);
    QPushButton plain;
    EXPECT_EQ(ZRTargetAction::tag(&plain), 0);
    EXPECT_TRUE(ZRTargetAction::action(&plain).isEmpty());
    EXPECT_TRUE(ZRView::subviews(&button).isEmpty());
}

TEST(ZRToolbarTest, ItemsByIdentifierAndTag) {
    QToolBar toolbar;
    QAction* general = toolbar.addAction(QStringLiteral("General"));
    general->setObjectName(QStringLiteral("general"));
    general->setCheckable(true);
    QAction* projects = toolbar.addAction(QStringLiteral("Projects"));
    projects->setObjectName(QStringLiteral("projects"));
    projects->setCheckable(true);
    ZRTargetAction::setTag(projects, 2);

    EXPECT_EQ(ZRToolbar::itemWithIdentifier(&toolbar, QStringLiteral("projects")), projects);
    EXPECT_EQ(ZRToolbar::itemWithIdentifier(&toolbar, QStringLiteral("other")), nullptr);
    EXPECT_TRUE(ZRToolbar::selectItemWithTag(&toolbar, 2));
    EXPECT_EQ(ZRToolbar::selectedItemIdentifier(&toolbar), QStringLiteral("projects"));
    EXPECT_TRUE(projects->isChecked());
    EXPECT_FALSE(ZRToolbar::selectItemWithTag(&toolbar, 5));
    EXPECT_EQ(ZRToolbar::selectedItemIdentifier(&toolbar), QStringLiteral("projects"));
}

TEST(ZRToolbarTest, ToolbarItemValidation) {
    QToolBar toolbar;
    Controller controller;

    auto* buttonItem = new ZRToolbarItem(QStringLiteral("refresh"), &toolbar);
    auto* button = new QPushButton(QStringLiteral("Refresh"));
    ZRTargetAction::setTarget(button, &controller);
    ZRTargetAction::setAction(button, "refresh");
    buttonItem->setView(button);
    toolbar.addAction(buttonItem);
    EXPECT_FALSE(ZRToolbarItemValidator::validateToolbarItem(buttonItem));
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(buttonItem->isEnabled());
    controller.allowDelete = true;
    EXPECT_TRUE(ZRToolbarItemValidator::validateToolbarItem(buttonItem));
    EXPECT_TRUE(button->isEnabled());
    ZRTargetAction::setTag(button, ZRViewController::ToolbarProgressTag);
    EXPECT_FALSE(ZRToolbarItemValidator::validateToolbarItem(buttonItem));

    auto* segmentItem = new ZRToolbarItem(QStringLiteral("mode"), &toolbar);
    auto* container = new QWidget;
    auto* segments = new QTabBar(container);
    ZRTargetAction::setTarget(segments, &controller);
    ZRTargetAction::setAction(segments, "switchMode");
    segmentItem->setView(container);
    EXPECT_FALSE(ZRToolbarItemValidator::validateToolbarItem(segmentItem));
    EXPECT_FALSE(segments->isEnabled());

    auto* bordered = new ZRToolbarItem(QStringLiteral("reload"), &toolbar);
    bordered->setBordered(true);
    ZRTargetAction::setTarget(bordered, &controller);
    ZRTargetAction::setAction(bordered, "reload");
    EXPECT_FALSE(ZRToolbarItemValidator::validateToolbarItem(bordered));
    EXPECT_FALSE(bordered->isEnabled());

    auto* plain = new ZRToolbarItem(QStringLiteral("space"), &toolbar);
    plain->setEnabled(false);
    EXPECT_TRUE(ZRToolbarItemValidator::validateToolbarItem(plain));
    EXPECT_FALSE(plain->isEnabled());
}

TEST(ZRToolbarTest, DelegateTargetsBorderingAndProgress) {
    QToolBar toolbar;
    ToolbarDelegate delegate;
    ZRToolbar::setDelegate(&toolbar, &delegate);

    auto* item = new ZRToolbarItem(QStringLiteral("reload"), &toolbar);
    auto* container = new QWidget;
    auto* layout = new QHBoxLayout(container);
    auto* button = new QToolButton;
    button->setIcon(QIcon(QPixmap(8, 8)));
    layout->addWidget(button);
    ZRTargetAction::setAction(button, "reload");
    item->setView(container);
    toolbar.addAction(item);
    toolbar.addAction(QStringLiteral("after"));

    QObject* target = nullptr;
    EXPECT_EQ(item->getButtonAndTarget(&target), button);
    EXPECT_EQ(target, &delegate);
    delegate.enabled = false;
    item->validate();
    EXPECT_FALSE(item->isEnabled());
    delegate.enabled = true;
    item->validate();
    EXPECT_TRUE(item->isEnabled());

    std::unique_ptr<QAction> overflow(item->menuFormRepresentation());
    EXPECT_EQ(ZRTargetAction::target(overflow.get()), &delegate);
    overflow->trigger();
    EXPECT_EQ(delegate.reloads, 1);

    // Tool buttons are excepted; a push button is not.
    item->setToolbarBorderedExceptForButtonClasses({&QToolButton::staticMetaObject});
    EXPECT_EQ(item->view(), container);
    item->setToolbarBorderedExceptForButtonClasses({&QPushButton::staticMetaObject});
    EXPECT_TRUE(item->isBordered());
    EXPECT_EQ(item->view(), nullptr);
    EXPECT_EQ(ZRTargetAction::action(item), QByteArray("reload"));
    EXPECT_EQ(ZRTargetAction::target(item), &delegate);
    EXPECT_FALSE(item->image().isNull());
    EXPECT_TRUE(qobject_cast<QToolButton*>(toolbar.widgetForAction(item)));
    EXPECT_EQ(toolbar.actions().indexOf(item), 0); // back in its place

    ZRProgressIndicator* indicator = ZRViewController::showProgressOnToolbarItem(item);
    ASSERT_NE(indicator, nullptr);
    EXPECT_EQ(item->view(), indicator);
    EXPECT_EQ(toolbar.widgetForAction(item), indicator);
    ZRViewController::removeProgressFromToolbarItemImageTargetAction(item, QIcon(), &delegate, "reload");
    EXPECT_EQ(item->view(), nullptr);
    EXPECT_TRUE(item->isBordered());

    ZRToolbarItem unbordered(QStringLiteral("x"));
    EXPECT_EQ(ZRViewController::showProgressOnToolbarItem(&unbordered), nullptr);
}

TEST(ZRMenuDeathTest, ChangesFromAnotherThreadStopTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto offMainThread = [](const std::function<void()>& change) {
        QThread* thread = QThread::create(change);
        thread->start();
        thread->wait();
    };
    QMenu menu;
    QComboBox popUp;
    popUp.addItem(QStringLiteral("One"));
    QToolBar toolbar;
    QWidget view;
    auto* subview = new QWidget(&view);
    EXPECT_DEATH(offMainThread([&] { ZRTargetAction::setAutoenablesItems(&menu); }),
                 "must be called on main thread");
    EXPECT_DEATH(offMainThread([&] { ZRTargetAction::setTag(menu.menuAction(), 3); }),
                 "must be called on main thread");
    EXPECT_DEATH(offMainThread([&] { ZRPopUpButton::setItemTag(&popUp, 0, 3); }),
                 "must be called on main thread");
    EXPECT_DEATH(offMainThread([&] { ZRToolbar::setSelectedItemIdentifier(&toolbar, QStringLiteral("a")); }),
                 "must be called on main thread");
    EXPECT_DEATH(offMainThread([&] { ZRView::centerInSuperviewFrame(subview); }),
                 "must be called on main thread");
}

#include "ZRMenuTest.moc"
