#include "Platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace Platform {

namespace {

// Casting a double outside the integer range is undefined; a hand-edited "1e300" saturates instead.
qint64 truncatedInteger(double real) {
    if (std::isnan(real))
        return 0;
    if (real >= 9223372036854775808.0)
        return std::numeric_limits<qint64>::max();
    if (real < -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(real);
}

// Numbers come back from the settings file as text; read them the way a person typed them.
qint64 leadingInteger(const QString& text) {
    bool ok = false;
    const qint64 whole = text.trimmed().toLongLong(&ok);
    if (ok)
        return whole;
    const double real = text.trimmed().toDouble(&ok);
    return ok ? truncatedInteger(real) : 0;
}

} // namespace

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent)
    , m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {
    for (const QString& key : m_settings->allKeys())
        m_user.insert(key, m_settings->value(key));
}

UserDefaults::~UserDefaults() { m_settings->sync(); }

UserDefaults& UserDefaults::standard() {
    static UserDefaults* instance = [] {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                            QStringLiteral("/Corvantide");
        QDir().mkpath(dir);
        return new UserDefaults(dir + QStringLiteral("/Corvantide.conf"));
    }();
    return *instance;
}

QString UserDefaults::filePath() const { return m_settings->fileName(); }

void UserDefaults::registerDefaults(const QVariantMap& defaults) {
    {
        std::lock_guard lock(m_mutex);
        for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
            m_registered.insert(it.key(), it.value());
    }
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        Q_EMIT valueChanged(it.key());
}

QVariantMap UserDefaults::registeredDefaults() const {
    std::lock_guard lock(m_mutex);
    return m_registered;
}

QVariant UserDefaults::value(const QString& key) const {
    std::lock_guard lock(m_mutex);
    auto it = m_user.constFind(key);
    if (it != m_user.cend())
        return *it;
    return m_registered.value(key);
}

void UserDefaults::setValue(const QString& key, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        removeObject(key);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_user.insert(key, value);
        m_settings->setValue(key, value);
        m_settings->sync();
    }
    Q_EMIT valueChanged(key);
}

void UserDefaults::removeObject(const QString& key) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_user.contains(key))
            return;
        m_user.remove(key);
        m_settings->remove(key);
        m_settings->sync();
    }
    Q_EMIT valueChanged(key);
}

bool UserDefaults::hasUserValue(const QString& key) const {
    std::lock_guard lock(m_mutex);
    return m_user.contains(key);
}

std::optional<QString> UserDefaults::string(const QString& key) const {
    const QVariant v = value(key);
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return v.toString();
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return std::nullopt;
    }
}

qint64 UserDefaults::integer(const QString& key) const {
    const QVariant v = value(key);
    switch (v.typeId()) {
    case QMetaType::QString:
        return leadingInteger(v.toString());
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    case QMetaType::Double:
    case QMetaType::Float:
        return truncatedInteger(v.toDouble());
    default:
        return v.canConvert<qint64>() ? v.toLongLong() : 0;
    }
}

bool UserDefaults::boolean(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("yes"))
            return true;
        return leadingInteger(text) != 0;
    }
    if (v.typeId() == QMetaType::Bool || v.canConvert<qint64>())
        return v.toBool();
    return false;
}

double UserDefaults::doubleValue(const QString& key) const {
    const QVariant v = value(key);
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d : 0.0;
}

QByteArray UserDefaults::data(const QString& key) const {
    const QVariant v = value(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

std::optional<QDateTime> UserDefaults::date(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QDateTime)
        return std::nullopt;
    return v.toDateTime();
}

QVariantMap UserDefaults::dictionaryRepresentation() const {
    std::lock_guard lock(m_mutex);
    QVariantMap all = m_registered;
    for (auto it = m_user.cbegin(); it != m_user.cend(); ++it)
        all.insert(it.key(), it.value());
    return all;
}

QVariantMap UserDefaults::persistentDomain() const {
    std::lock_guard lock(m_mutex);
    return m_user;
}

void UserDefaults::synchronize() {
    std::lock_guard lock(m_mutex);
    m_settings->sync();
}

} // namespace Platform
