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

#include <functional>

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

using Changed = std::function<void(const QVariant&)>;

/*! One kind of control a value binding knows: how it shows a value, and which of its signals (the user's
    changes only) give a new one. Pop-ups show and give the value of their binding's name. */
struct ControlKind {
    bool (*matches)(const QWidget* control);
    bool popUp;
    void (*show)(QWidget* control, const QString& binding, const QVariant& value);
    void (*listen)(QWidget* control, const QString& binding, QObject* context, const Changed& changed);
};

template <typename Control> bool isA(const QWidget* control) {
    return qobject_cast<const Control*>(control) != nullptr;
}

void showPopUp(QWidget* control, const QString& binding, const QVariant& value) {
    auto* popUp = static_cast<QComboBox*>(control);
    if (binding == ZRBinding::SelectedTag) {
        if (value.isValid())
            ZRPopUpButton::selectItemWithTag(popUp, value.toInt());
        else
            popUp->setCurrentIndex(-1);
    } else if (binding == ZRBinding::SelectedIndex) {
        popUp->setCurrentIndex(value.isValid() ? value.toInt() : -1);
    } else if (binding == ZRBinding::SelectedObject) {
        ZRPopUpButton::selectItemRepresentingObject(popUp, value);
    } else {
        popUp->setCurrentIndex(popUp->findText(value.toString()));
    }
}

void listenToPopUp(QWidget* control, const QString& binding, QObject* context, const Changed& changed) {
    auto* popUp = static_cast<QComboBox*>(control);
    // activated is the user's choice only; refilling the pop-up never emits it.
    QObject::connect(popUp, &QComboBox::activated, context, [binding, popUp, changed](int index) {
        if (binding == ZRBinding::SelectedTag)
            changed(ZRPopUpButton::itemTag(popUp, index));
        else if (binding == ZRBinding::SelectedIndex)
            changed(index);
        else if (binding == ZRBinding::SelectedObject)
            changed(ZRPopUpButton::itemRepresentedObject(popUp, index));
        else
            changed(popUp->itemText(index));
    });
}

const ControlKind ControlKinds[] = {
    {isA<QComboBox>, true, showPopUp, listenToPopUp},
    {isA<QAbstractButton>, false,
     [](QWidget* control, const QString&, const QVariant& value) {
         static_cast<QAbstractButton*>(control)->setChecked(value.toBool());
     },
     [](QWidget* control, const QString&, QObject* context, const Changed& changed) {
         QObject::connect(static_cast<QAbstractButton*>(control), &QAbstractButton::clicked, context,
                          [changed](bool checked) { changed(checked); });
     }},
    {isA<QLineEdit>, false,
     [](QWidget* control, const QString&, const QVariant& value) {
         static_cast<QLineEdit*>(control)->setText(value.toString());
     },
     [](QWidget* control, const QString&, QObject* context, const Changed& changed) {
         auto* edit = static_cast<QLineEdit*>(control);
         QObject::connect(edit, &QLineEdit::editingFinished, context,
                          [edit, changed] { changed(edit->text()); });
     }},
    {isA<QSpinBox>, false,
     [](QWidget* control, const QString&, const QVariant& value) {
         static_cast<QSpinBox*>(control)->setValue(value.toInt());
     },
     [](QWidget* control, const QString&, QObject* context, const Changed& changed) {
         QObject::connect(static_cast<QSpinBox*>(control), &QSpinBox::valueChanged, context,
                          [changed](int value) { changed(value); });
     }},
    {isA<QDoubleSpinBox>, false,
     [](QWidget* control, const QString&, const QVariant& value) {
         static_cast<QDoubleSpinBox*>(control)->setValue(value.toDouble());
     },
     [](QWidget* control, const QString&, QObject* context, const Changed& changed) {
         QObject::connect(static_cast<QDoubleSpinBox*>(control), &QDoubleSpinBox::valueChanged, context,
                          [changed](double value) { changed(value); });
     }},
    {isA<QAbstractSlider>, false,
     [](QWidget* control, const QString&, const QVariant& value) {
         static_cast<QAbstractSlider*>(control)->setValue(value.toInt());
     },
     [](QWidget* control, const QString&, QObject* context, const Changed& changed) {
         QObject::connect(static_cast<QAbstractSlider*>(control), &QAbstractSlider::valueChanged, context,
                          [changed](int value) { changed(value); });
     }},
    // Labels only show.
    {isA<QLabel>, false,
     [](QWidget* control, const QString&, const QVariant& value) {
         static_cast<QLabel*>(control)->setText(value.toString());
     },
     [](QWidget*, const QString&, QObject*, const Changed&) {}},
};

/*! The kind of the control that carries a binding of that name, or nullptr when it has no such binding. */
const ControlKind* kindFor(const QWidget* control, const QString& binding) {
    if (binding != ZRBinding::Value && !isPopUpBinding(binding))
        return nullptr;
    for (const ControlKind& kind : ControlKinds) {
        if (kind.matches(control))
            return kind.popUp == isPopUpBinding(binding) ? &kind : nullptr;
    }
    return nullptr;
}

bool isStateBinding(const QString& binding) {
    return binding == ZRBinding::Enabled || binding == ZRBinding::Hidden;
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
    return isStateBinding(binding) || kindFor(control, binding) != nullptr;
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
    if (m_binding == Enabled)
        m_control->setEnabled(value.toBool());
    else if (m_binding == Hidden)
        m_control->setHidden(value.toBool());
    else if (const ControlKind* kind = kindFor(m_control, m_binding))
        kind->show(m_control, m_binding, value);
    m_applying = false;
}

void ZRBinding::connectControl() {
    if (const ControlKind* kind = isStateBinding(m_binding) ? nullptr : kindFor(m_control, m_binding))
        kind->listen(m_control, m_binding, this, [this](const QVariant& value) { controlChanged(value); });
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
