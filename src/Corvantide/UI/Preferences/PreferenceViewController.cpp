#include "Preferences/PreferenceViewController.h"

PreferenceViewController::PreferenceViewController(QWidget* parent)
    : QWidget(parent) {}

bool PreferenceViewController::shouldHideViewInPreferencesPanel() {
    return true;
}

void PreferenceViewController::willShowViewInPreferencesPanel() {}

void PreferenceViewController::willHideViewInPreferencesPanel() {}

void PreferenceViewController::awakeFromNib() {
    switch (tag()) {
    case PreferenceViewControllerTag::general:
        m_identifier = QStringLiteral("general");
        break;
    case PreferenceViewControllerTag::projects:
        m_identifier = QStringLiteral("projects");
        break;
    }
    setObjectName(m_identifier);
}

void PreferenceViewController::awake() {
    if (m_awake)
        return;
    m_awake = true;
    awakeFromNib();
    viewDidLoad();
}
