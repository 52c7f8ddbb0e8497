#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

class QWidget;

/*! What a control's binding is bound to: an observed object (a Platform::UserDefaults, whose keys are
    the key paths, or any object with a property of that name and a change signal), the key path and
    the options it was bound with. */
struct ZRBindingInfo {
    QPointer<QObject> observedObject;
    QString keyPath;
    QVariantMap options;
};

/*! A two-way binding between a control's value and a key of an observed object. The control shows the
    observed value whenever it changes; the observed value is written only when the user changes the
    control (a pop-up chosen, a check box clicked, an edit finished, a spin box or slider moved), never
    when code changes the control, so clearing and refilling a pop-up leaves the stored value alone.

    Bindings: "value" (check boxes and other checkable buttons: bool; line edits: text; spin boxes and
    sliders: number; labels: text, shown only), "selectedTag", "selectedIndex", "selectedObject" and
    "selectedValue" (pop-ups: the item's tag, index, represented object or title), "enabled" and "hidden"
    (any control, shown only). Main thread only. */
class ZRBinding final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ZRBinding)

public:
    static inline const QString Value = QStringLiteral("value");
    static inline const QString SelectedTag = QStringLiteral("selectedTag");
    static inline const QString SelectedIndex = QStringLiteral("selectedIndex");
    static inline const QString SelectedObject = QStringLiteral("selectedObject");
    static inline const QString SelectedValue = QStringLiteral("selectedValue");
    static inline const QString Enabled = QStringLiteral("enabled");
    static inline const QString Hidden = QStringLiteral("hidden");

    /*! Binds (replacing an earlier binding of that name) and shows the observed value at once. A binding
        the control does not have is a programming error. */
    static void bind(QWidget* control, const QString& binding, QObject* observedObject,
                     const QString& keyPath, const QVariantMap& options = {});
    static void unbind(QWidget* control, const QString& binding);
    static std::optional<ZRBindingInfo> infoForBinding(const QWidget* control, const QString& binding);

private:
    ZRBinding(QWidget* control, const QString& binding, ZRBindingInfo info);

    static bool supports(const QWidget* control, const QString& binding);
    QVariant observedValue() const;
    void setObservedValue(const QVariant& value);
    void applyToControl();
    void connectControl();
    void controlChanged(const QVariant& value);

private Q_SLOTS:
    void observedValueChanged();

private:
    QWidget* m_control;
    QString m_binding;
    ZRBindingInfo m_info;
    bool m_applying = false;
};

/*! Re-applying bindings: after a pop-up's items were replaced, re-binding makes it show the bound value
    again. The binding name must not be empty. */
namespace ZRControl {

void bindWithBindinginfo(QWidget* control, const QString& binding, const ZRBindingInfo& info);
/*! Unbinds the binding and binds it again as it was. */
void updateBinding(QWidget* control, const QString& binding);
/*! The same, only when the binding exists. */
void updateBindingIfInUse(QWidget* control, const QString& binding);

} // namespace ZRControl
