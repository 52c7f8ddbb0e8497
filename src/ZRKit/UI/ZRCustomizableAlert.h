#pragma once

#include "Platform/StringFormat.h"
#include "Platform/UI/Alert.h"

#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

/*! The kit's alerts. A null QString is "no value" throughout: a null button title leaves that button out,
    a null informative text leaves the platform's empty one. An empty but non-null title is a button with an
    empty title. Every run happens on the main thread and answers 1000, 1001 or 1002 for the first, second
    or third button shown. */
class ZRCustomizableAlert : public Platform::Alert {
public:
    /*! Builds the alert: message (empty when null), informative text when non-null, style, one button per
        title, the accessory view, the suppression check box when the key is non-empty and the help button
        when the anchor is non-empty. An accessory view together with a suppression key is a programming
        error. */
    static std::unique_ptr<ZRCustomizableAlert>
    alertWithMessageText(const QString& message, const QStringList& buttonTitles,
                         const QString& informativeText, Platform::AlertStyle style, QWidget* accessoryView,
                         const QString& suppressionButtonPreferencesKey, const QString& helpAnchor);
    /*! The button list is default, alternate, other in that order, each left out when null. */
    static std::unique_ptr<ZRCustomizableAlert>
    alertWithMessageText(const QString& message, const QString& defaultButton, const QString& alternateButton,
                         const QString& otherButton, const QString& informativeText,
                         Platform::AlertStyle style, QWidget* accessoryView,
                         const QString& suppressionButtonPreferencesKey, const QString& helpAnchor);

    static int runAlertPanelWithMessageText(const QString& message, const QString& defaultButton,
                                            const QString& alternateButton, const QString& otherButton,
                                            const QString& informativeText, Platform::AlertStyle style,
                                            QWidget* accessoryView, const QString& helpAnchor = QString());
    static int runWarningAlertPanelWithMessageText(const QString& message, const QString& defaultButton,
                                                   const QString& alternateButton, const QString& otherButton,
                                                   const QString& informativeText, QWidget* accessoryView);
    static int runAlertPanelWithMessageText(const QString& message, const QStringList& buttonTitles,
                                            const QString& informativeText, Platform::AlertStyle style,
                                            QWidget* accessoryView);

    /*! A warning alert the user can turn off with its check box. When it was turned off before, nothing is
        shown, *wasSuppressed (when given) becomes true and the answer is 1000. Otherwise it runs; a ticked
        check box is remembered whichever button was pressed. The key must not be empty. */
    static int runAlertPanelWithMessageText(const QString& message, const QString& defaultButton,
                                            const QString& alternateButton, const QString& otherButton,
                                            const QString& informativeText,
                                            const QString& suppressionButtonPreferencesKey,
                                            bool* wasSuppressed);

    /*! Forgets every "do not show again" choice. */
    static void reenableAllSuppressedAlerts();
};

/*! The user-defaults key that remembers a suppressed alert: "ZRCustomizableAlertPreferencesKey-" + key. */
QString ZRCustomizableAlertPreferencesKeyForKey(const QString& key);

/*! Formats the message once (stringWithFormat) and runs the three-button alert; an empty format gives no
    informative text. */
int ZRRunAlertPanelWithStyleAndAccessoryViewArguments(const QString& title, const QString& messageFormat,
                                                      const QString& defaultButton,
                                                      const QString& alternateButton,
                                                      const QString& otherButton, Platform::AlertStyle style,
                                                      QWidget* accessoryView, const QVariantList& arguments);

template <typename... Args>
int ZRRunAlertPanelWithStyleAndAccessoryView(const QString& title, const QString& messageFormat,
                                             const QString& defaultButton, const QString& alternateButton,
                                             const QString& otherButton, Platform::AlertStyle style,
                                             QWidget* accessoryView, const Args&... arguments) {
    return ZRRunAlertPanelWithStyleAndAccessoryViewArguments(
        title, messageFormat, defaultButton, alternateButton, otherButton, style, accessoryView,
        QVariantList{Platform::formatArgument(arguments)...});
}

/*! A warning alert; title is the bold message, the formatted message the informative text. */
template <typename... Args>
int ZRRunAlertPanel(const QString& title, const QString& messageFormat, const QString& defaultButton,
                    const QString& alternateButton, const QString& otherButton, const Args&... arguments) {
    return ZRRunAlertPanelWithStyleAndAccessoryView(title, messageFormat, defaultButton, alternateButton,
                                                    otherButton, Platform::AlertStyle::Warning, nullptr,
                                                    arguments...);
}

/*! As ZRRunAlertPanel, in the informational style. */
template <typename... Args>
int ZRRunInformationalAlertPanel(const QString& title, const QString& messageFormat,
                                 const QString& defaultButton, const QString& alternateButton,
                                 const QString& otherButton, const Args&... arguments) {
    return ZRRunAlertPanelWithStyleAndAccessoryView(title, messageFormat, defaultButton, alternateButton,
                                                    otherButton, Platform::AlertStyle::Informational, nullptr,
                                                    arguments...);
}

/*! A warning alert whose message is shown exactly as given (no format is read from it). */
int ZRRunAlertPanel3(const QString& title, const QString& message, const QString& defaultButton,
                     const QString& alternateButton, const QString& otherButton);
