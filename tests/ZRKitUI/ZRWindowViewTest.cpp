#include "ZRKit/UI/ZRProgressIndicator.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRToolbarItem.h"
#include "ZRKit/UI/ZRValidator.h"
#include "ZRKit/UI/ZRView.h"
#include "ZRKit/UI/ZRViewController.h"
#include "ZRKit/UI/ZRWindow.h"

#include "Platform/SystemLog.h"
#include "TestUtils.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

QWidget* pane(int width, int height) {
    auto* widget = new QWidget;
    widget->resize(width, height);
    return widget;
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(ZRWindowTest, SwappingPanesBackAndForthKeepsGeometryAndBothPanes) {
    QMainWindow window;
    QPointer<QWidget> first = pane(400, 300);
    QPointer<QWidget> second = pane(301, 150); // an odd width difference: half points must not drift
    window.setCentralWidget(first);
    window.setGeometry(100, 200, 400, 300);
    window.show();
    const QRect initial = window.geometry();

    ZRWindow::changeContentViewToViewDisplayAnimate(&window, second, true, false);
    const QRect secondGeometry = window.geometry();
    EXPECT_EQ(secondGeometry.top(), initial.top());
    EXPECT_EQ(secondGeometry.size(), QSize(301, 150));
    EXPECT_NEAR(secondGeometry.x() + secondGeometry.width() / 2.0, initial.x() + initial.width() / 2.0, 0.5);

    for (int round = 0; round < 5; ++round) {
        ZRWindow::changeContentViewToViewDisplayAnimate(&window, first, true, false);
        EXPECT_EQ(window.geometry(), initial) << round;
        EXPECT_EQ(first->size(), QSize(400, 300));
        ZRWindow::changeContentViewToViewDisplayAnimate(&window, second, false, false);
        EXPECT_EQ(window.geometry(), secondGeometry) << round;
        EXPECT_EQ(second->size(), QSize(301, 150));
    }
    flushDeletes();
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(window.centralWidget(), second.data());
    EXPECT_TRUE(first->isHidden());
    EXPECT_EQ(first->parentWidget(), &window); // deleted with the window, never before
}

TEST(ZRWindowTest, TheTopEdgeStaysAndToolBarsKeepTheirHeight) {
    QMainWindow plain;
    plain.setCentralWidget(pane(500, 400));
    plain.setGeometry(50, 80, 500, 400);
    plain.show();
    EXPECT_EQ(ZRWindow::toolbarHeight(&plain), 0.0f);
    ZRWindow::changeContentViewToViewDisplayAnimate(&plain, pane(500, 300), false, false);
    EXPECT_EQ(plain.geometry(), QRect(50, 80, 500, 300)); // 100 lower, top edge kept

    QMainWindow withBar;
    QToolBar* bar = withBar.addToolBar(QStringLiteral("Panes"));
    bar->addAction(QStringLiteral("General"));
    withBar.setCentralWidget(pane(500, 400));
    withBar.setGeometry(50, 80, 500, 460);
    withBar.show();
    const float barHeight = ZRWindow::toolbarHeight(&withBar);
    EXPECT_GT(barHeight, 0.0f);
    EXPECT_EQ(barHeight, withBar.height() - withBar.centralWidget()->height());
    QWidget* next = pane(500, 250);
    ZRWindow::changeContentViewToViewDisplayAnimate(&withBar, next, false, false);
    EXPECT_EQ(withBar.geometry().top(), 80);
    EXPECT_EQ(withBar.height(), 250 + static_cast<int>(barHeight));
    EXPECT_EQ(next->height(), 250);

    // Without a content view the bars are still all that the height adds.
    QMainWindow empty;
    empty.addToolBar(QStringLiteral("Panes"))->addAction(QStringLiteral("General"));
    empty.setGeometry(50, 80, 500, 460);
    empty.show();
    EXPECT_EQ(ZRWindow::toolbarHeight(&empty), static_cast<float>(empty.findChild<QToolBar*>()->height()));
}

TEST(ZRWindowTest, AnimatedSwapsEndAtTheSameGeometry) {
    QMainWindow window;
    window.setCentralWidget(pane(300, 200));
    window.setGeometry(40, 60, 300, 200);
    window.show();
    ZRWindow::changeContentViewToViewDisplayAnimate(&window, pane(200, 100), true, true);
    EXPECT_TRUE(TestUtils::waitUntil([&] { return window.geometry() == QRect(90, 60, 200, 100); }, 3000));
}

TEST(ZRWindowTest, ShakingEndsWhereItStarted) {
    QWidget window;
    window.setGeometry(300, 300, 200, 100);
    window.show();
    const QPoint start = window.pos();
    ZRWindow::shakeWindow(&window);
    TestUtils::spin(120);
    TestUtils::spin(300);
    EXPECT_EQ(window.pos(), start);
}

TEST(ZRWindowTest, AShakeStartedDuringAnotherStillEndsWhereTheWindowStood) {
    QWidget window;
    window.setGeometry(300, 300, 400, 100); // shakes by 5 px
    window.show();
    const QPoint start = window.pos();
    ZRWindow::shakeWindow(&window);
    ASSERT_TRUE(TestUtils::waitUntil([&] { return window.pos() != start; }, 3000));
    ZRWindow::shakeWindow(&window);
    EXPECT_TRUE(
        TestUtils::waitUntil([&] { return window.findChildren<QPropertyAnimation*>().isEmpty(); }, 5000));
    EXPECT_EQ(window.pos(), start);
}

TEST(ZRViewTest, FillingFollowsEveryResizeWithTheInsets) {
    QWidget container;
    container.resize(200, 100);
    auto* subview = new QWidget;
    ZRView::fillWithSubview(&container, subview);
    container.show();
    EXPECT_EQ(subview->parentWidget(), &container);
    EXPECT_EQ(subview->geometry(), container.rect());
    container.resize(260, 90);
    TestUtils::waitUntil([&] { return subview->geometry() == container.rect(); }, 2000);
    EXPECT_EQ(subview->geometry(), QRect(0, 0, 260, 90));

    // A second subview with insets of its own; top is the visual top.
    auto* framed = new QWidget;
    ZRView::fillWithSubviewWithInsets(&container, framed, {5, 10, 15, 20});
    container.resize(300, 120);
    TestUtils::waitUntil([&] { return framed->geometry().width() == 270; }, 2000);
    EXPECT_EQ(framed->geometry(), QRect(10, 5, 270, 100));
    EXPECT_EQ(subview->geometry(), QRect(0, 0, 300, 120));

    // A view laid out by a layout of another kind still gets a subview that follows its size.
    QWidget laidOut;
    new QVBoxLayout(&laidOut);
    laidOut.resize(120, 80);
    auto* follower = new QWidget;
    ZRView::fillWithSubviewWithInsets(&laidOut, follower, {1, 2, 3, 4});
    laidOut.show();
    laidOut.resize(140, 90);
    TestUtils::waitUntil([&] { return follower->geometry().width() == 134; }, 2000);
    EXPECT_EQ(follower->geometry(), QRect(2, 1, 134, 86));
}

TEST(ZRViewTest, InsetsHoldInsideAScrollArea) {
    // Filling a scroll area itself (as a table's placeholder does) and filling its resizable content.
    QScrollArea scrollArea;
    scrollArea.setWidgetResizable(true);
    auto* content = new QWidget;
    scrollArea.setWidget(content);
    auto* placeholder = new QWidget;
    ZRView::fillWithSubviewWithInsets(&scrollArea, placeholder, {4, 6, 8, 10});
    auto* inner = new QWidget;
    inner->setMinimumSize(50, 40);
    ZRView::fillWithSubviewWithInsets(content, inner, {3, 3, 3, 3});
    scrollArea.resize(300, 200);
    scrollArea.show();

    for (const QSize size : {QSize(300, 200), QSize(420, 260), QSize(180, 150)}) {
        scrollArea.resize(size);
        TestUtils::waitUntil(
            [&] { return placeholder->geometry() == scrollArea.contentsRect().adjusted(6, 4, -10, -8); },
            2000);
        EXPECT_EQ(placeholder->geometry(), scrollArea.contentsRect().adjusted(6, 4, -10, -8));
        TestUtils::waitUntil([&] { return inner->geometry() == content->rect().adjusted(3, 3, -3, -3); },
                             2000);
        EXPECT_EQ(inner->geometry(), content->rect().adjusted(3, 3, -3, -3));
        EXPECT_EQ(content->size(), scrollArea.viewport()->size());
    }
    // The content never gets smaller than the subview's minimum plus the insets: the area scrolls instead.
    scrollArea.resize(40, 30);
    TestUtils::spin(50);
    EXPECT_GE(content->width(), 56);
    EXPECT_GE(content->height(), 46);
}

TEST(ZRViewTest, ASubviewThatCannotBeAddedIsOnlyLogged) {
    QWidget parent;
    auto* child = new QWidget(&parent);
    Platform::SystemLog::Capture log;
    ZRView::fillWithSubview(child, &parent);
    ZRView::fillWithSubview(child, child);
    ZRView::fillWithSubview(child, nullptr);
    EXPECT_EQ(
        log.lines().count(QStringLiteral("fillWithSubview: not calling fillWithSubview to prevent crash")),
        3);
    EXPECT_EQ(parent.parentWidget(), nullptr);
    EXPECT_EQ(child->layout(), nullptr);
}

TEST(ZRViewTest, LookupsWalkTheTreeInOrder) {
    QWidget root;
    auto* a = new QWidget(&root);
    auto* a1 = new QCheckBox(a);
    auto* b = new QPushButton(&root);
    new QWidget(&root, Qt::Window); // a window is not a subview
    EXPECT_EQ(ZRView::allSubviewsDeep(&root), (QList<QWidget*>{a, a1, b}));

    EXPECT_EQ(ZRView::firstSubviewOfClass<QAbstractButton>(&root), nullptr);
    EXPECT_EQ(ZRView::firstSubviewThatIsKindOfClass<QAbstractButton>(&root), b);
    EXPECT_EQ(ZRView::firstSubviewOfClass<QPushButton>(&root), b);
    EXPECT_EQ(ZRView::firstSubviewThatIsKindOfClass<QAbstractButton>(a), a1);
    EXPECT_EQ(ZRView::enclosingViewOfClass<QWidget>(a1), a);
    EXPECT_EQ(ZRView::enclosingViewOfClass<QCheckBox>(a1), nullptr);

    root.resize(100, 100);
    a->setGeometry(10, 10, 20, 20);
    ZRView::centerInSuperviewFrame(a);
    EXPECT_EQ(a->pos(), QPoint(40, 40));
}

TEST(ZRViewTest, OccupiedAreaCountsSubviewsAtZero) {
    QWidget root;
    EXPECT_EQ(ZRView::areaOccupiedBySubviews(&root), QSizeF(0, 0));
    (new QWidget(&root))->setGeometry(0, 0, 10, 10);
    (new QWidget(&root))->setGeometry(20, 30, 10, 10);
    auto* hidden = new QWidget(&root);
    hidden->setGeometry(200, 200, 10, 10);
    hidden->hide();
    EXPECT_EQ(ZRView::areaOccupiedBySubviews(&root), QSizeF(30, 40));
}

TEST(ZRViewTest, TopmostResponderIncludesTheTopEdge) {
    QWidget window;
    window.resize(200, 200);
    auto* top = new QLineEdit(&window);
    top->setGeometry(0, 0, 100, 20); // at the very top of the window
    auto* middle = new QLineEdit(&window);
    middle->setGeometry(0, 80, 100, 20);
    auto* label = new QWidget(&window); // takes no focus
    label->setGeometry(0, 0, 10, 10);
    auto* hidden = new QPushButton(&window);
    hidden->setGeometry(0, 0, 10, 10);
    hidden->hide();
    auto* button = new QPushButton(&window);
    button->setGeometry(0, 180, 100, 20); // flush with the bottom: origin 0

    const QList<const QMetaObject*> edits{&QLineEdit::staticMetaObject};
    EXPECT_EQ(ZRView::topmostResponderWithClasses(&window, edits), top);
    top->hide();
    EXPECT_EQ(ZRView::topmostResponderWithClasses(&window, edits), middle);
    EXPECT_EQ(ZRView::topmostResponderWithClasses(&window, {&QPushButton::staticMetaObject}), button);
    EXPECT_EQ(ZRView::topmostResponderWithClasses(&window, {&QCheckBox::staticMetaObject}), nullptr);
}

TEST(ZRViewTest, RemovingSubviewsTakesThemOutAtOnce) {
    QWidget root;
    QPointer<QWidget> filled = new QWidget;
    ZRView::fillWithSubview(&root, filled);
    QPointer<QWidget> loose = new QWidget(&root);
    ZRView::removeAllSubviews(&root);
    EXPECT_TRUE(ZRView::subviews(&root).isEmpty());
    EXPECT_EQ(root.layout()->count(), 0);
    flushDeletes();
    EXPECT_FALSE(filled);
    EXPECT_FALSE(loose);

    auto* kept = new QWidget;
    ZRView::fillWithSubview(&root, kept);
    ZRView::removeConstraintsWithSuperview(kept);
    EXPECT_EQ(root.layout()->count(), 0);
    EXPECT_EQ(kept->parentWidget(), &root);
    ZRView::removeAllSubviewsWithoutNeedingDisplay(&root);
    EXPECT_TRUE(ZRView::subviews(&root).isEmpty());
}

TEST(ZRViewControllerTest, ProgressStandsInForAToolbarButton) {
    QWidget container;
    auto* layout = new QVBoxLayout(&container);
    auto* button = new QPushButton(QStringLiteral("Update"));
    layout->addWidget(button);
    container.show();
    const QRect place = button->geometry();

    ZRProgressIndicator* indicator = ZRViewController::showProgressOnToolbarView(&container);
    ASSERT_NE(indicator, nullptr);
    EXPECT_TRUE(indicator->isAnimating());
    EXPECT_EQ(indicator->parentWidget(), &container);
    EXPECT_EQ(indicator->geometry().center(), place.center());
    EXPECT_TRUE(button->isHidden());
    EXPECT_EQ(ZRTargetAction::tag(button), ZRViewController::ToolbarProgressTag);

    ZRViewController::removeProgressFromToolbarView(button); // the button itself names the same place
    flushDeletes();
    EXPECT_EQ(ZRView::firstSubviewOfClass<ZRProgressIndicator>(&container), nullptr);
    EXPECT_FALSE(button->isHidden());
    EXPECT_EQ(ZRTargetAction::tag(button), 0);

    QWidget empty;
    EXPECT_EQ(ZRViewController::showProgressOnToolbarView(&empty), nullptr);
}

TEST(ZRViewControllerTest, TheIndicatorFollowsItsButtonWhenTheLayoutMovesIt) {
    QWidget container;
    auto* layout = new QHBoxLayout(&container);
    layout->addStretch();
    auto* button = new QPushButton(QStringLiteral("Update"));
    layout->addWidget(button);
    container.resize(200, 40);
    container.show();
    ZRProgressIndicator* indicator = ZRViewController::showProgressOnToolbarView(button);
    ASSERT_NE(indicator, nullptr);
    const QPoint before = indicator->geometry().center();
    EXPECT_EQ(before, button->geometry().center());

    container.resize(320, 60);
    EXPECT_TRUE(TestUtils::waitUntil(
        [&] { return indicator->geometry().center() == button->geometry().center(); }, 3000));
    EXPECT_NE(indicator->geometry().center(), before);
}

TEST(ZRViewControllerTest, AToolbarButtonIsValidatedAgainWhenTheIndicatorGoes) {
    QToolBar toolbar;
    QObject target;
    auto* item = new ZRToolbarItem(QStringLiteral("refresh"), &toolbar);
    auto* container = new QWidget;
    auto* layout = new QHBoxLayout(container);
    auto* button = new QPushButton(QStringLiteral("Refresh"));
    layout->addWidget(button);
    ZRTargetAction::setTarget(button, &target);
    ZRTargetAction::setAction(button, "deleteLater");
    item->setView(container);
    toolbar.addAction(item);
    toolbar.show();

    ASSERT_NE(ZRViewController::showProgressOnToolbarView(container), nullptr);
    EXPECT_FALSE(ZRToolbarItemValidator::validateToolbarItem(item));
    EXPECT_FALSE(button->isEnabled());

    ZRViewController::removeProgressFromToolbarView(container);
    flushDeletes();
    EXPECT_EQ(ZRTargetAction::tag(button), 0);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(item->isEnabled());
}
