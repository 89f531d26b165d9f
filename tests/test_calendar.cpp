// The banking calendar, proved against the bank's own files: every weekday a
// file lacks is a holiday, and no holiday has a rate.
#include "core/update/bankcalendar.h"
#include "core/update/quietschedule.h"
#include "core/update/windowday.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include <QDirIterator>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <optional>

namespace {

TEST(BankCalendar, HolidaysFollowTheLawOfTheirYear) {
    struct Case {
        QDate day;
        bool holiday;
        const char* why;
    } const cases[] = {
        {QDate(2005, 5, 2), true, "Easter Monday 2005"},
        {QDate(2011, 4, 25), true, "Easter Monday 2011"},
        {QDate(2017, 4, 17), true, "Easter Monday 2017"},
        {QDate(2008, 6, 16), false, "Pentecost Monday before the 2008 law"},
        {QDate(2009, 6, 8), true, "Pentecost Monday from 2009"},
        {QDate(2008, 8, 15), false, "15 August before the 2008 law"},
        {QDate(2011, 8, 15), true, "15 August from 2009"},
        {QDate(2011, 11, 30), false, "St Andrew before 2012"},
        {QDate(2012, 11, 30), true, "St Andrew from 2012"},
        {QDate(2014, 1, 24), false, "24 January before 2017"},
        {QDate(2017, 1, 24), true, "24 January from 2017"},
        {QDate(2016, 6, 1), false, "1 June before 2017"},
        {QDate(2017, 6, 1), true, "1 June from 2017"},
        {QDate(2017, 4, 14), false, "Good Friday before 2018"},
        {QDate(2018, 4, 6), true, "Good Friday from 2018"},
        {QDate(2023, 1, 6), false, "Epiphany before 2024"},
        {QDate(2025, 1, 6), true, "Epiphany from 2024"},
        {QDate(2025, 1, 7), true, "St John from 2024"},
        {QDate(2040, 12, 25), true, "Christmas"},
        {QDate(2040, 5, 4), true, "Good Friday 2040"},
        {QDate(2026, 12, 31), false, "31 December is a working day"},
    };
    forEachRow(cases, [](const Case& c) { EXPECT_EQ(BankCalendar::isHoliday(c.day), c.holiday) << c.why; });
    // Weekends are never banking days; a holiday on a weekend moves nowhere.
    EXPECT_FALSE(BankCalendar::isBankingDay(QDate(2022, 1, 8)));
    EXPECT_TRUE(BankCalendar::isBankingDay(QDate(2022, 1, 25)));
    EXPECT_EQ(BankCalendar::bankingDaysBack(QDate(2022, 12, 31), 0), QDate(2022, 12, 30));
    // Ten banking days back over Christmas and 1-2 January.
    EXPECT_EQ(BankCalendar::bankingDaysBack(QDate(2023, 1, 3), 9), QDate(2022, 12, 19));
}

// Every day of the span is a banking day exactly when the bank published rates on it.
void expectCalendarMatches(QDate from, QDate to, const QList<QDate>& published, const QList<QDate>& notCaptured,
                           const char* what) {
    int checked = 0;
    for (QDate d = from; d <= to; d = d.addDays(1)) {
        if (notCaptured.contains(d)) continue;
        EXPECT_EQ(BankCalendar::isBankingDay(d), published.contains(d)) << what << " " << d.toString().toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 100) << what;
}

TEST(BankCalendar, AgreesWithTheBanksFiles) {
    if (!BnrData::folder()) GTEST_SKIP() << BnrData::missingReason().toStdString();
    BnrData data;
    ASSERT_TRUE(data.load());
    for (int year : {2021, 2022, 2023, 2026}) {
        QList<QDate> published;
        for (const QVariant& v : data.bankDays(QDate(year, 1, 1), QDate(year, 12, 31)))
            published << QDate::fromString(v.toString(), Qt::ISODate);
        ASSERT_FALSE(published.isEmpty()) << year;
        expectCalendarMatches(QDate(year, 1, 1), published.back(), published, {}, "yearly file");
    }
    QList<QDate> daily;
    QDirIterator it(*BnrData::folder() + QStringLiteral("/daily"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QDate d = QDate::fromString(QFileInfo(it.next()).fileName(), Qt::ISODate);
        // The scattered older days are each a banking day of their year's rules.
        EXPECT_TRUE(BankCalendar::isBankingDay(d)) << d.toString().toStdString();
        if (d >= QDate(2024, 9, 5)) daily << d;
    }
    std::sort(daily.begin(), daily.end());
    ASSERT_FALSE(daily.isEmpty());
    expectCalendarMatches(daily.front(), daily.back(), daily,
                          {QDate(2025, 5, 5), QDate(2025, 5, 6), QDate(2025, 5, 7), QDate(2025, 5, 8)}, "daily files");
}

} // namespace

// When an open window asks the bank on its own: Bucharest time, whatever the computer's zone, however the clock moved.
TEST(QuietSchedule, AsksForWhatIsPublishedAndNotStoredByTheClockAsItStands) {
    const QTimeZone bucharest("Europe/Bucharest");
    const auto at = [&](int y, int m, int d, int h, int min) {
        return QDateTime(QDate(y, m, d), QTime(h, min), bucharest).toUTC();
    };
    const QDate tue(2026, 12, 8), wed(2026, 12, 9), fri(2026, 12, 11);
    struct Case {
        const char* why;
        QDateTime now;
        QDate covered;
        std::optional<QDateTime> last;
        bool ask;
    } const cases[] = {
        {"before publication", at(2026, 12, 9, 12, 55), tue, std::nullopt, false},
        {"shortly after 13:00", at(2026, 12, 9, 13, 2), tue, std::nullopt, true},
        {"asked at 13:02, now 13:10", at(2026, 12, 9, 13, 10), tue, at(2026, 12, 9, 13, 2), false},
        {"a quarter later", at(2026, 12, 9, 13, 17), tue, at(2026, 12, 9, 13, 2), true},
        {"asked before publication only, woke at 15:30", at(2026, 12, 9, 15, 30), tue, at(2026, 12, 9, 11, 0), true},
        {"after 18:00", at(2026, 12, 9, 18, 5), tue, at(2026, 12, 9, 17, 40), false},
        {"the day stored", at(2026, 12, 9, 14, 0), wed, std::nullopt, false},
        {"the day stored, a quarter later", at(2026, 12, 9, 13, 17), wed, at(2026, 12, 9, 13, 2), false},
        {"a Saturday, Friday stored", at(2026, 12, 12, 14, 0), fri, std::nullopt, false},
        {"a Saturday, Friday missing", at(2026, 12, 12, 14, 0), tue, std::nullopt, true},
        {"a holiday (1 December), the day before stored", at(2026, 12, 1, 14, 0), QDate(2026, 11, 30), std::nullopt,
         false},
        {"woken at 09:00, a week missing", at(2026, 12, 28, 9, 0), QDate(2026, 12, 18), at(2026, 12, 19, 17, 0), true},
        {"woken, asked 5 minutes ago", at(2026, 12, 28, 9, 5), QDate(2026, 12, 18), at(2026, 12, 28, 9, 0), false},
        {"woken, asked a quarter ago", at(2026, 12, 28, 9, 15), QDate(2026, 12, 18), at(2026, 12, 28, 9, 0), true},
        {"clock set back from 15:50 to 13:10", at(2026, 12, 9, 13, 10), tue, at(2026, 12, 9, 15, 50), true},
        {"clock set back, the day stored", at(2026, 12, 9, 13, 10), wed, at(2026, 12, 9, 15, 50), false},
        {"a hole found by the last update", at(2026, 12, 9, 13, 40), QDate(2026, 12, 4), at(2026, 12, 9, 13, 20), true},
        {"nothing stored yet", at(2026, 12, 9, 10, 0), QDate(), std::nullopt, true},
        {"13:05 in Bucharest is 11:05 UTC", QDateTime(wed, QTime(11, 5), Qt::UTC), tue, std::nullopt, true},
        {"12:05 in Bucharest is 09:05 UTC in summer", QDateTime(QDate(2026, 7, 8), QTime(9, 5), Qt::UTC),
         QDate(2026, 7, 7), std::nullopt, false},
    };
    forEachRow(cases,
               [](const Case& c) { EXPECT_EQ(QuietSchedule::askNow(c.now, c.covered, c.last), c.ask) << c.why; });
    EXPECT_EQ(QuietSchedule::dueDay(at(2026, 12, 9, 12, 0)), tue);
    EXPECT_EQ(QuietSchedule::dueDay(at(2026, 12, 9, 13, 30)), wed);
    EXPECT_EQ(QuietSchedule::nextAttempt(at(2026, 12, 11, 18, 30), QDate(2026, 12, 10), std::nullopt),
              at(2026, 12, 14, 13, 2)); // Friday evening, Friday not published: Monday
    EXPECT_EQ(QuietSchedule::nextAttempt(at(2026, 12, 9, 9, 0), tue, std::nullopt), at(2026, 12, 9, 13, 2));
}

// What the date label's tooltip says of the last attempt: "reusita" only over the day due, with no hole.
TEST(QuietSchedule, SaysSuccessOnlyWhenTheDayDueIsStoredWhole) {
    const QTimeZone bucharest("Europe/Bucharest");
    const QDateTime afternoon(QDate(2025, 5, 9), QTime(13, 5), bucharest);
    using R = RateUpdater::Result;
    const auto report = [](R result, QList<QDate> missing = {}) {
        RateUpdater::Report r;
        r.result = result;
        r.detail = QStringLiteral("Banca nu raspunde.");
        r.missing = std::move(missing);
        return r;
    };
    struct Case {
        const char* why;
        RateUpdater::Report report;
        QDate newest;
        const char* says;
    } const cases[] = {
        {"the day stored", report(R::UpToDate), QDate(2025, 5, 9), "09.05.2025 13:05, reusita"},
        {"the bank still on yesterday", report(R::UpToDate), QDate(2025, 5, 8),
         "09.05.2025 13:05, banca nu a publicat inca cursul din 09.05.2025"},
        {"the bank's newest day stored, days before it not",
         report(R::Incomplete, {QDate(2025, 5, 5), QDate(2025, 5, 6), QDate(2025, 5, 7), QDate(2025, 5, 8)}),
         QDate(2025, 5, 9), "09.05.2025 13:05, incompleta: lipsesc 05.05.2025 - 08.05.2025 (4 zile)"},
        {"no answer", report(R::Failed), QDate(2025, 5, 8), "09.05.2025 13:05, nereusita: Banca nu raspunde."},
    };
    forEachRow(cases, [&](const Case& c) {
        EXPECT_EQ(QuietSchedule::attemptText(c.report, c.newest, afternoon),
                  QStringLiteral("Ultima incercare automata: ") + QString::fromLatin1(c.says))
            << c.why;
    });
    // A hole keeps the schedule asking though the newest day is stored.
    EXPECT_EQ(QuietSchedule::coveredUntil(QDate(2025, 5, 9), {QDate(2025, 5, 5), QDate(2025, 5, 8)}),
              QDate(2025, 5, 4));
    EXPECT_EQ(QuietSchedule::coveredUntil(QDate(2025, 5, 9), {}), QDate(2025, 5, 9));
    EXPECT_EQ(QuietSchedule::coveredUntil(QDate(), {QDate(2025, 5, 5)}), QDate(2025, 5, 4));
}

// What hangs on the day in a window left open: the converter's latest day, the date left on today, the year in view.
TEST(WindowDay, FollowsTheClockAcrossMidnightAndTheNewYear) {
    const QDate wed(2023, 12, 27), thu(2023, 12, 28);
    struct Case {
        const char* why;
        QDate today, newest, latest;
    } const limits[] = {
        {"today's rates not yet stored", thu, wed, thu},
        {"today's rates stored: an invoice dated tomorrow", thu, thu, QDate(2023, 12, 29)},
        {"nothing stored", thu, QDate(), thu},
        {"the new year, its first day not yet published", QDate(2024, 1, 3), QDate(2023, 12, 29), QDate(2024, 1, 3)},
    };
    forEachRow(limits, [](const Case& c) { EXPECT_EQ(WindowDay::latestDay(c.today, c.newest), c.latest) << c.why; });
    EXPECT_EQ(WindowDay::followedDate(wed, wed, thu), thu) << "left on today";
    EXPECT_EQ(WindowDay::followedDate(QDate(2023, 12, 20), wed, thu), QDate(2023, 12, 20)) << "chosen by the user";
    EXPECT_EQ(WindowDay::followedDate(QDate(2023, 12, 29), QDate(2023, 12, 31), QDate(2024, 1, 1)),
              QDate(2023, 12, 29));
    EXPECT_FALSE(WindowDay::tableMovesOn(true, 2023, QDate(2024, 1, 1), false)) << "no day of 2024 yet";
    EXPECT_TRUE(WindowDay::tableMovesOn(true, 2023, QDate(2024, 1, 3), true));
    EXPECT_FALSE(WindowDay::tableMovesOn(false, 2021, QDate(2024, 1, 3), true)) << "a year the user chose";
    EXPECT_FALSE(WindowDay::tableMovesOn(true, 2024, QDate(2024, 1, 4), true));
}
