#include "ZRKit/UI/ZRBinding.h"

#include "Platform/Assert.h"
#include "Platform/MainThread.h"
#include "Platform/UserDefaults.h"
#include "ZRKit/UI/ZRMenu.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QSpinBox>

namespace {

QString objectNameFor(const QString& binding) {
    return QStringLiteral("zrBinding:") + binding;
}

ZRBinding* findBinding(const QWidget* control, const QString& binding) {
    return control ? control->findChild<ZRBinding*>(objectNameFor(binding), Qt::FindDirectChildrenOnly)
                   : nullptr;
}

bool isPopUpBinding(const QString& binding) {
    return binding == ZRBinding::SelectedTag || binding == ZRBinding::SelectedIndex ||
           binding == ZRBinding::SelectedObject || binding == ZRBinding::SelectedValue;
}

} // namespace

void ZRBinding::bind(QWidget* control, const QString& binding, QObject* observedObject,
                     const QString& keyPath, const QVariantMap& options) {
    Platform::assertMainThread();
    Platform::parameterAssert(control != nullptr && supports(control, binding), "a binding the control has");
    unbind(control, binding);
    new ZRBinding(control, binding, ZRBindingInfo{observedObject, keyPath, options});
}

void ZRBinding::unbind(QWidget* control, const QString& binding) {
    Platform::assertMainThread();
    delete findBinding(control, binding);
}

std::optional<ZRBindingInfo> ZRBinding::infoForBinding(const QWidget* control, const QString& binding) {
    if (const ZRBinding* found = findBinding(control, binding))
        return found->m_info;
    return std::nullopt;
}

ZRBinding::ZRBinding(QWidget* control, const QString& binding, ZRBindingInfo info)
    : QObject(control)
    , m_control(control)
    , m_binding(binding)
    , m_info(std::move(info)) {
    setObjectName(objectNameFor(binding));
    if (auto* defaults = qobject_cast<Platform::UserDefaults*>(m_info.observedObject.data())) {
        connect(defaults, &Platform::UserDefaults::valueChanged, this, [this](const QString& key) {
            if (key == m_info.keyPath)
                observedValueChanged();
        });
    } else if (QObject* observed = m_info.observedObject.data()) {
        const QMetaObject* metaObject = observed->metaObject();
        const int index = metaObject->indexOfProperty(m_info.keyPath.toUtf8().constData());
        if (index >= 0 && metaObject->property(index).hasNotifySignal()) {
            const int slot = staticMetaObject.indexOfSlot("observedValueChanged()");
            connect(observed, metaObject->property(index).notifySignal(), this,
                    staticMetaObject.method(slot));
        }
    }
    connectControl();
    applyToControl();
}

bool ZRBinding::supports(const QWidget* control, const QString& binding) {
    if (binding == Enabled || binding == Hidden)
        return true;
    if (isPopUpBinding(binding))
        return qobject_cast<const QComboBox*>(control) != nullptr;
    if (binding == Value)
        return qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QLineEdit*>(control) ||
               qobject_cast<const QAbstractSpinBox*>(control) ||
               qobject_cast<const QAbstractSlider*>(control) || qobject_cast<const QLabel*>(control);
    return false;
}

QVariant ZRBinding::observedValue() const {
    QObject* observed = m_info.observedObject.data();
    if (auto* defaults = qobject_cast<Platform::UserDefaults*>(observed))
        return defaults->value(m_info.keyPath);
    return observed ? observed->property(m_info.keyPath.toUtf8().constData()) : QVariant();
}

void ZRBinding::setObservedValue(const QVariant& value) {
    QObject* observed = m_info.observedObject.data();
    if (auto* defaults = qobject_cast<Platform::UserDefaults*>(observed))
        defaults->setValue(m_info.keyPath, value);
    else if (observed)
        observed->setProperty(m_info.keyPath.toUtf8().constData(), value);
}

void ZRBinding::observedValueChanged() {
    applyToControl();
}

