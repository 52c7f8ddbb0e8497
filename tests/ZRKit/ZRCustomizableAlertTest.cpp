#include "ZRKit/UI/ZRCustomizableAlert.h"

#include "AlertResponder.h"
#include "Platform/UserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

using Platform::Alert;
using Platform::AlertStyle;
using TestUtils::AlertResponder;

namespace {

// Presses a control of the next real alert dialog once it is on screen.
void whenAlertShows(const std::function<void(QWidget* dialog)>& action) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        }
    });
    timer->start(10);
}

void click(QWidget* dialog, const char* name) {
    auto* button = dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

} // namespace

TEST(ZRCustomizableAlertTest, TheRealDialogAnswersByButtonOrderAndReportsTheCheckBox) {
    for (const auto& [name, expected] :
         {std::pair{"alertButton0", 1000}, {"alertButton1", 1001}, {"alertButton2", 1002}}) {
        QStringList shownTitles;
        whenAlertShows([&, name = name](QWidget* dialog) {
            for (int i = 0; i < 3; ++i)
                shownTitles
                    << dialog->findChild<QPushButton*>(QStringLiteral("alertButton%1").arg(i))->text();
            click(dialog, name);
        });
        EXPECT_EQ(ZRRunAlertPanel3("Title", "Message", "One", "Two", "Three"), expected);
        EXPECT_EQ(shownTitles, (QStringList{"One", "Two", "Three"}));
    }

    auto alert = ZRCustomizableAlert::alertWithMessageText("Title", "OK", "Cancel", QString(), QString(),
                                                           AlertStyle::Warning, nullptr, "key", QString());
    whenAlertShows([](QWidget* dialog) {
        dialog->findChild<QCheckBox*>("suppressionCheckBox")->setChecked(true);
        EXPECT_EQ(dialog->findChild<QLabel*>("informativeLabel"), nullptr);
        EXPECT_EQ(dialog->findChild<QLabel*>("messageLabel")->text(), QStringLiteral("Title"));
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(dialog, &escape);
    });
    EXPECT_EQ(alert->runModal(), 1001) << "Escape presses the Cancel button";
    EXPECT_TRUE(alert->suppressionButtonChecked());
}

TEST(ZRCustomizableAlertTest, TheRealDialogIsAsWideAsItsTextWithinTheScreen) {
    const QString text =
        QStringLiteral("Do you really want to delete the authorized server Ada Lovelace and all "
                       "its projects (3)? This can not be undone.");
    QSize size;
    int textWidth = 0;
    whenAlertShows([&](QWidget* dialog) {
        size = dialog->size();
        textWidth = dialog->findChild<QLabel*>("informativeLabel")->width();
        click(dialog, "alertButton0");
    });
    EXPECT_EQ(ZRRunAlertPanel3("Delete Authorized Server?", text, "Delete", "Cancel", QString()), 1000);
    const QFontMetrics metrics(QApplication::font());
    EXPECT_GE(textWidth, metrics.averageCharWidth() * 60)
        << "about 72 characters a line, not a narrow column";
    const QSize screen = QApplication::primaryScreen()->availableGeometry().size();
    EXPECT_LE(size.width(), screen.width() * 3 / 4);
    EXPECT_LE(size.height(), screen.height() * 3 / 4);

    // A very long text stays within the screen as well.
    whenAlertShows([&](QWidget* dialog) {
        size = dialog->size();
        click(dialog, "alertButton0");
    });
    ZRRunAlertPanel3("Title", text.repeated(8), "OK", QString(), QString());
    EXPECT_LE(size.width(), screen.width() * 3 / 4);
}

TEST(ZRCustomizableAlertTest, TheRealDialogLendsTheAccessoryViewAndGivesItBack) {
    auto accessory = std::make_unique<QLabel>("accessory");
    QPointer<QLabel> guard(accessory.get());
    whenAlertShows([&](QWidget* dialog) {
        EXPECT_EQ(accessory->window(), dialog);
        click(dialog, "alertButton0");
    });
    EXPECT_EQ(ZRRunAlertPanelWithStyleAndAccessoryView("Title", "", "OK", QString(), QString(),
                                                       AlertStyle::Informational, accessory.get()),
              1000);
    ASSERT_FALSE(guard.isNull()) << "the dialog must not delete the caller's view";
    EXPECT_EQ(accessory->parent(), nullptr);
}

TEST(ZRCustomizableAlertTest, NullTitlesAreLeftOutAndEmptyOnesKept) {
    AlertResponder responder;
    EXPECT_EQ(ZRRunAlertPanel("Title", "", QString(), "Alternate", QString()), 1000);
    EXPECT_EQ(ZRRunAlertPanel("Title", "", QString(), QString(), QString()), 1000);
    EXPECT_EQ(ZRRunAlertPanel("Title", "", "", QString(), "Other"), 1000);
    ASSERT_EQ(responder.shown().size(), 3u);
    EXPECT_EQ(responder.shown()[0].buttonTitles, QStringList{"Alternate"});
    EXPECT_TRUE(responder.shown()[1].buttonTitles.isEmpty());
    EXPECT_EQ(responder.shown()[2].buttonTitles, (QStringList{"", "Other"}));
}

