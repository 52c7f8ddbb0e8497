#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>

#include <memory>
#include <optional>

/*! Date styles in the platform's numbering. */
enum class ZRDateStyle { None = 0, Short = 1, Medium = 2, Long = 3, Full = 4 };

/*! Formats dates with ICU, either by date and time style or by a pattern ("yyyy-MM-dd HH:mm"), in a
    locale and time zone (the current ones unless set). */
class ZRDateFormatter {
public:
    ZRDateFormatter();
    ~ZRDateFormatter();
    ZRDateFormatter(const ZRDateFormatter&) = delete;
    ZRDateFormatter& operator=(const ZRDateFormatter&) = delete;

    void setDateStyle(ZRDateStyle style);
    void setTimeStyle(ZRDateStyle style);
    /*! An ICU date pattern; an empty one goes back to the styles. */
    void setDateFormat(const QString& pattern);
    void setLocale(const QLocale& locale);
    void setTimeZone(const QTimeZone& timeZone);

    QString stringFromDate(const QDateTime& date) const;
    /*! The date the text stands for, or an invalid QDateTime. */
    QDateTime dateFromString(const QString& text) const;

    /*! This thread's formatter under the key, made (unconfigured, *isNew true) when the thread has none
        yet. It lives as long as the thread. */
    static ZRDateFormatter& dateFormatterForCurrentThreadWithKey(const QString& key, bool* isNew);

private:
    struct Format;
    void invalidate();
    Format* format() const;

    ZRDateStyle m_dateStyle = ZRDateStyle::None;
    ZRDateStyle m_timeStyle = ZRDateStyle::None;
    QString m_pattern;
    QLocale m_locale;
    QTimeZone m_timeZone;
    mutable std::unique_ptr<Format> m_format;
};

/*! Date helpers of the kit: free functions taking the date first. */
namespace ZRDate {

QString localizedStringForDateStyleTimeStyle(const QDateTime& date, ZRDateStyle dateStyle,
                                             ZRDateStyle timeStyle);
/*! Long date, medium time. */
QString localizedString(const QDateTime& date);
/*! Short date, short time. */
QString shortLocalizedString(const QDateTime& date);

/*! 00:00:00 and 23:59:59 of the date's day in the local time zone. */
QDateTime beginningOfDay(const QDateTime& date);
QDateTime endOfDay(const QDateTime& date);
/*! Strictly after first and strictly before second. */
bool isBetweenDateAndDate(const QDateTime& date, const QDateTime& first, const QDateTime& second);

/*! Day 1, 00:00:00 of the month after the date's (now when none) in the Gregorian calendar of the time
    zone (the local one when none). */
QDateTime firstMomentOfNextMonthForDateTimeZone(const std::optional<QDateTime>& date,
                                                const std::optional<QTimeZone>& timeZone);
/*! The first moment of next month in UTC, for now or for the date. */
QDateTime firstMomentOfNextMonthInGMT();
QDateTime firstMomentOfNextMonthInGMT(const QDateTime& date);

} // namespace ZRDate