void ZRBinding::applyToControl() {
    const QVariant value = observedValue();
    m_applying = true;
    if (m_binding == Enabled) {
        m_control->setEnabled(value.toBool());
    } else if (m_binding == Hidden) {
        m_control->setHidden(value.toBool());
    } else if (auto* popUp = qobject_cast<QComboBox*>(m_control)) {
        if (m_binding == SelectedTag) {
            if (value.isValid())
                ZRPopUpButton::selectItemWithTag(popUp, value.toInt());
            else
                popUp->setCurrentIndex(-1);
        } else if (m_binding == SelectedIndex) {
            popUp->setCurrentIndex(value.isValid() ? value.toInt() : -1);
        } else if (m_binding == SelectedObject) {
            ZRPopUpButton::selectItemRepresentingObject(popUp, value);
        } else {
            popUp->setCurrentIndex(popUp->findText(value.toString()));
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(m_control)) {
        button->setChecked(value.toBool());
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_control)) {
        edit->setText(value.toString());
    } else if (auto* spinBox = qobject_cast<QSpinBox*>(m_control)) {
        spinBox->setValue(value.toInt());
    } else if (auto* doubleSpinBox = qobject_cast<QDoubleSpinBox*>(m_control)) {
        doubleSpinBox->setValue(value.toDouble());
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(m_control)) {
        slider->setValue(value.toInt());
    } else if (auto* label = qobject_cast<QLabel*>(m_control)) {
        label->setText(value.toString());
    }
    m_applying = false;
}

void ZRBinding::connectControl() {
    if (m_binding == Enabled || m_binding == Hidden)
        return;
    if (auto* popUp = qobject_cast<QComboBox*>(m_control)) {
        // activated is the user's choice only; refilling the pop-up never emits it.
        connect(popUp, &QComboBox::activated, this, [this, popUp](int index) {
            if (m_binding == SelectedTag)
                controlChanged(ZRPopUpButton::itemTag(popUp, index));
            else if (m_binding == SelectedIndex)
                controlChanged(index);
            else if (m_binding == SelectedObject)
                controlChanged(ZRPopUpButton::itemRepresentedObject(popUp, index));
            else
                controlChanged(popUp->itemText(index));
        });
    } else if (auto* button = qobject_cast<QAbstractButton*>(m_control)) {
        connect(button, &QAbstractButton::clicked, this, [this](bool checked) { controlChanged(checked); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_control)) {
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { controlChanged(edit->text()); });
    } else if (auto* spinBox = qobject_cast<QSpinBox*>(m_control)) {
        connect(spinBox, &QSpinBox::valueChanged, this, [this](int value) { controlChanged(value); });
    } else if (auto* doubleSpinBox = qobject_cast<QDoubleSpinBox*>(m_control)) {
        connect(doubleSpinBox, &QDoubleSpinBox::valueChanged, this,
                [this](double value) { controlChanged(value); });
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(m_control)) {
        connect(slider, &QAbstractSlider::valueChanged, this, [this](int value) { controlChanged(value); });
    }
}

void ZRBinding::controlChanged(const QVariant& value) {
    if (m_applying)
        return;
    if (observedValue() != value)
        setObservedValue(value);
}

namespace ZRControl {

void bindWithBindinginfo(QWidget* control, const QString& binding, const ZRBindingInfo& info) {
    Platform::parameterAssert(!binding.isEmpty(), "0 < [inBinding length]");
    ZRBinding::bind(control, binding, info.observedObject.data(), info.keyPath, info.options);
}

void updateBinding(QWidget* control, const QString& binding) {
    Platform::parameterAssert(!binding.isEmpty(), "0 < [inBinding length]");
    const std::optional<ZRBindingInfo> info = ZRBinding::infoForBinding(control, binding);
    ZRBinding::unbind(control, binding);
    if (info)
        bindWithBindinginfo(control, binding, *info);
}

void updateBindingIfInUse(QWidget* control, const QString& binding) {
    Platform::parameterAssert(!binding.isEmpty(), "0 < [inBinding length]");
    if (ZRBinding::infoForBinding(control, binding))
        updateBinding(control, binding);
}

} // namespace ZRControl
