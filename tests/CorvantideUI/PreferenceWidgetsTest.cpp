#include "Preferences/BoxedView.h"
#include "Preferences/MenuButton.h"
#include "Preferences/ProjectsTableView.h"

#include "TestUtils.h"

#include <QItemSelectionModel>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

/*! A delegate that builds a fresh menu on each request and records what it was told. */
class RecordingDelegate : public QObject, public MenuButtonDelegate {
public:
    bool givesMenu = true;
    int menusBuilt = 0;
    int willPopupCalls = 0;
    bool downWhenTold = false;

    QMenu* menuForButton(MenuButton*) override {
        if (!givesMenu)
            return nullptr;
        ++menusBuilt;
        auto* menu = new QMenu();
        menu->addAction(QStringLiteral("First"));
        return menu;
    }
    void buttonWillPopupMenu(MenuButton* button, QMenu*) override {
        ++willPopupCalls;
        downWhenTold = button->isDown();
    }
};

/*! Watches the next menu that opens: where it opened and whether the button looked pressed, then
    closes it. */
struct MenuWatch {
    bool opened = false;
    QPoint position;
    bool buttonDown = false;

    void arm(MenuButton* button) {
        QTimer::singleShot(0, [this, button] { check(button); });
    }
    void check(MenuButton* button) {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            QTimer::singleShot(10, [this, button] { check(button); });
            return;
        }
        opened = true;
        position = menu->pos();
        buttonDown = button->isDown();
        menu->close();
    }
};

class MenuButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.setGeometry(100, 100, 300, 200);
        button = new MenuButton(&window);
        button->setGeometry(40, 50, 120, 30);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QWidget window;
    MenuButton* button = nullptr;
};

} // namespace

TEST_F(MenuButtonTest, DelegateMenuOpensAtTheRightEdgeWhileTheButtonLooksPressed) {
    RecordingDelegate delegate;
    button->setDelegate(&delegate);
    QSignalSpy clicked(button, &QPushButton::clicked);
    MenuWatch watch;
    watch.arm(button);
    QTest::mouseClick(button, Qt::LeftButton);

    ASSERT_TRUE(watch.opened);
    EXPECT_EQ(watch.position, button->mapToGlobal(QPoint(button->width() - 5, button->height() / 2)));
    EXPECT_TRUE(watch.buttonDown);
    EXPECT_EQ(delegate.menusBuilt, 1);
    EXPECT_EQ(delegate.willPopupCalls, 1);
    EXPECT_TRUE(delegate.downWhenTold);
    EXPECT_FALSE(button->isDown());
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(MenuButtonTest, OwnMenuComesBeforeTheDelegates) {
    RecordingDelegate delegate;
    button->setDelegate(&delegate);
    QMenu own;
    own.addAction(QStringLiteral("Own"));
    button->setOwnMenu(&own);
    MenuWatch watch;
    watch.arm(button);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(watch.opened);
    EXPECT_EQ(delegate.menusBuilt, 0);
}

TEST_F(MenuButtonTest, WithoutAMenuItIsAPlainButtonAndDisabledItPopsUpNothing) {
    RecordingDelegate delegate;
    delegate.givesMenu = false;
    button->setDelegate(&delegate);
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(delegate.willPopupCalls, 0);

    delegate.givesMenu = true;
    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton);
    TestUtils::spin(50);
    EXPECT_EQ(delegate.menusBuilt, 0);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(MenuButtonTest, DelegateIsHeldWeakly) {
    auto* delegate = new RecordingDelegate();
    button->setDelegate(delegate);
    delete delegate;
    EXPECT_EQ(button->delegate(), nullptr);
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
}

TEST(ProjectsTableViewTest, ContextClickSelectsAnUnselectedRowAloneAndKeepsASelection) {
    QStandardItemModel model(4, 1);
    for (int row = 0; row < 4; ++row)
        model.setItem(row, 0, new QStandardItem(QStringLiteral("Project %1").arg(row)));
    ProjectsTableView table;
    table.setModel(&model);
    QMenu menu;
    table.setContextMenu(&menu);
    table.resize(300, 200);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    QItemSelectionModel* selection = table.selectionModel();
    const auto selectRows = [&](std::initializer_list<int> rows) {
        selection->clearSelection();
        for (int row : rows)
            selection->select(model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    const auto rowCenter = [&](int row) { return table.visualRect(model.index(row, 0)).center(); };

    selectRows({0, 1, 2});
    EXPECT_EQ(table.menuForPosition(rowCenter(1)), &menu);
    EXPECT_EQ(selection->selectedRows().size(), 3);

    EXPECT_EQ(table.menuForPosition(rowCenter(3)), &menu);
    ASSERT_EQ(selection->selectedRows().size(), 1);
    EXPECT_EQ(selection->selectedRows().first().row(), 3);

    // Below the last row: the selection stays.
    table.menuForPosition(QPoint(5, table.viewport()->height() - 2));
    EXPECT_EQ(selection->selectedRows().size(), 1);
}

namespace {

constexpr QRgb Below = 0xff00ff00;

/*! The view painted over an opaque green surface. */
QImage paint(BoxedView& view) {
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Below);
    QPainter painter(&image);
    view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

TEST(BoxedViewTest, WithoutColoursItPaintsNothingOfItsOwn) {
    BoxedView view;
    view.resize(40, 20);
    const QImage image = paint(view);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y), Below) << x << "," << y;
    }
}

TEST(BoxedViewTest, LinesFallOnTheEdgePixelsAndAZeroWidthHidesOne) {
    BoxedView view;
    view.resize(40, 20);
    view.setBackgroundColor(Qt::white);
    view.setTopLineColor(Qt::red);
    view.setBottomLineColor(Qt::blue);
    view.setLeftLineColor(Qt::black);
    view.setRightLineColor(Qt::black);
    view.setRightLineWidth(0);
    const QImage image = paint(view);
    EXPECT_EQ(image.pixel(20, 0), QColor(Qt::red).rgba());
    EXPECT_EQ(image.pixel(20, 1), QColor(Qt::white).rgba());
    EXPECT_EQ(image.pixel(20, 19), QColor(Qt::blue).rgba());
    EXPECT_EQ(image.pixel(20, 18), QColor(Qt::white).rgba());
    EXPECT_EQ(image.pixel(0, 10), QColor(Qt::black).rgba());
    EXPECT_EQ(image.pixel(39, 10), QColor(Qt::white).rgba());
}

TEST(BoxedViewTest, TranslucentBackgroundBlendsOverWhatIsBelow) {
    BoxedView view;
    view.resize(10, 10);
    view.setBackgroundColor(QColor(255, 0, 0, 128));
    const QColor painted = QColor::fromRgba(paint(view).pixel(5, 5));
    EXPECT_NEAR(painted.red(), 128, 2);
    EXPECT_NEAR(painted.green(), 127, 2);
    EXPECT_EQ(painted.blue(), 0);
    EXPECT_EQ(painted.alpha(), 255);
}

TEST(BoxedViewTest, EverySetterAnnouncesTheChange) {
    BoxedView view;
    QSignalSpy changed(&view, &BoxedView::appearanceChanged);
    view.setBackgroundColor(Qt::gray);
    view.setLeftLineWidth(2);
    view.setTopLineColor(Qt::red);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_FALSE(view.allowsVibrancy());
}
