#include "FileDecrypter.h"

#include "Crypto/SettingsKey.h"
#include "Crypto/ZRCrypter.h"
#include "Platform/Bundle.h"
#include "Platform/ErrorPresenter.h"
#include "Platform/PropertyList.h"
#include "Platform/UI/Alert.h"
#include "Platform/UI/ErrorAlert.h"

#include "AlertResponder.h"
#include "TestBundle.h"
#include "TestUtils.h"

#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

QByteArray encrypted(const QVariant& value) {
    ZRCrypter* crypter = ZRCrypterNewWithData(ZRSettingsKey, ZRSettingsKeyLength, false);
    const QByteArray data = *ZRCreateEncryptedDataFromData(crypter, Platform::PropertyList::write(value));
    ZRCrypterFree(crypter);
    return data;
}

/*! A bundle holding only the given jira.enc (none for an empty content). */
QString bundleWith(const QTemporaryDir& dir, const QByteArray& jiraEnc) {
    const QString path = TestBundle::create(dir.filePath(QStringLiteral("Corvantide.app")), {});
    if (!jiraEnc.isNull())
        TestBundle::addResource(path, QStringLiteral("jira.enc"), jiraEnc);
    return path;
}

/*! Reads the settings with the alert presenter installed; every panel is answered and reported on stderr
    for the death test to match. */
void readSettingsReportingPanels() {
    Platform::installAlertErrorPresenter();
    static int panels = 0;
    Platform::Alert::setResponderForTesting([](const Platform::Alert& alert) {
        std::fprintf(stderr, "panel %d: %s\n", ++panels, qPrintable(alert.messageText()));
        return Platform::Alert::Answer{};
    });
    FileDecrypter::decryptedJiraSettings();
}

} // namespace

TEST(FileDecrypterTest, DecryptsTheBundledSettingsOncePerProcess) {
    const QVariantMap& settings = FileDecrypter::decryptedJiraSettings();
    EXPECT_EQ(settings, *Platform::PropertyList::readDictionaryFile(
                            TestUtils::sourcePath(QStringLiteral("resources/dev/jira-settings.plist"))));
    EXPECT_TRUE(settings.value(QStringLiteral("sentryDSN")).toString().contains(QStringLiteral("127.0.0.1")));

    // Later reads never look at the file again, also from another thread.
    QTemporaryDir dir;
    Platform::Bundle::setMainBundlePathForTesting(bundleWith(dir, QByteArray()));
    const QVariantMap* fromThread = nullptr;
    QThread* thread = QThread::create([&] { fromThread = &FileDecrypter::decryptedJiraSettings(); });
    thread->start();
    thread->wait();
    delete thread;
    EXPECT_EQ(fromThread, &settings);
    EXPECT_EQ(&FileDecrypter::decryptedJiraSettings(), &settings);
    Platform::Bundle::setMainBundlePathForTesting(QStringLiteral(CORVANTIDE_BUNDLE_DIR));
}

TEST(FileDecrypterTest, ThePanelCanBeShownFromAnyThread) {
    Platform::installAlertErrorPresenter();
    TestUtils::AlertResponder responder;
    FileDecrypter::showErrorPanel();
    bool returned = false;
    QThread* thread = QThread::create([&] {
        FileDecrypter::showErrorPanel();
        returned = true;
    });
    thread->start();
    EXPECT_TRUE(TestUtils::waitUntil([&] { return returned; }));
    thread->wait();
    delete thread;
    ASSERT_EQ(responder.shown().size(), 2u);
    for (const TestUtils::ShownAlert& shown : responder.shown()) {
        EXPECT_EQ(shown.messageText, QStringLiteral("Corvantide is damaged. Please re-install it."));
        EXPECT_EQ(shown.buttonTitles, QStringList());
    }
    Platform::setErrorPresenter({});
}

TEST(FileDecrypterDeathTest, ADamagedInstallationShowsThePanelOnceAndExits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QTemporaryDir dir;
    const QString missing = bundleWith(dir, QByteArray());
    EXPECT_EXIT(
        {
            Platform::Bundle::setMainBundlePathForTesting(missing);
            readSettingsReportingPanels();
        },
        ::testing::ExitedWithCode(255), "panel 1: Corvantide is damaged. Please re-install it.\n$");

    QTemporaryDir garbageDir;
    const QString garbage = bundleWith(garbageDir, QByteArray(512, '\x5a'));
    EXPECT_EXIT(
        {
            Platform::Bundle::setMainBundlePathForTesting(garbage);
            readSettingsReportingPanels();
        },
        ::testing::ExitedWithCode(255), "panel 1: Corvantide is damaged. Please re-install it.\n$");

    QTemporaryDir textDir;
    QByteArray notAPlist = encrypted(QVariantMap{{"a", 1}});
    notAPlist[10] = char(notAPlist[10] ^ 0x01);
    const QString tampered = bundleWith(textDir, notAPlist);
    EXPECT_EXIT(
        {
            Platform::Bundle::setMainBundlePathForTesting(tampered);
            readSettingsReportingPanels();
        },
        ::testing::ExitedWithCode(255), "panel 1: Corvantide is damaged");
}

TEST(FileDecrypterDeathTest, AnArrayStopsWithWrongType) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QTemporaryDir dir;
    const QString array = bundleWith(dir, encrypted(QVariantList{QStringLiteral("jiraClientID")}));
    EXPECT_DEATH(
        {
            Platform::Bundle::setMainBundlePathForTesting(array);
            readSettingsReportingPanels();
        },
        "Wrong type of decrypted file");
}
