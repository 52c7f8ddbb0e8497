#include "ZRUpdater/ZRUpdaterStatusPanelController.h"

#include "ZRKit/UI/ZRWindowFrameAutosave.h"

#include "ui_ZRUpdaterStatusPanelController.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

ZRUpdaterStatusPanelController::ZRUpdaterStatusPanelController()
    : QWidget(nullptr, Qt::Window)
    , m_ui(std::make_unique<Ui::ZRUpdaterStatusPanelController>()) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("updaterStatusPanel"));
    connect(m_ui->actionButton, &QPushButton::clicked, this, [this] { pressButton(); });
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);
    updateBar();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ZRSetFrameAutosaveName(this, QStringLiteral("updaterStatusPanel"));
}

ZRUpdaterStatusPanelController::~ZRUpdaterStatusPanelController() = default;

void ZRUpdaterStatusPanelController::beginActionWithTitle(const QString& title, double maxProgressValue,
                                                          const QString& statusText) {
    m_ui->titleLabel->setText(title);
    m_maxProgressValue = maxProgressValue;
    m_ui->statusLabel->setText(statusText);
    updateBar();
}

void ZRUpdaterStatusPanelController::setButtonTitle(const QString& title, std::function<void()> action,
                                                    bool isDefault) {
    m_ui->actionButton->setText(title);
    m_ui->actionButton->setDefault(isDefault);
    m_ui->actionButton->setAutoDefault(isDefault);
    m_ui->actionButton->setEnabled(true);
    m_action = std::move(action);
}

void ZRUpdaterStatusPanelController::setButtonEnabled(bool enabled) {
    m_ui->actionButton->setEnabled(enabled);
}

void ZRUpdaterStatusPanelController::dismiss() {
    m_dismissed = true;
    close();
}

void ZRUpdaterStatusPanelController::closeEvent(QCloseEvent* event) {
    if (m_dismissed) {
        event->accept();
        return;
    }
    if (!m_cancelAction) {
        event->ignore();
        return;
    }
    event->accept();
    const auto cancel = m_cancelAction; // the handler may drop the panel's handlers
    cancel();
}

void ZRUpdaterStatusPanelController::setProgressValue(double value) {
    m_progressValue = value;
    updateBar();
}

void ZRUpdaterStatusPanelController::setMaxProgressValue(double value) {
    m_maxProgressValue = value;
    updateBar();
}

void ZRUpdaterStatusPanelController::setStatusText(const QString& text) {
    m_ui->statusLabel->setText(text);
}

void ZRUpdaterStatusPanelController::updateBar() {
    // The bar works in thousandths so that byte counts beyond int range still fit.
    if (m_maxProgressValue <= 0) {
        m_ui->progressBar->setRange(0, 0);
        return;
    }
    m_ui->progressBar->setRange(0, 1000);
    m_ui->progressBar->setValue(int(1000 * std::clamp(m_progressValue / m_maxProgressValue, 0.0, 1.0)));
}

void ZRUpdaterStatusPanelController::showWindow() {
    show();
    raise();
}

void ZRUpdaterStatusPanelController::bringToFront() {
    show();
    raise();
    activateWindow();
}

QString ZRUpdaterStatusPanelController::title() const {
    return m_ui->titleLabel->text();
}

QString ZRUpdaterStatusPanelController::statusText() const {
    return m_ui->statusLabel->text();
}

QString ZRUpdaterStatusPanelController::buttonTitle() const {
    return m_ui->actionButton->text();
}

bool ZRUpdaterStatusPanelController::isButtonEnabled() const {
    return m_ui->actionButton->isEnabled();
}

void ZRUpdaterStatusPanelController::pressButton() {
    if (m_ui->actionButton->isEnabled() && m_action) {
        const auto action = m_action; // the action may replace the button's action
        action();
    }
}
