#include "ZRKit/ZRDate.h"
#include "ZRKit/ZRNotifications.h"

#include "TestUtils.h"

#include <QThread>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <atomic>

TEST(ZRDateTest, DayBoundsBetweenAndNextMonth) {
    const QDateTime noon(QDate(2024, 3, 10), QTime(12, 30, 15));
    EXPECT_EQ(ZRDate::beginningOfDay(noon), QDateTime(QDate(2024, 3, 10), QTime(0, 0, 0)));
    EXPECT_EQ(ZRDate::endOfDay(noon), QDateTime(QDate(2024, 3, 10), QTime(23, 59, 59)));

    const QDateTime a = noon.addSecs(-10), b = noon.addSecs(10);
    EXPECT_TRUE(ZRDate::isBetweenDateAndDate(noon, a, b));
    EXPECT_FALSE(ZRDate::isBetweenDateAndDate(a, a, b));
    EXPECT_FALSE(ZRDate::isBetweenDateAndDate(b, a, b));
    EXPECT_FALSE(ZRDate::isBetweenDateAndDate(noon, b, a));

    const QTimeZone berlin("Europe/Berlin");
    for (int day : {1, 15, 31}) {
        const QDateTime december(QDate(2024, 12, day), QTime(23, 0), berlin);
        const QDateTime next = ZRDate::firstMomentOfNextMonthForDateTimeZone(december, berlin);
        EXPECT_EQ(next, QDateTime(QDate(2025, 1, 1), QTime(0, 0), berlin));
    }
    // 23:30 UTC on 31 January is already February in Berlin.
    const QDateTime lateJanuary(QDate(2025, 1, 31), QTime(23, 30), Qt::UTC);
    EXPECT_EQ(ZRDate::firstMomentOfNextMonthForDateTimeZone(lateJanuary, berlin),
              QDateTime(QDate(2025, 3, 1), QTime(0, 0), berlin));
    EXPECT_EQ(ZRDate::firstMomentOfNextMonthInGMT(lateJanuary),
              QDateTime(QDate(2025, 2, 1), QTime(0, 0), Qt::UTC));
}

TEST(ZRDateTest, ADayWhoseMidnightFallsInAGapBeginsAtItsFirstValidInstantAndScriptsAreKept) {
    const QByteArray oldZone = qgetenv("TZ");
    qputenv("TZ", "America/Sao_Paulo"); // clocks went from 00:00 to 01:00 on 4 November 2018
    tzset();
    const QDateTime begun = ZRDate::beginningOfDay(QDateTime(QDate(2018, 11, 4), QTime(15, 0)));
    EXPECT_TRUE(begun.isValid());
    EXPECT_EQ(begun.toUTC(), QDateTime(QDate(2018, 11, 4), QTime(3, 0), Qt::UTC));
    EXPECT_EQ(ZRDate::beginningOfDay(QDateTime(QDate(2018, 11, 5), QTime(15, 0))).toUTC(),
              QDateTime(QDate(2018, 11, 5), QTime(2, 0), Qt::UTC));
    if (oldZone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldZone);
    tzset();

    ZRDateFormatter formatter;
    formatter.setTimeZone(QTimeZone::utc());
    formatter.setDateFormat(QStringLiteral("MMMM"));
    formatter.setLocale(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia)); // not Cyrillic
    const QDateTime december(QDate(2025, 12, 5), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(formatter.stringFromDate(december), QStringLiteral("decembar"));
}

TEST(ZRDateTest, StylesComeFromTheLocaleData) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ZRDateFormatter formatter;
    formatter.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    formatter.setTimeZone(QTimeZone::utc());
    formatter.setDateStyle(ZRDateStyle::Long);
    const QDateTime date(QDate(2025, 1, 5), QTime(14, 7, 9), Qt::UTC);
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("January 5, 2025"));
    formatter.setDateStyle(ZRDateStyle::Short);
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("1/5/25"));
    formatter.setDateFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("2025-01-05 14:07:09"));
    EXPECT_EQ(formatter.dateFromString(QStringLiteral("2025-01-05 14:07:09")), date);
    EXPECT_FALSE(formatter.dateFromString(QStringLiteral("not a date")).isValid());
    EXPECT_FALSE(ZRDate::localizedString(QDateTime::currentDateTime()).isEmpty());
    QLocale::setDefault(QLocale::c());
}

