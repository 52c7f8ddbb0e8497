// The status menu as the user meets it in this process: outside text in its rows, a menu taller than the
// screen, a pass that ends while the menu is open, the launch pass, and an issue with no browser set up.
#include "AppDelegateFixture.h"

#include "AlertResponder.h"
#include "URLImageMenuItem.h"

#include "Platform/Clock.h"
#include "Platform/ErrorPresenter.h"
#include "Platform/UI/Menus.h"

#include <QApplication>
#include <QKeySequence>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The text a row of a Qt menu shows, and whether Qt makes one of its letters a mnemonic.
QString shownText(const QAction* action) {
    QString text = action->text();
    return text.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

} // namespace

class StatusMenuTest : public AppDelegateTest {
protected:
    /*! The site's issues of project GHI replaced by count issues GHI-1 ... (the first one's summary given).
     */
    void setGhiIssues(int count, const QString& firstSummary) {
        JiraStandIn::Site& site = standIn.sites().first();
        QJsonObject model;
        QJsonArray kept;
        for (const QJsonValue& value : site.issues) {
            if (value.toObject().value("key").toString().startsWith("GHI"))
                model = value.toObject();
            else
                kept.append(value);
        }
        for (int number = 1; number <= count; ++number) {
            QJsonObject issue = model;
            issue.insert("id", QString::number(90000 + number));
            issue.insert("key", QStringLiteral("GHI-%1").arg(number));
            QJsonObject fields = issue.value("fields").toObject();
            fields.insert("summary",
                          number == 1 ? firstSummary : QStringLiteral("Issue number %1").arg(number));
            issue.insert("fields", fields);
            kept.append(issue);
        }
        site.issues = kept;
    }

    /*! A delegate with its menu and one passed update of the account's filter "Gamma" (project GHI). */
    AppDelegate& delegateAfterOnePass(const QString& filterName = QStringLiteral("Gamma")) {
        const JiraAccount ada = storeAccount();
        addFilter(ada, 2, filterName);
        AppDelegate& app = makeDelegate();
        app.buildStatusMenuItem();
        app.updateResourcesAndIssues();
        EXPECT_TRUE(TestUtils::waitUntil([&] { return posts == 1; }));
        TestUtils::spin(50);
        return app;
    }
};

TEST_F(StatusMenuTest, OutsideTextShowsAsItIsWithoutMnemonicsOrColumns) {
    setGhiIssues(1, QStringLiteral("R&D board && more\tafter a tab\nand a second line"));
    AppDelegate& app = delegateAfterOnePass(QStringLiteral("snake_case_team & R&D"));
    const QList<QAction*> actions = app.statusMenu()->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(shownText(actions.at(0)), QStringLiteral("snake_case_team & R&D"));
    EXPECT_EQ(shownText(actions.at(1)),
              QStringLiteral("GHI-1 R&D board && more after a tab and a second line"));
    for (const QAction* action : {actions.at(0), actions.at(1)})
        EXPECT_TRUE(QKeySequence::mnemonic(action->text()).isEmpty()) << action->text().toStdString();

    // The same helper spells rows for a menu a panel draws: "_" is the mnemonic there, and Qt turns the
    // first "&" into one on export, which the invisible lead takes.
    EXPECT_EQ(Platform::Menus::exportedMenuItemText(QStringLiteral("a_b\tc")), QStringLiteral("a__b c"));
    EXPECT_EQ(Platform::Menus::exportedMenuItemText(QStringLiteral("R&D")), QStringLiteral(u"&\u200bR&D"));
    EXPECT_EQ(Platform::Menus::popUpItemText(QStringLiteral("R&D\r\nx")), QStringLiteral("R&D  x"));
}

