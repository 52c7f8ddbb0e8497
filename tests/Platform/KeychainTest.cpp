#include "Platform/Keychain.h"

#include "PrivateKeyring.h"

#include <QProcess>
#include <QUuid>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

using Platform::Keychain;
using Platform::KeychainItem;

namespace {

// Test processes run in parallel against one keyring: every test works on services of its own.
QString uniqueService(const char* name) {
    return QStringLiteral("keychain-test-%1-%2")
        .arg(QLatin1String(name), QUuid::createUuid().toString(QUuid::WithoutBraces));
}

const QString Label = QStringLiteral("Corvantide Keychain Test");

KeychainItem item(const QString& service, const QString& account, const QByteArray& data) {
    return KeychainItem{Label, service, account, QStringLiteral("group"), data};
}

} // namespace

TEST(KeychainTest, AddsFindsUpdatesInPlaceAndRemoves) {
    const QString service = uniqueService("crud");
    ASSERT_EQ(Keychain::add(item(service, QStringLiteral("first"), "one")), Keychain::Success);
    EXPECT_EQ(Keychain::add(item(service, QStringLiteral("first"), "again")), Keychain::DuplicateItem);

    Keychain::SearchResult found = Keychain::find(Keychain::Query{Label, service, {}});
    ASSERT_EQ(found.status, Keychain::Success);
    ASSERT_EQ(found.items.size(), 1);
    EXPECT_EQ(found.items[0].label, Label);
    EXPECT_EQ(found.items[0].account, QStringLiteral("first"));
    EXPECT_EQ(found.items[0].accessGroup, QStringLiteral("group"));
    EXPECT_EQ(found.items[0].data, QByteArray("one"));

    const QByteArray binary("\0\xff\x01zero", 7);
    ASSERT_EQ(Keychain::update(Keychain::Query{Label, service, {}},
                               Keychain::Changes{QStringLiteral("renamed"), QStringLiteral("other"), binary}),
              Keychain::Success);
    found = Keychain::find(Keychain::Query{{}, service, {}});
    ASSERT_EQ(found.items.size(), 1);
    EXPECT_EQ(found.items[0].account, QStringLiteral("renamed"));
    EXPECT_EQ(found.items[0].accessGroup, QStringLiteral("other"));
    EXPECT_EQ(found.items[0].data, binary);
    EXPECT_EQ(found.items[0].label, Label);

    EXPECT_EQ(Keychain::remove(Keychain::Query{Label, service, {}}), Keychain::Success);
    EXPECT_EQ(Keychain::find(Keychain::Query{{}, service, {}}).status, Keychain::ItemNotFound);
    EXPECT_EQ(Keychain::remove(Keychain::Query{Label, service, {}}), Keychain::ItemNotFound);
    EXPECT_EQ(Keychain::update(Keychain::Query{Label, service, {}}, Keychain::Changes{{}, {}, "x"}),
              Keychain::ItemNotFound);
}

