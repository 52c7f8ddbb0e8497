#include "NoProjectsViewController.h"

#include "ui_NoProjectsViewController.h"

NoProjectsViewController::NoProjectsViewController(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::NoProjectsViewController>()) {
    m_ui->setupUi(this);
    connect(m_ui->signInButton, &QPushButton::clicked, this, &NoProjectsViewController::signInRequested);
}

NoProjectsViewController::~NoProjectsViewController() = default;