TEST_F(StatusMenuTest, AMenuTallerThanTheScreenScrollsAndEveryRowIsReachable) {
    setGhiIssues(250, QStringLiteral("First"));
    AppDelegate& app = delegateAfterOnePass();
    QMenu* menu = app.statusMenu();
    menu->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    const QRect screen = menu->screen()->availableGeometry();
    EXPECT_LE(menu->height(), screen.height());
    QAction* quit = menu->actions().last();
    ASSERT_EQ(quit->text(), QStringLiteral("Quit Corvantide"));
    // One column: every row starts at the same left edge.
    const int left = menu->actionGeometry(menu->actions().at(1)).left();
    for (QAction* action : menu->actions())
        ASSERT_EQ(menu->actionGeometry(action).left(), left) << action->text().toStdString();

    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_End);
    EXPECT_EQ(menu->activeAction(), quit);
    EXPECT_TRUE(menu->rect().contains(menu->actionGeometry(quit))) << "Quit scrolled into view";
    menu->hide();
}

TEST_F(StatusMenuTest, APassThatEndsWhileTheMenuIsOpenRebuildsItOnceItCloses) {
    AppDelegate& app = delegateAfterOnePass();
    QMenu* menu = app.statusMenu();
    const auto rowsChange = [&](const QList<QAction*>& before) {
        return TestUtils::waitUntil([&] { return menu->actions() != before; }, 1000);
    };

    // Drawn by Qt: the rows stay while it shows and are renewed when it hides.
    menu->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QList<QAction*> before = menu->actions();
    app.updateResourcesAndIssues();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return posts == 2; }));
    EXPECT_FALSE(rowsChange(before));
    menu->hide();
    EXPECT_TRUE(rowsChange(before));

    // Drawn by a panel, which says it opens the menu and, later, that it closed it.
    Platform::Clock::Fixed clock(QDateTime::currentDateTimeUtc());
    Q_EMIT menu->aboutToShow();
    before = menu->actions();
    app.setNeedsMenuRebuild();
    EXPECT_FALSE(rowsChange(before));
    Q_EMIT menu->aboutToHide();
    EXPECT_TRUE(rowsChange(before));

    // A panel that never reports the close holds the rows back for a bounded while only.
    Q_EMIT menu->aboutToShow();
    before = menu->actions();
    app.setNeedsMenuRebuild();
    EXPECT_FALSE(rowsChange(before));
    clock.advance(AppDelegate::MenuOpenGuardMs / 1000 + 1);
    app.setNeedsMenuRebuild();
    EXPECT_TRUE(rowsChange(before));
}

TEST_F(StatusMenuTest, IssuesStoredByTheLaunchPassReachTheMenu) {
    AppDelegate& app = delegateAfterOnePass();
    ASSERT_TRUE(AppDelegateTest::rows(app.statusMenu()).contains("GHI-1 Index the new help pages"));
    setGhiIssues(2, QStringLiteral("Stored by the launch pass"));
    app.startLaunchPass();
    EXPECT_TRUE(TestUtils::waitUntil([&] {
        return AppDelegateTest::rows(app.statusMenu()).contains("GHI-2 Issue number 2");
    })) << AppDelegateTest::rows(app.statusMenu()).join(" | ").toStdString();
}

TEST_F(StatusMenuTest, AnIssueWithNoBrowserSetUpShowsTheErrorOnce) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString opener = bin.filePath("xdg-open");
    ASSERT_TRUE(TestUtils::writeFile(
        opener, "#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 3\n"));
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + path);
    QList<Platform::Error> shown;
    const Platform::ErrorPresenter previous =
        Platform::setErrorPresenter([&](const Platform::Error& error) { shown << error; });

    AppDelegate& app = delegateAfterOnePass();
    QAction* issue = app.statusMenu()->actions().at(1);
    ASSERT_NE(qobject_cast<URLImageMenuItem*>(issue), nullptr);
    issue->trigger();
    EXPECT_TRUE(TestUtils::waitUntil([&] { return !shown.isEmpty(); }));
    TestUtils::spin(300);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(
        shown.first().localizedDescription().contains("https://dunwarbeck.atlassian.net/browse/GHI-1"));
    EXPECT_EQ(shown.first().localizedRecoverySuggestion(),
              QStringLiteral("xdg-open: no method available for opening "
                             "'https://dunwarbeck.atlassian.net/browse/GHI-1'"));

    Platform::setErrorPresenter(previous);
    qputenv("PATH", path);
}