TEST(KeychainTest, ListsInCreationOrderAndHonoursTheLimit) {
    const QString label = uniqueService("order");
    QStringList services;
    for (int i = 0; i < 5; ++i) {
        // Names sort differently from the order of creation.
        services.append(QStringLiteral("%1-%2").arg(label).arg(9 - i));
        ASSERT_EQ(Keychain::add(
                      KeychainItem{label, services.last(), QStringLiteral("a"), {}, QByteArray::number(i)}),
                  Keychain::Success);
    }
    // An update keeps an item's place.
    ASSERT_EQ(Keychain::update(Keychain::Query{label, services[0], {}}, Keychain::Changes{{}, {}, "changed"}),
              Keychain::Success);

    Keychain::SearchResult all = Keychain::find(Keychain::Query{label, {}, {}});
    ASSERT_EQ(all.items.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(all.items[i].service, services[i]);
    EXPECT_EQ(all.items[0].data, QByteArray("changed"));

    Keychain::SearchResult limited = Keychain::find(Keychain::Query{label, {}, {}}, 2);
    ASSERT_EQ(limited.items.size(), 2);
    EXPECT_EQ(limited.items[1].service, services[1]);

    EXPECT_EQ(Keychain::remove(Keychain::Query{label, {}, {}}), Keychain::Success);
    EXPECT_EQ(Keychain::find(Keychain::Query{label, {}, {}}).status, Keychain::ItemNotFound);
}

TEST(KeychainTest, NeverSeesOrRemovesAnotherProgramsSecret) {
    const QString service = uniqueService("foreign");
    QProcess store;
    store.start(QStringLiteral("secret-tool"),
                {QStringLiteral("store"), QStringLiteral("--label=foreign"), QStringLiteral("xdg:schema"),
                 QStringLiteral("org.example.Other"), QStringLiteral("label"), Label,
                 QStringLiteral("service"), service});
    ASSERT_TRUE(store.waitForStarted());
    store.write("foreign secret");
    store.closeWriteChannel();
    ASSERT_TRUE(store.waitForFinished());
    ASSERT_EQ(store.exitCode(), 0) << store.readAllStandardError().constData();

    EXPECT_EQ(Keychain::find(Keychain::Query{Label, service, {}}).status, Keychain::ItemNotFound);
    EXPECT_EQ(Keychain::update(Keychain::Query{{}, service, {}}, Keychain::Changes{{}, {}, "mine"}),
              Keychain::ItemNotFound);
    EXPECT_EQ(Keychain::remove(Keychain::Query{{}, service, {}}), Keychain::ItemNotFound);

    // Our own item beside it is found and removed alone.
    ASSERT_EQ(Keychain::add(item(service, QStringLiteral("me"), "mine")), Keychain::Success);
    Keychain::SearchResult found = Keychain::find(Keychain::Query{{}, service, {}});
    ASSERT_EQ(found.items.size(), 1);
    EXPECT_EQ(found.items[0].data, QByteArray("mine"));
    EXPECT_EQ(Keychain::remove(Keychain::Query{{}, service, {}}), Keychain::Success);

    QProcess lookup;
    lookup.start(QStringLiteral("secret-tool"),
                 {QStringLiteral("lookup"), QStringLiteral("xdg:schema"), QStringLiteral("org.example.Other"),
                  QStringLiteral("service"), service});
    ASSERT_TRUE(lookup.waitForFinished());
    EXPECT_EQ(lookup.readAllStandardOutput(), QByteArray("foreign secret"));

    QProcess clear;
    clear.start(QStringLiteral("secret-tool"), {QStringLiteral("clear"), QStringLiteral("service"), service});
    clear.waitForFinished();
}

TEST(KeychainTest, KnownStatusesHaveMessagesAndUnknownOnesNone) {
    EXPECT_TRUE(Keychain::errorMessage(Keychain::InteractionNotAllowed)
                    .value_or(QString())
                    .contains(QStringLiteral("locked")));
    EXPECT_FALSE(Keychain::errorMessage(-1).has_value());
}

TEST(KeychainDeathTest, WithoutASecretServiceEveryCallAnswersNotAvailable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A fresh process whose session bus cannot be reached: nothing hangs, nothing crashes.
    EXPECT_EXIT(
        {
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/corvantide-test-bus");
            const bool notAvailable =
                Keychain::find(Keychain::Query{Label, QStringLiteral("s"), {}}).status ==
                    Keychain::NotAvailable &&
                Keychain::add(item(QStringLiteral("s"), QStringLiteral("a"), "x")) ==
                    Keychain::NotAvailable &&
                Keychain::remove(Keychain::Query{Label, QStringLiteral("s"), {}}) == Keychain::NotAvailable;
            std::fprintf(stderr, "not available: %d\n", int(notAvailable));
            std::exit(notAvailable ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "not available: 1");
}

// These run against a keyring of their own, which they lock or leave out.

TEST(KeychainLockedTest, ALockedCollectionAnswersLockedToReadsUpdatesAndAdds) {
    TestUtils::PrivateKeyring keyring;
    ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
    const QString service = uniqueService("locked");
    ASSERT_EQ(Keychain::add(item(service, QStringLiteral("a"), "stored")), Keychain::Success);
    ASSERT_TRUE(keyring.lock());

    EXPECT_EQ(Keychain::find(Keychain::Query{Label, service, {}}).status, Keychain::InteractionNotAllowed);
    EXPECT_EQ(Keychain::update(Keychain::Query{Label, service, {}}, Keychain::Changes{{}, {}, "new"}),
              Keychain::InteractionNotAllowed);
    // The item exists but cannot be seen: adding it again is refused as locked, not as a duplicate.
    EXPECT_EQ(Keychain::add(item(service, QStringLiteral("a"), "new")), Keychain::InteractionNotAllowed);
    EXPECT_EQ(Keychain::add(item(uniqueService("other"), QStringLiteral("a"), "new")),
              Keychain::InteractionNotAllowed);
    EXPECT_EQ(Keychain::remove(Keychain::Query{Label, service, {}}), Keychain::InteractionNotAllowed);

    ASSERT_TRUE(keyring.unlock());
    const Keychain::SearchResult found = Keychain::find(Keychain::Query{Label, service, {}});
    ASSERT_EQ(found.status, Keychain::Success);
    EXPECT_EQ(found.items.value(0).data, QByteArray("stored"));
}

TEST(KeychainLockedTest, AWriteTheUserStartedAsksToUnlockAndFailsWhenNoPromptCanBeShown) {
    TestUtils::PrivateKeyring keyring;
    ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
    const QString service = uniqueService("prompt");
    ASSERT_EQ(Keychain::add(item(service, QStringLiteral("a"), "stored")), Keychain::Success);
    ASSERT_TRUE(keyring.lock());
    // No display: the Secret Service cannot show its unlock prompt, and the write fails without hanging.
    const int added =
        Keychain::add(item(uniqueService("new"), QStringLiteral("a"), "x"), Keychain::Interaction::Allowed);
    EXPECT_NE(added, Keychain::Success);
    EXPECT_NE(added, Keychain::NoDefaultKeychain);
    EXPECT_NE(Keychain::update(Keychain::Query{Label, service, {}}, Keychain::Changes{{}, {}, "new"},
                               Keychain::Interaction::Allowed),
              Keychain::Success);
    EXPECT_TRUE(keyring.isLocked());
}

TEST(KeychainLockedTest, WithoutADefaultCollectionAddsSayWhatIsMissing) {
    TestUtils::PrivateKeyring keyring(TestUtils::PrivateKeyring::Login::None);
    ASSERT_TRUE(keyring.error().isEmpty()) << keyring.error().toStdString();
    const QString service = uniqueService("no-default");
    EXPECT_EQ(Keychain::add(item(service, QStringLiteral("a"), "x")), Keychain::NoDefaultKeychain);
    EXPECT_EQ(Keychain::find(Keychain::Query{Label, service, {}}).status, Keychain::ItemNotFound);
    const QString message = Keychain::errorMessage(Keychain::NoDefaultKeychain).value_or(QString());
    EXPECT_TRUE(message.contains(QStringLiteral("default keyring"))) << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("not running"))) << message.toStdString();
    // Creating one needs a prompt for its password, which cannot be shown here.
    EXPECT_NE(Keychain::add(item(service, QStringLiteral("a"), "x"), Keychain::Interaction::Allowed),
              Keychain::Success);
}
