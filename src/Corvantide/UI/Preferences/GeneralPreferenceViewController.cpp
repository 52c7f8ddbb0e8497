#include "Preferences/GeneralPreferenceViewController.h"

#include "ui_GeneralPreferenceViewController.h"

#include "ApplicationCommands.h"
#include "Platform/MainThread.h"
#include "Platform/UserDefaults.h"
#include "UserDefaultsKeys.h"
#include "ZRKit/UI/ZRBinding.h"
#include "ZRKit/UI/ZRMenu.h"
#include "ZRKit/UI/ZRTargetAction.h"

GeneralPreferenceViewController::GeneralPreferenceViewController(QWidget* parent)
    : PreferenceViewController(parent)
    , m_ui(std::make_unique<Ui::GeneralPreferenceViewController>()) {
    m_ui->setupUi(this);
    Platform::UserDefaults* defaults = &Platform::UserDefaults::standard();
    using UserDefaultsKeys::Key;
    ZRBinding::bind(m_ui->updateIntervalPopup, ZRBinding::SelectedTag, defaults,
                    UserDefaultsKeys::rawValue(Key::updateIssuesIntervalMinutes));
    ZRBinding::bind(m_ui->orderIssuesPopup, ZRBinding::SelectedTag, defaults,
                    UserDefaultsKeys::rawValue(Key::orderIssuesType));
    ZRBinding::bind(m_ui->hideDockIconCheckBox, ZRBinding::Value, defaults,
                    UserDefaultsKeys::rawValue(Key::hideDockIcon));
    ZRBinding::bind(m_ui->useMenuItemImagesCheckBox, ZRBinding::Value, defaults,
                    UserDefaultsKeys::rawValue(Key::useMenuItemImagesFromJira));
    // The bindings were connected first, so the defaults hold the new value when the actions run.
    ZRTargetAction::setTarget(m_ui->hideDockIconCheckBox, this);
    ZRTargetAction::setAction(m_ui->hideDockIconCheckBox, "hideDockIconAction");
    ZRTargetAction::setTarget(m_ui->checkForUpdatesButton, this);
    ZRTargetAction::setAction(m_ui->checkForUpdatesButton, "checkForUpdatesAction");
}

GeneralPreferenceViewController::~GeneralPreferenceViewController() = default;

QString GeneralPreferenceViewController::toolTip() const {
    return tr("Set General Preferences", "preferences tooltip");
}

QComboBox* GeneralPreferenceViewController::updateIntervalPopup() const {
    return m_ui->updateIntervalPopup;
}

QComboBox* GeneralPreferenceViewController::orderIssuesPopup() const {
    return m_ui->orderIssuesPopup;
}

void GeneralPreferenceViewController::awakeFromNib() {
    PreferenceViewController::awakeFromNib();
    setTitle(tr("General", "preferences tab name"));
}

void GeneralPreferenceViewController::viewDidLoad() {
    PreferenceViewController::viewDidLoad();
    updateUpdateIntervalPopup();
    updateOrderIssuesPopup();
}

void GeneralPreferenceViewController::updateUpdateIntervalPopup() {
    Platform::assertMainThread();
    QComboBox* popUp = m_ui->updateIntervalPopup;
    popUp->clear();
    for (IssuesUpdateIntervalMinutes interval : IssuesUpdateInterval::allCases()) {
        popUp->addItem(IssuesUpdateInterval::localizedPopupString(interval));
        ZRPopUpButton::setItemTag(popUp, ZRPopUpButton::lastItem(popUp), int(interval));
    }
    ZRControl::updateBinding(popUp, ZRBinding::SelectedTag);
    // The timer reads the interval once, at launch.
    popUp->setToolTip(
        tr("A new interval applies from the next start of Corvantide.", "update interval tooltip"));
}

void GeneralPreferenceViewController::updateOrderIssuesPopup() {
    Platform::assertMainThread();
    QComboBox* popUp = m_ui->orderIssuesPopup;
    popUp->clear();
    for (IssuesOrderType order : IssuesOrder::allCases()) {
        popUp->addItem(IssuesOrder::localizedPopupString(order));
        ZRPopUpButton::setItemTag(popUp, ZRPopUpButton::lastItem(popUp), int(order));
    }
    ZRControl::updateBinding(popUp, ZRBinding::SelectedTag);
}

void GeneralPreferenceViewController::hideDockIconAction(QObject*) {
    Platform::assertMainThread();
    if (ApplicationCommands* delegate = ApplicationCommands::shared())
        delegate->setHideDockIcon(UserDefaultsKeys::boolean(UserDefaultsKeys::Key::hideDockIcon));
}

void GeneralPreferenceViewController::checkForUpdatesAction(QObject* sender) {
    Platform::assertMainThread();
    // The user's check: the updater reports its result itself.
    if (ApplicationCommands* delegate = ApplicationCommands::shared())
        delegate->checkForUpdatesAction(sender);
}
