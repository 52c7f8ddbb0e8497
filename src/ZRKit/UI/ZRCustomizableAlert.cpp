#include "ZRKit/UI/ZRCustomizableAlert.h"

#include "Platform/Assert.h"
#include "Platform/MainThread.h"
#include "Platform/UserDefaults.h"

namespace {

const QString SuppressionKeyPrefix = QStringLiteral("ZRCustomizableAlertPreferencesKey-");

QStringList presentTitles(const QString& defaultButton, const QString& alternateButton,
                          const QString& otherButton) {
    QStringList titles;
    for (const QString* title : {&defaultButton, &alternateButton, &otherButton})
        if (!title->isNull())
            titles.append(*title);
    return titles;
}

} // namespace

std::unique_ptr<ZRCustomizableAlert> ZRCustomizableAlert::alertWithMessageText(
    const QString& message, const QStringList& buttonTitles, const QString& informativeText,
    Platform::AlertStyle style, QWidget* accessoryView, const QString& suppressionButtonPreferencesKey,
    const QString& helpAnchor) {
    Platform::parameterAssert(accessoryView == nullptr || suppressionButtonPreferencesKey.isNull(),
                              "(nil == inView) || (nil == inPreferencesKey)");
    auto alert = std::make_unique<ZRCustomizableAlert>();
    alert->setMessageText(message.isNull() ? QStringLiteral("") : message);
    if (!informativeText.isNull())
        alert->setInformativeText(informativeText);
    alert->setAlertStyle(style);
    for (const QString& title : buttonTitles)
        alert->addButtonWithTitle(title);
    if (accessoryView != nullptr)
        alert->setAccessoryView(accessoryView);
    if (!suppressionButtonPreferencesKey.isEmpty())
        alert->setShowsSuppressionButton(true);
    if (!helpAnchor.isEmpty()) {
        alert->setShowsHelp(true);
        alert->setHelpAnchor(helpAnchor);
    }
    return alert;
}

std::unique_ptr<ZRCustomizableAlert> ZRCustomizableAlert::alertWithMessageText(
    const QString& message, const QString& defaultButton, const QString& alternateButton,
    const QString& otherButton, const QString& informativeText, Platform::AlertStyle style,
    QWidget* accessoryView, const QString& suppressionButtonPreferencesKey, const QString& helpAnchor) {
    return alertWithMessageText(message, presentTitles(defaultButton, alternateButton, otherButton),
                                informativeText, style, accessoryView, suppressionButtonPreferencesKey,
                                helpAnchor);
}

int ZRCustomizableAlert::runAlertPanelWithMessageText(const QString& message, const QString& defaultButton,
                                                      const QString& alternateButton,
                                                      const QString& otherButton,
                                                      const QString& informativeText,
                                                      Platform::AlertStyle style, QWidget* accessoryView,
                                                      const QString& helpAnchor) {
    return alertWithMessageText(message, defaultButton, alternateButton, otherButton, informativeText, style,
                                accessoryView, QString(), helpAnchor)
        ->runModal();
}

int ZRCustomizableAlert::runWarningAlertPanelWithMessageText(
    const QString& message, const QString& defaultButton, const QString& alternateButton,
    const QString& otherButton, const QString& informativeText, QWidget* accessoryView) {
    return runAlertPanelWithMessageText(message, defaultButton, alternateButton, otherButton, informativeText,
                                        Platform::AlertStyle::Warning, accessoryView);
}

int ZRCustomizableAlert::runAlertPanelWithMessageText(const QString& message, const QStringList& buttonTitles,
                                                      const QString& informativeText,
                                                      Platform::AlertStyle style, QWidget* accessoryView) {
    return alertWithMessageText(message, buttonTitles, informativeText, style, accessoryView, QString(),
                                QString())
        ->runModal();
}

int ZRCustomizableAlert::runAlertPanelWithMessageText(const QString& message, const QString& defaultButton,
                                                      const QString& alternateButton,
                                                      const QString& otherButton,
                                                      const QString& informativeText,
                                                      const QString& suppressionButtonPreferencesKey,
                                                      bool* wasSuppressed) {
    Platform::assertMainThread();
    Platform::parameterAssert(!suppressionButtonPreferencesKey.isEmpty(), "0 < [inPreferencesKey length]");
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    const QString recordKey = ZRCustomizableAlertPreferencesKeyForKey(suppressionButtonPreferencesKey);
    if (defaults.boolean(recordKey)) {
        if (wasSuppressed != nullptr)
            *wasSuppressed = true;
        return Platform::ModalResponse::FirstButton;
    }
    auto alert = alertWithMessageText(message, defaultButton, alternateButton, otherButton, informativeText,
                                      Platform::AlertStyle::Warning, nullptr, recordKey, QString());
    const int response = alert->runModal();
    if (alert->suppressionButtonChecked())
        defaults.setValue(recordKey, true);
    if (wasSuppressed != nullptr)
        *wasSuppressed = false;
    return response;
}

void ZRCustomizableAlert::reenableAllSuppressedAlerts() {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    const QVariantMap all = defaults.dictionaryRepresentation();
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (it.key().startsWith(SuppressionKeyPrefix))
            defaults.removeObject(it.key());
}

QString ZRCustomizableAlertPreferencesKeyForKey(const QString& key) {
    Platform::parameterAssert(!key.isEmpty(), "0 < [inKey length]");
    return SuppressionKeyPrefix + key;
}

int ZRRunAlertPanelWithStyleAndAccessoryViewArguments(const QString& title, const QString& messageFormat,
                                                      const QString& defaultButton,
                                                      const QString& alternateButton,
                                                      const QString& otherButton, Platform::AlertStyle style,
                                                      QWidget* accessoryView, const QVariantList& arguments) {
    const QString informative =
        messageFormat.isEmpty() ? QString() : Platform::stringWithFormat(messageFormat, arguments);
    return ZRCustomizableAlert::runAlertPanelWithMessageText(title, defaultButton, alternateButton,
                                                             otherButton, informative, style, accessoryView);
}

int ZRRunAlertPanel3(const QString& title, const QString& message, const QString& defaultButton,
                     const QString& alternateButton, const QString& otherButton) {
    return ZRRunAlertPanel(title, QStringLiteral("%@"), defaultButton, alternateButton, otherButton, message);
}
