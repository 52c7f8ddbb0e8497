#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace Platform {

enum class AlertStyle { Warning = 0, Informational = 1, Critical = 2 };

/*! The answers of a modal alert: the first, second and third button added. */
namespace ModalResponse {
constexpr int FirstButton = 1000;
constexpr int SecondButton = 1001;
constexpr int ThirdButton = 1002;
} // namespace ModalResponse

/*! A modal alert: a bold message, an informative text, up to any number of buttons (the first is the
    default and answers 1000, the next 1001, ...), an optional accessory widget, an optional "do not show
    again" check box and an optional help button. Configure it, then runModal() on the main thread.

    The accessory view stays the caller's: the dialog borrows it while it runs and gives it back without a
    parent afterwards.

    Tests answer alerts without showing them through setResponderForTesting. */
class Alert {
public:
    /*! What a test responder answers: the button result and the state of the suppression check box. */
    struct Answer {
        int response = ModalResponse::FirstButton;
        bool suppressionChecked = false;
    };
    using Responder = std::function<Answer(const Alert& alert)>;

    Alert() = default;
    virtual ~Alert() = default;
    Alert(const Alert&) = delete;
    Alert& operator=(const Alert&) = delete;

    QString messageText() const { return m_messageText; }
    void setMessageText(const QString& text) { m_messageText = text; }
    QString informativeText() const { return m_informativeText; }
    void setInformativeText(const QString& text) { m_informativeText = text; }
    AlertStyle alertStyle() const { return m_style; }
    void setAlertStyle(AlertStyle style) { m_style = style; }

    void addButtonWithTitle(const QString& title) { m_buttonTitles.append(title); }
    QStringList buttonTitles() const { return m_buttonTitles; }

    QWidget* accessoryView() const { return m_accessoryView; }
    void setAccessoryView(QWidget* view) { m_accessoryView = view; }

    bool showsSuppressionButton() const { return m_showsSuppressionButton; }
    void setShowsSuppressionButton(bool shows) { m_showsSuppressionButton = shows; }
    /*! The check box's state; after runModal it holds what the user left ticked. */
    bool suppressionButtonChecked() const { return m_suppressionChecked; }
    void setSuppressionButtonChecked(bool checked) { m_suppressionChecked = checked; }

    bool showsHelp() const { return m_showsHelp; }
    void setShowsHelp(bool shows) { m_showsHelp = shows; }
    QString helpAnchor() const { return m_helpAnchor; }
    void setHelpAnchor(const QString& anchor) { m_helpAnchor = anchor; }

    /*! Shows the alert application-modal and blocks until a button is pressed; main thread only. With no
        buttons added it shows one "OK" button answering 1000. Escape presses a "Cancel" button, or the only
        button when there is just one. */
    int runModal();

    /*! Routes every later runModal to the responder instead of showing a dialog (tests); an empty function
        restores the dialog. Answers the responder it replaces. */
    static Responder setResponderForTesting(Responder responder);

private:
    QString m_messageText;
    QString m_informativeText;
    AlertStyle m_style = AlertStyle::Warning;
    QStringList m_buttonTitles;
    QPointer<QWidget> m_accessoryView;
    bool m_showsSuppressionButton = false;
    bool m_suppressionChecked = false;
    bool m_showsHelp = false;
    QString m_helpAnchor;
};

} // namespace Platform
