// The tray as a panel sees it: the real executable on a virtual display registers its item with a
// watcher on this test's own session bus, and the test reads and clicks the exported menu over D-Bus.
#include "TrayFixture.h"

using tray::viewableWindows;

TEST_F(TrayTest, WithoutAnAccountTheMenuOffersTheSignInAndTheFixedRows) {
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(menu->aboutToShow());
    EXPECT_TRUE(menuShows(QStringList{"Sign In…"} + fixedRowsWithoutAccount()))
        << menu->rowTexts().join(" | ").toStdString();
    for (const DBusMenuReader::Row& row : menu->rows()) {
        if (row.label() == u"Settings…") {
            EXPECT_TRUE(row.properties.contains("shortcut"));
        }
    }
    TestUtils::spin(300);
    EXPECT_TRUE(standIn.requests().isEmpty()) << "no account, no request";
    terminate();
}

TEST_F(TrayTest, ALeftClickOnTheItemOpensTheMenuAtThePointer) {
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(TestUtils::waitUntil([this] { return !menu->rows().isEmpty(); }, 20000));
    TestUtils::spin(300);
    ASSERT_TRUE(viewableWindows(display.display()).isEmpty()) << "nothing shows before the click";
    // A panel whose item says it is not only a menu (as Qt's items say) sends Activate on a left click
    // and leaves the rest to the application.
    const StatusNotifierWatcher::Item item = watcher.items().first();
    QDBusMessage activate =
        QDBusMessage::createMethodCall(item.service, item.path, "org.kde.StatusNotifierItem", "Activate");
    activate << 40 << 10;
    EXPECT_EQ(QDBusConnection::sessionBus().call(activate, QDBus::Block, 5000).type(),
              QDBusMessage::ReplyMessage);
    QStringList shown;
    EXPECT_TRUE(TestUtils::waitUntil(
        [&] {
            shown = viewableWindows(display.display());
            return !shown.isEmpty();
        },
        10000))
        << "the menu opened";
    for (const QString& size : shown)
        EXPECT_GT(size.section(u'x', 1).toInt(), 100)
            << "a menu of all its rows, not a stray window: " << size.toStdString();
    terminate();
}

TEST_F(TrayTest, IssuesShowWithTheirStatusIconsAndOpenInTheBrowser) {
    const JiraAccount ada = storeAccount();
    addFilter(ada, 2, QStringLiteral("Gamma"));
    addFilter(ada, 1, QStringLiteral("Delta"));
    Platform::UserDefaults::standard().setValue("useMenuItemImagesFromJira", true);
    Platform::UserDefaults::standard().synchronize();
    const QString filtersFile = IssueFilterManager::shared().issueFiltersFilePath();
    ASSERT_TRUE(QFile::exists(filtersFile));

    ASSERT_NO_FATAL_FAILURE(launch());
    const QStringList expected =
        QStringList{"Gamma", "GHI-1 Index the new help pages", "Delta", "DEF-1 Watchdog resets too early",
                    "DEF-2 Flash layout for rev C"} +
        fixedRowsWithAccount();
    ASSERT_TRUE(menuShows(expected)) << menu->rowTexts().join(" | ").toStdString();
    menu->aboutToShow();
    ASSERT_TRUE(menuShows(expected));

    QList<DBusMenuReader::Row> rows = menu->rows();
    EXPECT_FALSE(rows.at(0).isEnabled()) << "the filter's header";
    for (int index : {1, 3, 4}) {
        EXPECT_TRUE(rows.at(index).isEnabled());
        EXPECT_FALSE(rows.at(index).iconData().isEmpty()) << "a status icon on " << index;
    }

    // Both status addresses were fetched once each, as images, however often the menu was rebuilt.
    ASSERT_TRUE(TestUtils::waitUntil([&] { return iconRequests().size() >= 2; }));
    TestUtils::spin(500);
    menu->aboutToShow();
    TestUtils::spin(300);
    QStringList paths;
    for (const JiraStandIn::Request& request : iconRequests()) {
        paths << request.path;
        EXPECT_EQ(request.header("Accept"), QByteArray("image/*"));
    }
    paths.sort();
    EXPECT_EQ(paths, (QStringList{"/icons/indeterminate.png", "/icons/new.png"}));

    // Clicking an issue row hands its page to the browser.
    rows = menu->rows();
    ASSERT_TRUE(menu->event(rows.at(1).id));
    // The script writes its line after the shell has made the file: wait for the whole line.
    const auto openedText = [&] {
        QFile file(opened);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    ASSERT_TRUE(TestUtils::waitUntil([&] { return openedText().endsWith('\n'); }));
    EXPECT_EQ(openedText(), QByteArray("https://dunwarbeck.atlassian.net/browse/GHI-1\n"));

    // The end of the session saves the filters.
    ASSERT_TRUE(QFile::remove(filtersFile));
    terminate();
    QFile saved(filtersFile);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("Gamma"));
}

