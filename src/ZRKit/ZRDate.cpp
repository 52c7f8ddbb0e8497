#include "ZRKit/ZRDate.h"

#include <QHash>
#include <QStringList>

#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <vector>

namespace {

UDateFormatStyle icuStyle(ZRDateStyle style) {
    switch (style) {
    case ZRDateStyle::Short:
        return UDAT_SHORT;
    case ZRDateStyle::Medium:
        return UDAT_MEDIUM;
    case ZRDateStyle::Long:
        return UDAT_LONG;
    case ZRDateStyle::Full:
        return UDAT_FULL;
    case ZRDateStyle::None:
        break;
    }
    return UDAT_NONE;
}

const UChar* utf16(const QString& text) {
    return reinterpret_cast<const UChar*>(text.utf16());
}

} // namespace

struct ZRDateFormatter::Format {
    UDateFormat* icu = nullptr;
    ~Format() {
        if (icu)
            udat_close(icu);
    }
};

ZRDateFormatter::ZRDateFormatter()
    : m_timeZone(QTimeZone::systemTimeZone()) {}
ZRDateFormatter::~ZRDateFormatter() = default;

void ZRDateFormatter::invalidate() {
    m_format.reset();
}

void ZRDateFormatter::setDateStyle(ZRDateStyle style) {
    m_dateStyle = style;
    invalidate();
}

void ZRDateFormatter::setTimeStyle(ZRDateStyle style) {
    m_timeStyle = style;
    invalidate();
}

void ZRDateFormatter::setDateFormat(const QString& pattern) {
    m_pattern = pattern;
    invalidate();
}

void ZRDateFormatter::setLocale(const QLocale& locale) {
    m_locale = locale;
    invalidate();
}

void ZRDateFormatter::setTimeZone(const QTimeZone& timeZone) {
    m_timeZone = timeZone;
    invalidate();
}

ZRDateFormatter::Format* ZRDateFormatter::format() const {
    if (m_format)
        return m_format.get();
    auto format = std::make_unique<Format>();
    UErrorCode status = U_ZERO_ERROR;
    // The script too: a name such as "sr_RS" or "zh_CN" alone would choose the country's usual script.
    QStringList parts{
        QLocale::languageToCode(m_locale.language()),
        m_locale.script() == QLocale::AnyScript ? QString() : QLocale::scriptToCode(m_locale.script()),
        m_locale.territory() == QLocale::AnyTerritory ? QString()
                                                      : QLocale::territoryToCode(m_locale.territory())};
    parts.removeAll(QString());
    const QByteArray locale = parts.join(QLatin1Char('_')).toLatin1();
    const QString zone = QString::fromLatin1(m_timeZone.isValid() ? m_timeZone.id() : QByteArray("UTC"));
    if (m_pattern.isEmpty()) {
        format->icu = udat_open(icuStyle(m_timeStyle), icuStyle(m_dateStyle), locale.constData(), utf16(zone),
                                static_cast<int32_t>(zone.size()), nullptr, 0, &status);
    } else {
        format->icu = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.constData(), utf16(zone),
                                static_cast<int32_t>(zone.size()), utf16(m_pattern),
                                static_cast<int32_t>(m_pattern.size()), &status);
    }
    if (U_FAILURE(status) || !format->icu)
        return nullptr;
    m_format = std::move(format);
    return m_format.get();
}

QString ZRDateFormatter::stringFromDate(const QDateTime& date) const {
    Format* f = format();
    if (!f || !date.isValid())
        return QString();
    if (m_pattern.isEmpty() && m_dateStyle == ZRDateStyle::None && m_timeStyle == ZRDateStyle::None)
        return QString(QLatin1String(""));
    const UDate when = static_cast<UDate>(date.toMSecsSinceEpoch());
    std::vector<UChar> buffer(128);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length =
        udat_format(f->icu, when, buffer.data(), static_cast<int32_t>(buffer.size()), nullptr, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        buffer.resize(static_cast<size_t>(length) + 1);
        status = U_ZERO_ERROR;
        length =
            udat_format(f->icu, when, buffer.data(), static_cast<int32_t>(buffer.size()), nullptr, &status);
    }
    if (U_FAILURE(status))
        return QString();
    return QString(reinterpret_cast<const QChar*>(buffer.data()), length);
}

