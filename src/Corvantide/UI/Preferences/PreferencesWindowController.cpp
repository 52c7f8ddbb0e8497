#include "Preferences/PreferencesWindowController.h"

#include "ui_PreferencesWindowController.h"

#include "Platform/MainThread.h"
#include "UserDefaultsKeys.h"
#include "ZRKit/UI/ZRImage.h"
#include "ZRKit/UI/ZRTargetAction.h"
#include "ZRKit/UI/ZRToolbar.h"
#include "ZRKit/UI/ZRToolbarItem.h"
#include "ZRKit/UI/ZRWindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QLayout>
#include <QMainWindow>
#include <QToolBar>

namespace {

/*! The width a pane gets when there is no content to take it from. */
constexpr int DefaultPaneWidth = 580;

} // namespace

PreferencesWindowController::PreferencesWindowController(PreferenceViewController* general,
                                                         PreferenceViewController* projects, QObject* parent)
    : QObject(parent)
    , m_general(general)
    , m_projects(projects) {}

PreferencesWindowController::~PreferencesWindowController() {
    // The window tells its filter of events while it is being taken apart: stop listening first.
    if (m_window)
        m_window->removeEventFilter(this);
    delete m_window.data();
    // Panes that never reached a window are still ours.
    for (PreferenceViewController* pane : {m_general.data(), m_projects.data()}) {
        if (pane && !pane->parent())
            delete pane;
    }
}

QMainWindow* PreferencesWindowController::window() {
    Platform::assertMainThread();
    if (!m_window) {
        m_ui = std::make_unique<Ui::PreferencesWindowController>();
        m_window = new QMainWindow();
        m_ui->setupUi(m_window);
        windowDidLoad();
    }
    return m_window;
}

void PreferencesWindowController::showWindow() {
    QMainWindow* shown = window();
    shown->show();
    shown->raise();
    shown->activateWindow();
}

void PreferencesWindowController::windowDidLoad() {
    // The window's delegate: it asks the shown pane before it closes.
    m_window->installEventFilter(this);
    for (PreferenceViewController* pane : viewControllers()) {
        pane->hide();
        pane->setParent(m_window);
        pane->awake();
    }
    setupToolbar();
}

QList<PreferenceViewController*> PreferencesWindowController::viewControllers() const {
    QList<PreferenceViewController*> panes;
    for (PreferenceViewController* pane : {m_general.data(), m_projects.data()}) {
        if (pane)
            panes.append(pane);
    }
    return panes;
}

PreferenceViewController* PreferencesWindowController::viewControllerWithTag(int tag) const {
    for (PreferenceViewController* pane : viewControllers()) {
        if (int(pane->tag()) == tag)
            return pane;
    }
    return nullptr;
}

PreferenceViewController* PreferencesWindowController::currentViewController() const {
    if (!m_window || !m_window->centralWidget())
        return nullptr;
    for (PreferenceViewController* pane : viewControllers()) {
        if (pane == m_window->centralWidget())
            return pane;
    }
    return nullptr;
}

void PreferencesWindowController::setupToolbar() {
    m_toolbar = new QToolBar(m_window);
    m_toolbar->setObjectName(QStringLiteral("PreferencesToolBar"));
    // Not customizable: fixed in place, no menu to hide it.
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->toggleViewAction()->setVisible(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ZRToolbar::setDelegate(m_toolbar, this);
    m_toolbarGroup = new QActionGroup(m_toolbar);
    m_toolbarGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const QString& identifier : toolbarDefaultItemIdentifiers()) {
        if (QAction* item = toolbarItemForItemIdentifier(identifier)) {
            item->setParent(m_toolbar);
            m_toolbarGroup->addAction(item);
            m_toolbar->addAction(item);
        }
    }
    m_window->addToolBar(Qt::TopToolBarArea, m_toolbar);

    const qint64 selected = UserDefaultsKeys::integer(UserDefaultsKeys::Key::selectedPreferencesTab);
    if (selected != 0 && selected != 1)
        return;
    PreferenceViewController* pane = viewControllerWithTag(int(selected));
    if (!pane && !viewControllers().isEmpty())
        pane = viewControllers().first();
    if (!pane || pane->identifier().isEmpty())
        return;
    changeTo(pane, true, false);
    setSelectedItemIdentifier(pane->identifier());
}

QStringList PreferencesWindowController::toolbarDefaultItemIdentifiers() const {
    QStringList identifiers;
    for (PreferenceViewController* pane : viewControllers()) {
        if (!pane->identifier().isEmpty())
            identifiers.append(pane->identifier());
    }
    return identifiers;
}

QAction* PreferencesWindowController::toolbarItemForItemIdentifier(const QString& identifier) {
    for (PreferenceViewController* pane : viewControllers()) {
        if (pane->identifier() != identifier)
            continue;
        auto* item = new ZRToolbarItem(identifier);
        item->setBordered(true);
        item->setCheckable(true);
        ZRTargetAction::setTarget(item, this);
        ZRTargetAction::setAction(item, "toolbarIconClicked");
        item->setText(pane->title());
        item->setToolTip(pane->toolTip());
        item->setIcon(ZRImage::imageNamed(pane->imageName()).toIcon());
        ZRTargetAction::setTag(item, int(pane->tag()));
        return item;
    }
    return nullptr;
}

void PreferencesWindowController::toolbarIconClicked(QObject* sender) {
    Platform::assertMainThread();
    const int tag = ZRTargetAction::tag(sender);
    if (tag == int(PreferenceViewControllerTag::general) || tag == int(PreferenceViewControllerTag::projects))
        changeToViewControllerWithTag(tag);
}

void PreferencesWindowController::changeToViewControllerWithTag(int tag) {
    if (PreferenceViewController* pane = viewControllerWithTag(tag))
        changeTo(pane, true, true);
}

void PreferencesWindowController::changeTo(PreferenceViewController* viewController, bool display,
                                           bool animate) {
    Platform::assertMainThread();
    PreferenceViewController* current = currentViewController();
    if (current && !current->shouldHideViewInPreferencesPanel()) {
        setSelectedItemIdentifier(current->identifier());
        return;
    }
    if (current)
        current->willHideViewInPreferencesPanel();
    viewController->willShowViewInPreferencesPanel();
    UserDefaultsKeys::set(qint64(viewController->tag()), UserDefaultsKeys::Key::selectedPreferencesTab);

    if (m_window && m_window->layout())
        m_window->layout()->activate();
    QWidget* content = m_window ? m_window->centralWidget() : nullptr;
    const int width = content ? content->width() : DefaultPaneWidth;
    const int height = viewController->testAttribute(Qt::WA_Resized) ? viewController->height()
                                                                     : viewController->sizeHint().height();
    viewController->resize(width, height);
    if (m_window)
        ZRWindow::changeContentViewToViewDisplayAnimate(m_window, viewController, display, animate);
    setSelectedItemIdentifier(viewController->identifier());
}

void PreferencesWindowController::setSelectedItemIdentifier(const QString& identifier) {
    if (!m_toolbar)
        return;
    ZRToolbar::setSelectedItemIdentifier(m_toolbar, identifier);
    for (QAction* item : m_toolbar->actions())
        item->setChecked(!identifier.isEmpty() && item->objectName() == identifier);
}

bool PreferencesWindowController::windowShouldClose() {
    PreferenceViewController* current = currentViewController();
    return current ? current->shouldHideViewInPreferencesPanel() : true;
}

bool PreferencesWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == static_cast<QObject*>(m_window.data()) &&
        !windowShouldClose()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