TEST(ZRDateTest, FormattersAreCachedPerThreadAndKey) {
    bool isNew = false;
    ZRDateFormatter& first =
        ZRDateFormatter::dateFormatterForCurrentThreadWithKey(QStringLiteral("iso"), &isNew);
    EXPECT_TRUE(isNew);
    ZRDateFormatter& again =
        ZRDateFormatter::dateFormatterForCurrentThreadWithKey(QStringLiteral("iso"), &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(&first, &again);
    std::atomic<bool> otherThreadNew{false};
    std::atomic<const void*> otherAddress{nullptr};
    QThread* thread = QThread::create([&] {
        bool fresh = false;
        otherAddress = &ZRDateFormatter::dateFormatterForCurrentThreadWithKey(QStringLiteral("iso"), &fresh);
        otherThreadNew = fresh;
    });
    thread->start();
    thread->wait();
    delete thread;
    EXPECT_TRUE(otherThreadNew.load());
    EXPECT_NE(otherAddress.load(), static_cast<const void*>(&first));
}

TEST(ZRDateTest, BooleansFromText) {
    EXPECT_TRUE(ZRNumber::numberWithBoolByInterpretingString(QStringLiteral("YES")));
    EXPECT_TRUE(ZRNumber::numberWithBoolByInterpretingString(QStringLiteral("True")));
    EXPECT_TRUE(ZRNumber::numberWithBoolByInterpretingString(QStringLiteral("1")));
    EXPECT_FALSE(ZRNumber::numberWithBoolByInterpretingString(QStringLiteral("no"), true));
    EXPECT_FALSE(ZRNumber::numberWithBoolByInterpretingString(QStringLiteral("0"), true));
    EXPECT_TRUE(ZRNumber::numberWithBoolByInterpretingString(QStringLiteral("2"), true));
    EXPECT_FALSE(ZRNumber::numberWithBoolByInterpretingString(QStringLiteral("2"), false));
    EXPECT_FALSE(ZRNumber::numberWithBoolByInterpretingString(QString(), true));
}

TEST(ZRDateTest, ChangeValueReportsRealChangesOnly) {
    QObject object;
    bool changed = false;
    ZRObject::changeValueForKeyWasChanged(&object, QStringLiteral("a"), QStringLiteral("objectName"),
                                          &changed);
    EXPECT_TRUE(changed);
    changed = false;
    ZRObject::changeValueForKeyWasChanged(&object, QStringLiteral("a"), QStringLiteral("objectName"),
                                          &changed);
    EXPECT_FALSE(changed);
    EXPECT_EQ(object.objectName(), QStringLiteral("a"));
    object.setProperty("count", 3);
    ZRObject::changeValueForKeyWasChanged(&object, 3.0, QStringLiteral("count"), &changed);
    EXPECT_FALSE(changed);
    ZRObject::changeValueForKeyWasChanged(&object, QVariant(), QStringLiteral("missing"), &changed);
    EXPECT_FALSE(changed);

    const QVariantList values =
        ZRObject::valuesForKeysInArray(QVariantMap{{QStringLiteral("a"), 1}},
                                       {QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("-"));
    EXPECT_EQ(values, (QVariantList{1, QStringLiteral("-")}));
    // The declared properties of the object's own class; dynamic ones are not declared.
    EXPECT_EQ(ZRObject::toDictionary(&object),
              (QVariantMap{{QStringLiteral("objectName"), QStringLiteral("a")}}));
}

TEST(ZRDateTest, MainThreadPostingFromWorkersWaitsAndDelaysNeverWait) {
    Platform::NotificationCenter center;
    QObject context;
    std::atomic<int> heard{0};
    std::atomic<bool> onMain{false};
    center.addObserver(QStringLiteral("n"), &context, [&](const Platform::Notification& notification) {
        onMain = QThread::currentThread() == qApp->thread();
        EXPECT_EQ(notification.userInfo.value(QStringLiteral("k")), 1);
        ++heard;
    });

    // From the main thread with waiting: runs at once instead of waiting on itself forever.
    ZRNotificationCenter::postNotificationNameToMainThread(center, QStringLiteral("n"), nullptr,
                                                           {{QStringLiteral("k"), 1}}, true);
    EXPECT_EQ(heard.load(), 1);

    std::atomic<int> heardWhenReturned{-1};
    QThread* worker = QThread::create([&] {
        ZRNotificationCenter::postNotificationNameToMainThread(center, QStringLiteral("n"), nullptr,
                                                               {{QStringLiteral("k"), 1}}, true);
        heardWhenReturned = heard.load();
    });
    worker->start();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return heardWhenReturned.load() >= 0; }));
    worker->wait();
    delete worker;
    EXPECT_EQ(heardWhenReturned.load(), 2);
    EXPECT_TRUE(onMain.load());

    ZRNotificationCenter::postNotificationNameToMainThread(center, QStringLiteral("n"), nullptr,
                                                           {{QStringLiteral("k"), 1}}, true, 0.05);
    EXPECT_EQ(heard.load(), 2);
    EXPECT_TRUE(TestUtils::waitUntil([&] { return heard.load() == 3; }));
}

TEST(ZRDateTest, ObservingByNameFiltersTheSender) {
    QObject sender, other;
    int heard = 0;
    const auto connection = ZRNotificationName::observeObjectUsingBlock(
        QStringLiteral("ping"), &sender, [&heard](const Platform::Notification&) { ++heard; });
    Platform::NotificationCenter::defaultCenter().post(QStringLiteral("ping"), &other);
    Platform::NotificationCenter::defaultCenter().post(QStringLiteral("ping"), &sender);
    QObject::disconnect(connection);
    Platform::NotificationCenter::defaultCenter().post(QStringLiteral("ping"), &sender);
    EXPECT_EQ(heard, 1);
}