QDateTime ZRDateFormatter::dateFromString(const QString& text) const {
    Format* f = format();
    if (!f)
        return QDateTime();
    UErrorCode status = U_ZERO_ERROR;
    int32_t position = 0;
    const UDate when = udat_parse(f->icu, utf16(text), static_cast<int32_t>(text.size()), &position, &status);
    if (U_FAILURE(status) || position != text.size())
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(when), Qt::UTC);
}

ZRDateFormatter& ZRDateFormatter::dateFormatterForCurrentThreadWithKey(const QString& key, bool* isNew) {
    thread_local QHash<QString, std::shared_ptr<ZRDateFormatter>> formatters;
    const QString storageKey = key + QStringLiteral("_NSDateFormatter+ZRExtensions");
    auto it = formatters.find(storageKey);
    const bool created = it == formatters.end();
    if (created)
        it = formatters.insert(storageKey, std::make_shared<ZRDateFormatter>());
    if (isNew)
        *isNew = created;
    return **it;
}

namespace ZRDate {

QString localizedStringForDateStyleTimeStyle(const QDateTime& date, ZRDateStyle dateStyle,
                                             ZRDateStyle timeStyle) {
    ZRDateFormatter formatter;
    formatter.setDateStyle(dateStyle);
    formatter.setTimeStyle(timeStyle);
    return formatter.stringFromDate(date);
}

QString localizedString(const QDateTime& date) {
    return localizedStringForDateStyleTimeStyle(date, ZRDateStyle::Long, ZRDateStyle::Medium);
}

QString shortLocalizedString(const QDateTime& date) {
    return localizedStringForDateStyleTimeStyle(date, ZRDateStyle::Short, ZRDateStyle::Short);
}

QDateTime beginningOfDay(const QDateTime& date) {
    const QDateTime local = date.toLocalTime();
    QDateTime start(local.date(), QTime(0, 0, 0));
    // Where the clocks skip midnight (a daylight-saving gap), the day begins when they resume.
    for (int minute = 1; !start.isValid() && minute < 24 * 60; ++minute)
        start = QDateTime(local.date(), QTime(0, 0, 0).addSecs(minute * 60));
    return start;
}

QDateTime endOfDay(const QDateTime& date) {
    const QDateTime local = date.toLocalTime();
    return QDateTime(local.date(), QTime(23, 59, 59));
}

bool isBetweenDateAndDate(const QDateTime& date, const QDateTime& first, const QDateTime& second) {
    return date > first && date < second;
}

QDateTime firstMomentOfNextMonthForDateTimeZone(const std::optional<QDateTime>& date,
                                                const std::optional<QTimeZone>& timeZone) {
    const QTimeZone zone = timeZone.value_or(QTimeZone::systemTimeZone());
    const QDate day = date.value_or(QDateTime::currentDateTimeUtc()).toTimeZone(zone).date();
    const int year = day.month() == 12 ? day.year() + 1 : day.year();
    const int month = day.month() == 12 ? 1 : day.month() + 1;
    return QDateTime(QDate(year, month, 1), QTime(0, 0, 0), zone);
}

QDateTime firstMomentOfNextMonthInGMT() {
    return firstMomentOfNextMonthForDateTimeZone(std::nullopt, QTimeZone::utc());
}

QDateTime firstMomentOfNextMonthInGMT(const QDateTime& date) {
    return firstMomentOfNextMonthForDateTimeZone(date, QTimeZone::utc());
}

} // namespace ZRDate
