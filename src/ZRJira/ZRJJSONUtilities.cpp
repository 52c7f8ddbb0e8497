#include "ZRJira/ZRJJSONUtilities.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <cmath>

namespace ZRJJSONUtilities {

namespace {

/*! Reads internet date-times with a mandatory fraction; one per thread, made on first use. */
class InternetDateTimeParser {
public:
    InternetDateTimeParser()
        : m_pattern(QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})\.(\d{1,9}))"
                                   R"((Z|([+-])(\d{2}):?(\d{2}))$)")) {
        m_pattern.optimize();
    }

    std::optional<QDateTime> parse(const QString& string) const {
        const QRegularExpressionMatch match = m_pattern.match(string);
        if (!match.hasMatch())
            return std::nullopt;
        const auto number = [&match](int group) { return match.capturedView(group).toInt(); };
        const QDate date(number(1), number(2), number(3));
        // Keep millisecond precision: pad or cut the fraction to three digits.
        const int milliseconds = match.captured(7).leftJustified(3, QLatin1Char('0'), true).toInt();
        const QTime time(number(4), number(5), number(6), milliseconds);
        if (!date.isValid() || !time.isValid())
            return std::nullopt;
        int offsetSeconds = 0;
        if (match.captured(8) != QLatin1String("Z")) {
            const int hours = number(10);
            const int minutes = number(11);
            if (hours > 23 || minutes > 59)
                return std::nullopt;
            offsetSeconds = (hours * 60 + minutes) * 60;
            if (match.captured(9) == QLatin1String("-"))
                offsetSeconds = -offsetSeconds;
        }
        return QDateTime(date, time, QTimeZone(offsetSeconds)).toUTC();
    }

private:
    QRegularExpression m_pattern;
};

const QDateTime& referenceDate() {
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

} // namespace

std::optional<QDateTime> dateFromString(const QString& string) {
    thread_local const InternetDateTimeParser parser;
    return parser.parse(string);
}

std::optional<qint64> integerValue(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    // 2^63 itself does not fit; every double below it that has no fraction does.
    constexpr double Limit = 9223372036854775808.0;
    if (std::trunc(number) != number || number >= Limit || number < -Limit)
        return std::nullopt;
    return static_cast<qint64>(number);
}

double secondsSinceReferenceDate(const QDateTime& date) {
    return static_cast<double>(referenceDate().msecsTo(date)) / 1000.0;
}

QDateTime dateFromSecondsSinceReferenceDate(double seconds) {
    return referenceDate().addMSecs(static_cast<qint64>(std::llround(seconds * 1000.0)));
}

} // namespace ZRJJSONUtilities
