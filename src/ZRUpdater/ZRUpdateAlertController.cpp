#include "ZRUpdater/ZRUpdateAlertController.h"

#include "Platform/Bundle.h"
#include "Platform/SystemLog.h"
#include "Platform/UI/WebView.h"
#include "Platform/UI/Workspace.h"
#include "ZRKit/UI/ZRProgressIndicator.h"
#include "ZRKit/UI/ZRWindowFrameAutosave.h"
#include "ZRUpdater/ZRUpdater.h"

#include "ui_ZRUpdateAlertController.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

ZRUpdateAlertController::ZRUpdateAlertController(ZRUpdaterRelease release, ZRUpdater* delegate)
    : QWidget(nullptr, Qt::Window)
    , m_ui(std::make_unique<Ui::ZRUpdateAlertController>())
    , m_release(std::move(release))
    , m_delegate(delegate) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("updaterAlertPanel"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_ui->titleLabel->setText(m_release.title);
    m_ui->skipButton->setText(QCoreApplication::translate("ZRUpdater", "Skip This Version"));
    m_ui->laterButton->setText(QCoreApplication::translate("ZRUpdater", "Remind Me Later"));
    if (m_delegate)
        m_ui->startUpdateButton->setText(m_delegate->updateButtonTitleForUpdateAlert());
    connect(m_ui->startUpdateButton, &QPushButton::clicked, this, [this] { endWithSenderTag(0); });
    connect(m_ui->laterButton, &QPushButton::clicked, this, [this] { endWithSenderTag(1); });
    connect(m_ui->skipButton, &QPushButton::clicked, this, [this] { endWithSenderTag(2); });
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ZRSetFrameAutosaveName(this, QStringLiteral("updaterAlertPanel"));

    // A 32-point spinner centred over the notes, on top of the web view, until the notes have loaded.
    m_releaseNotesSpinner = new ZRProgressIndicator(m_ui->releaseNotesFrame);
    m_releaseNotesSpinner->resize(32, 32);
    m_releaseNotesSpinner->startAnimation();
    m_ui->releaseNotesFrame->installEventFilter(this);
    m_releaseWebView = makeWebView(m_ui->releaseNotesFrame, true);
    m_releaseNotesSpinner->raise();
    m_updateConditionsWebView = makeWebView(m_ui->updateConditionsFrame, false);
    m_ui->updateConditionsFrame->setVisible(!m_release.updateConditions.isEmpty());
    if (m_releaseWebView && !m_release.releaseNotes.isEmpty())
        m_releaseWebView->loadHtml(htmlForFragment(m_release.releaseNotes));
    if (m_updateConditionsWebView && !m_release.updateConditions.isEmpty())
        m_updateConditionsWebView->loadHtml(htmlForFragment(m_release.updateConditions));
}

ZRUpdateAlertController::~ZRUpdateAlertController() = default;

Platform::WebView* ZRUpdateAlertController::makeWebView(QWidget* frame, bool isReleaseNotes) {
    Platform::WebViewOptions options;
    options.javaScriptEnabled = false;
    options.firstLoadOnly = true;
    Platform::WebView* view = Platform::WebViews::create(frame, options);
    if (!view) {
        Platform::SystemLog::log(
            QStringLiteral("ZRUpdater cannot show release notes: %1").arg(Platform::WebViews::errorString()));
        return nullptr;
    }
    frame->layout()->addWidget(view->widget());
    view->setRefusedNavigationHandler([](const Platform::WebNavigationAction& action) {
        // Only a followed link leaves (with scripts off, only the user follows one): a refresh or redirect
        // of the notes opens nothing.
        if (action.type == Platform::WebNavigationType::LinkActivated)
            openLinkOutside(action.url);
    });
    if (isReleaseNotes)
        view->setLoadFinishedHandler([this](bool) {
            m_webViewFinishedLoading = true;
            m_releaseNotesSpinner->stopAnimation();
            m_releaseNotesSpinner->hide();
        });
    return view;
}

bool ZRUpdateAlertController::openLinkOutside(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return Platform::Workspace::openURL(url);
    if (scheme == QLatin1String("mailto") && !url.path().isEmpty())
        return QDesktopServices::openUrl(url);
    Platform::SystemLog::log(QStringLiteral("ZRUpdater does not open the link %1").arg(url.toString()));
    return false;
}

QString ZRUpdateAlertController::htmlForFragment(const QByteArray& fragment) {
    const QString notes = QString::fromUtf8(fragment);
    QFile wrapper(Platform::Bundle::mainBundle().pathForResource(QStringLiteral("updaterReleaseNotes"),
                                                                 QStringLiteral("html")));
    if (!wrapper.fileName().isEmpty() && wrapper.open(QIODevice::ReadOnly))
        return QString::fromUtf8(wrapper.readAll()).replace(QStringLiteral("__RELEASE_NOTES__"), notes);
    return notes;
}

QString ZRUpdateAlertController::titleText() const {
    return m_ui->titleLabel->text();
}

QString ZRUpdateAlertController::startUpdateButtonTitle() const {
    return m_ui->startUpdateButton->text();
}

bool ZRUpdateAlertController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->releaseNotesFrame && event->type() == QEvent::Resize)
        m_releaseNotesSpinner->move(m_ui->releaseNotesFrame->rect().center() - QPoint(16, 16));
    return QWidget::eventFilter(watched, event);
}

void ZRUpdateAlertController::showWindow() {
    show();
    raise();
}

void ZRUpdateAlertController::bringToFront() {
    show();
    raise();
    activateWindow();
}

void ZRUpdateAlertController::endWithSenderTag(int tag) {
    if (m_ended)
        return;
    m_ended = true;
    close();
    finish(tag);
}

void ZRUpdateAlertController::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (m_ended)
        return;
    // A window closed by the user leaves the offer for later, as the later button does.
    m_ended = true;
    QTimer::singleShot(0, this, [this] { finish(1); });
}

void ZRUpdateAlertController::finish(int tag) {
    if (m_releaseWebView)
        m_releaseWebView->stop();
    if (m_delegate)
        m_delegate->updateAlertFinishedWithChoice(this, tag);
}