TEST(ZRCustomizableAlertTest, MessagesAreFormattedOnceAndPercentSignsShownLiterally) {
    AlertResponder responder;
    ZRRunAlertPanel3("Title", "100% sure %d %@", "OK", QString(), QString());
    ZRRunAlertPanel("Title", "%@", "OK", QString(), QString(), QStringLiteral("50% %s"));
    ZRRunInformationalAlertPanel("Up to date", "%@ is currently the newest version available.", "OK",
                                 QString(), QString(), QStringLiteral("Corvantide 2.1"));
    ZRRunAlertPanel(QString(), QString(), "OK", QString(), QString());
    const auto& shown = responder.shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].informativeText, QStringLiteral("100% sure %d %@"));
    EXPECT_EQ(shown[0].messageText, QStringLiteral("Title"));
    EXPECT_EQ(shown[0].style, AlertStyle::Warning);
    EXPECT_EQ(shown[1].informativeText, QStringLiteral("50% %s"));
    EXPECT_EQ(shown[2].informativeText,
              QStringLiteral("Corvantide 2.1 is currently the newest version available."));
    EXPECT_EQ(shown[2].style, AlertStyle::Informational);
    EXPECT_TRUE(shown[3].messageText.isEmpty());
    EXPECT_TRUE(shown[3].informativeText.isEmpty());
}

TEST(ZRCustomizableAlertTest, BuiltAlertsShowHelpAndSuppressionOnlyWhenAsked) {
    auto plain = ZRCustomizableAlert::alertWithMessageText(QString(), {"A"}, QString(), AlertStyle::Critical,
                                                           nullptr, QString(""), QString(""));
    EXPECT_TRUE(plain->messageText().isEmpty());
    EXPECT_FALSE(plain->showsSuppressionButton());
    EXPECT_FALSE(plain->showsHelp());
    EXPECT_EQ(plain->alertStyle(), AlertStyle::Critical);

    auto helped = ZRCustomizableAlert::alertWithMessageText("M", {}, "I", AlertStyle::Warning, nullptr, "key",
                                                            "anchor");
    EXPECT_TRUE(helped->showsSuppressionButton());
    EXPECT_TRUE(helped->showsHelp());
    EXPECT_EQ(helped->helpAnchor(), QStringLiteral("anchor"));
    EXPECT_EQ(helped->informativeText(), QStringLiteral("I"));
}

TEST(ZRCustomizableAlertTest, SuppressedAlertsStayQuietUntilReenabled) {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    defaults.setValue("unrelated", 5);
    AlertResponder responder({{1001, true}, {1000, false}});
    bool wasSuppressed = true;

    EXPECT_EQ(ZRCustomizableAlert::runAlertPanelWithMessageText("Ask", "Yes", "No", QString(), "Really?",
                                                                "ask", &wasSuppressed),
              1001);
    EXPECT_FALSE(wasSuppressed);
    ASSERT_EQ(responder.shown().size(), 1u);
    EXPECT_TRUE(responder.shown()[0].showsSuppressionButton);
    EXPECT_EQ(responder.shown()[0].buttonTitles, (QStringList{"Yes", "No"}));
    EXPECT_TRUE(defaults.boolean("ZRCustomizableAlertPreferencesKey-ask"))
        << "stored whichever button was pressed";

    EXPECT_EQ(ZRCustomizableAlert::runAlertPanelWithMessageText("Ask", "Yes", "No", QString(), "Really?",
                                                                "ask", &wasSuppressed),
              1000);
    EXPECT_TRUE(wasSuppressed);
    EXPECT_EQ(responder.shown().size(), 1u) << "a suppressed alert shows nothing";
    EXPECT_EQ(ZRCustomizableAlert::runAlertPanelWithMessageText("Ask", "Yes", "No", QString(), "Really?",
                                                                "ask", nullptr),
              1000);

    ZRCustomizableAlert::reenableAllSuppressedAlerts();
    EXPECT_FALSE(defaults.hasUserValue("ZRCustomizableAlertPreferencesKey-ask"));
    EXPECT_EQ(defaults.integer("unrelated"), 5);
    EXPECT_EQ(ZRCustomizableAlert::runAlertPanelWithMessageText("Ask", "Yes", "No", QString(), "Really?",
                                                                "ask", &wasSuppressed),
              1000);
    EXPECT_FALSE(wasSuppressed);
    EXPECT_EQ(responder.shown().size(), 2u);
    EXPECT_FALSE(defaults.hasUserValue("ZRCustomizableAlertPreferencesKey-ask"))
        << "an unticked box stores nothing";
}

TEST(ZRCustomizableAlertDeathTest, ProgrammingErrorsStopTheProcess) {
    QLabel view;
    EXPECT_DEATH(
        ZRCustomizableAlert::alertWithMessageText("M", {}, QString(), AlertStyle::Warning, &view, "",
                                                  QString()),
        "Invalid parameter not satisfying: \\(nil == inView\\) \\|\\| \\(nil == inPreferencesKey\\)");
    EXPECT_DEATH(ZRCustomizableAlert::runAlertPanelWithMessageText("M", "OK", QString(), QString(), QString(),
                                                                   "", nullptr),
                 "0 < \\[inPreferencesKey length\\]");
    EXPECT_DEATH(ZRCustomizableAlertPreferencesKeyForKey(""), "0 < \\[inKey length\\]");
    EXPECT_EQ(ZRCustomizableAlertPreferencesKeyForKey("x"),
              QStringLiteral("ZRCustomizableAlertPreferencesKey-x"));
}