TEST_F(TrayTest, WithJiraImagesOffNoIconIsFetched) {
    const JiraAccount ada = storeAccount();
    addFilter(ada, 2, QStringLiteral("Gamma"));
    Platform::UserDefaults::standard().setValue("useMenuItemImagesFromJira", false);
    Platform::UserDefaults::standard().synchronize();
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(menuShows({"Gamma", "GHI-1 Index the new help pages", "-", "Show Issues…", "-", "-",
                           "Update Issues Now", "-", "About Corvantide", "Check for Updates…", "-",
                           "Settings…", "-", "Quit Corvantide"}))
        << menu->rowTexts().join(" | ").toStdString();
    EXPECT_FALSE(menu->rows().at(1).iconData().isEmpty()) << "the bundle's status icon";
    menu->aboutToShow();
    TestUtils::spin(500);
    EXPECT_TRUE(iconRequests().isEmpty());
    terminate();
}

TEST_F(TrayTest, OutsideTextReadsAsItIsInTheExportedMenu) {
    const JiraAccount ada = storeAccount();
    addFilter(ada, 2, QStringLiteral("snake_case_team & R&D"));
    QJsonArray issues;
    for (const QJsonValue& value : standIn.sites().first().issues) {
        QJsonObject issue = value.toObject();
        if (issue.value("key").toString() == u"GHI-1") {
            QJsonObject fields = issue.value("fields").toObject();
            fields.insert("summary", "R&D board && more\tafter a tab\nand a second line");
            issue.insert("fields", fields);
        }
        issues.append(issue);
    }
    standIn.sites().first().issues = issues;
    ASSERT_NO_FATAL_FAILURE(launch());
    // As a panel reads a label: "__" is one "_", "_" before another character marks its mnemonic.
    const auto shown = [](const QString& label, QChar* mnemonic) {
        QString text;
        for (qsizetype i = 0; i < label.size(); ++i) {
            if (label.at(i) == u'_' && i + 1 < label.size()) {
                if (label.at(i + 1) != u'_')
                    *mnemonic = label.at(i + 1);
                text += label.at(++i);
            } else {
                text += label.at(i);
            }
        }
        return text.remove(QChar(0x200b));
    };
    ASSERT_TRUE(TestUtils::waitUntil(
        [&] { return menu->rows().size() > 2 && menu->rows().at(1).label().contains("GHI-1"); }, 20000))
        << menu->rowTexts().join(" | ").toStdString();
    const QList<DBusMenuReader::Row> rows = menu->rows();
    QChar mnemonic;
    EXPECT_EQ(shown(rows.at(0).label(), &mnemonic), QStringLiteral("snake_case_team & R&D"));
    EXPECT_EQ(shown(rows.at(1).label(), &mnemonic),
              QStringLiteral("GHI-1 R&D board && more after a tab and a second line"));
    EXPECT_TRUE(mnemonic.isNull() || mnemonic == QChar(0x200b)) << "no visible letter is a mnemonic";
    terminate();
}
