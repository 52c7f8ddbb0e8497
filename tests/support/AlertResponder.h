#pragma once

#include "Platform/UI/Alert.h"

#include <QStringList>

#include <vector>

namespace TestUtils {

/*! What one alert showed, as the responder saw it. */
struct ShownAlert {
    QString messageText;
    QString informativeText;
    Platform::AlertStyle style = Platform::AlertStyle::Warning;
    QStringList buttonTitles;
    bool hasAccessoryView = false;
    bool showsSuppressionButton = false;
    bool showsHelp = false;
    QString helpAnchor;
};

/*! Answers every alert while it lives, without showing one, and records what each alert showed. Answers
    are taken in order; when they run out the first button (1000) is pressed and the check box left alone. */
class AlertResponder {
public:
    explicit AlertResponder(std::vector<Platform::Alert::Answer> answers = {})
        : m_answers(std::move(answers)) {
        m_previous = Platform::Alert::setResponderForTesting([this](const Platform::Alert& alert) {
            m_shown.push_back(ShownAlert{alert.messageText(), alert.informativeText(), alert.alertStyle(),
                                         alert.buttonTitles(), alert.accessoryView() != nullptr,
                                         alert.showsSuppressionButton(), alert.showsHelp(),
                                         alert.helpAnchor()});
            if (m_next < m_answers.size())
                return m_answers[m_next++];
            return Platform::Alert::Answer{};
        });
    }
    ~AlertResponder() { Platform::Alert::setResponderForTesting(std::move(m_previous)); }
    AlertResponder(const AlertResponder&) = delete;
    AlertResponder& operator=(const AlertResponder&) = delete;

    const std::vector<ShownAlert>& shown() const { return m_shown; }

private:
    std::vector<Platform::Alert::Answer> m_answers;
    size_t m_next = 0;
    std::vector<ShownAlert> m_shown;
    Platform::Alert::Responder m_previous;
};

} // namespace TestUtils
