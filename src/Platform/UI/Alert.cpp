#include "Platform/UI/Alert.h"

#include "Platform/MainThread.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

namespace Platform {

namespace {

std::mutex& responderMutex() {
    static std::mutex mutex;
    return mutex;
}

Alert::Responder& currentResponder() {
    static Alert::Responder responder;
    return responder;
}

QStyle::StandardPixmap iconFor(AlertStyle style) {
    switch (style) {
    case AlertStyle::Informational:
        return QStyle::SP_MessageBoxInformation;
    case AlertStyle::Critical:
        return QStyle::SP_MessageBoxCritical;
    case AlertStyle::Warning:
        break;
    }
    return QStyle::SP_MessageBoxWarning;
}

/*! The window of an Alert. Buttons sit on the right with the default one outermost; the help button, when
    shown, on the left. */
class AlertDialog final : public QDialog {
public:
    explicit AlertDialog(const Alert& alert) {
        setWindowTitle(QGuiApplication::applicationDisplayName());
        setModal(true);

        auto* icon = new QLabel(this);
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()->standardIcon(iconFor(alert.alertStyle()), nullptr, this).pixmap(size, size));
        icon->setAlignment(Qt::AlignTop);

        auto* message = new QLabel(alert.messageText(), this);
        message->setObjectName(QStringLiteral("messageLabel"));
        message->setTextFormat(Qt::PlainText);
        message->setWordWrap(true);
        QFont bold = message->font();
        bold.setBold(true);
        message->setFont(bold);

        auto* column = new QVBoxLayout;
        column->addWidget(message);
        if (!alert.informativeText().isEmpty()) {
            auto* informative = new QLabel(alert.informativeText(), this);
            informative->setObjectName(QStringLiteral("informativeLabel"));
            informative->setTextFormat(Qt::PlainText);
            informative->setWordWrap(true);
            informative->setTextInteractionFlags(Qt::TextSelectableByMouse);
            column->addWidget(informative);
        }
        if (QWidget* accessory = alert.accessoryView()) {
            m_accessory = accessory;
            column->addWidget(accessory);
            accessory->show();
        }
        if (alert.showsSuppressionButton()) {
            m_suppression =
                new QCheckBox(QApplication::translate("Alert", "Do not show this message again"), this);
            m_suppression->setObjectName(QStringLiteral("suppressionCheckBox"));
            m_suppression->setChecked(alert.suppressionButtonChecked());
            column->addWidget(m_suppression);
        }

        auto* buttons = new QHBoxLayout;
        if (alert.showsHelp()) {
            auto* help = new QPushButton(QApplication::translate("Alert", "Help"), this);
            help->setObjectName(QStringLiteral("helpButton"));
            help->setAutoDefault(false);
            help->setToolTip(alert.helpAnchor());
            buttons->addWidget(help);
        }
        buttons->addStretch();
        QStringList titles = alert.buttonTitles();
        if (titles.isEmpty())
            titles.append(QApplication::translate("Alert", "OK"));
        const QString cancel = QApplication::translate("Alert", "Cancel");
        for (qsizetype index = titles.size() - 1; index >= 0; --index) {
            auto* button = new QPushButton(titles.at(index), this);
            button->setObjectName(QStringLiteral("alertButton%1").arg(index));
            const int response = ModalResponse::FirstButton + static_cast<int>(index);
            connect(button, &QPushButton::clicked, this, [this, response] { done(response); });
            if (index == 0) {
                button->setDefault(true);
                button->setFocus();
            }
            if (m_escapeResponse == 0 &&
                (titles.at(index) == cancel || titles.at(index) == QLatin1String("Cancel")))
                m_escapeResponse = response;
            buttons->addWidget(button);
        }
        if (m_escapeResponse == 0 && titles.size() == 1)
            m_escapeResponse = ModalResponse::FirstButton;

        auto* top = new QHBoxLayout;
        top->addWidget(icon);
        top->addLayout(column, 1);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(top);
        layout->addLayout(buttons);
        fitTextToScreen(icon->sizeHint().width());
    }

    ~AlertDialog() override { releaseAccessory(); }

    bool suppressionChecked() const { return m_suppression != nullptr && m_suppression->isChecked(); }

    // The accessory view belongs to the caller: hand it back before the dialog's children are deleted.
    void releaseAccessory() {
        if (m_accessory != nullptr) {
            m_accessory->hide();
            m_accessory->setParent(nullptr);
            m_accessory = nullptr;
        }
    }

    // Escape and the window's close button only end the alert when some button means "cancel".
    void reject() override {
        if (m_escapeResponse != 0)
            done(m_escapeResponse);
    }

private:
    // The texts are about 72 characters wide (less when they are shorter), instead of the narrow column a
    // wrapping label asks for, and the alert stays within three quarters of the screen's width and height.
    void fitTextToScreen(int iconWidth) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QSize available = screen ? screen->availableGeometry().size() : QSize(1024, 768);
        const int chrome = iconWidth + 4 * style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing) + 48;
        const int widest = std::max(available.width() * 3 / 4 - chrome, 120);
        int width = 0;
        const auto labels = findChildren<QLabel*>();
        for (const QLabel* label : labels) {
            if (!label->wordWrap())
                continue;
            const QFontMetrics metrics(label->font());
            int longest = 0;
            for (const QString& line : label->text().split(u'\n'))
                longest = std::max(longest, metrics.horizontalAdvance(line));
            width = std::max(width, std::min(longest + 2, metrics.averageCharWidth() * 72));
        }
        width = std::min(width, widest);
        for (QLabel* label : labels)
            if (label->wordWrap())
                label->setMinimumWidth(width);
        setMaximumSize(available.width() * 3 / 4, available.height() * 3 / 4);
    }

    QPointer<QWidget> m_accessory;
    QCheckBox* m_suppression = nullptr;
    int m_escapeResponse = 0;
};

} // namespace

int Alert::runModal() {
    assertMainThread();
    Responder responder;
    {
        std::lock_guard lock(responderMutex());
        responder = currentResponder();
    }
    if (responder) {
        const Answer answer = responder(*this);
        if (m_showsSuppressionButton)
            m_suppressionChecked = answer.suppressionChecked;
        return answer.response;
    }
    AlertDialog dialog(*this);
    const int response = dialog.exec();
    if (m_showsSuppressionButton)
        m_suppressionChecked = dialog.suppressionChecked();
    dialog.releaseAccessory();
    return response;
}

Alert::Responder Alert::setResponderForTesting(Responder responder) {
    std::lock_guard lock(responderMutex());
    Responder previous = std::move(currentResponder());
    currentResponder() = std::move(responder);
    return previous;
}

} // namespace Platform
