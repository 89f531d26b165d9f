// Average rates over the stored days of one currency.
#include "core/history/chartscale.h"
#include "core/history/currencyhistory.h"
#include "core/history/rateaverages.h"
#include "core/store/ratedb.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include <map>
#include <cmath>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

TEST(RateAverages, MeansOfTheStoredDaysRoundedAsTheBankQuotes) {
    struct Case {
        const char* why;
        std::vector<double> rates; // consecutive days of January
        double mean;
    } const cases[] = {
        {"one day", {4.9481}, 4.9481},
        {"a tie goes away from zero", {4.0000, 4.0001}, 4.0001},
        {"just under a tie", {4.0000, 4.00009}, 4.0000},
        {"sums that floating point would blur", {0.1, 0.2, 0.3, 0.1, 0.2, 0.3}, 0.2},
        {"gold's large rates", {293.9846, 291.8087, 295.2131}, 293.6688},
        {"three thirds", {1.0, 1.0, 1.0001}, 1.0},
        // Twelve digits, the most the store takes: a month of them does not overflow.
        {"twelve-digit rates", std::vector<double>(23, 999999999999.0), 999999999999.0},
    };
    forEachRow(cases, [&](const Case& c) {
        std::vector<DatedRate> days;
        for (size_t i = 0; i < c.rates.size(); ++i)
            days.push_back({QDate(2022, 1, 3).addDays(qint64(i)), c.rates[i]});
        const auto years = RateAverages::compute(days);
        ASSERT_EQ(years.size(), 1u) << c.why;
        EXPECT_DOUBLE_EQ(years[0].months[0].value, c.mean) << c.why;
        EXPECT_EQ(years[0].months[0].days, int(c.rates.size())) << c.why;
        EXPECT_DOUBLE_EQ(years[0].annual.value, c.mean) << c.why;
        EXPECT_EQ(years[0].months[1].days, 0) << c.why;
    });
    // A stored value no rate can be (edited by hand) is left out, not averaged into nonsense.
    const auto odd = RateAverages::compute({{QDate(2022, 1, 3), 1e300}, {QDate(2022, 1, 4), 4.9}});
    EXPECT_DOUBLE_EQ(odd[0].months[0].value, 4.9);
    EXPECT_EQ(odd[0].months[0].days, 1);
    // Order does not matter; years and months are kept apart.
    const auto split =
        RateAverages::compute({{QDate(2023, 2, 1), 5.0}, {QDate(2022, 12, 30), 4.0}, {QDate(2023, 1, 2), 6.0}});
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0].year, 2022);
    EXPECT_DOUBLE_EQ(split[1].months[0].value, 6.0);
    EXPECT_DOUBLE_EQ(split[1].months[1].value, 5.0);
    EXPECT_DOUBLE_EQ(split[1].annual.value, 5.5);
    // The year's average is the mean of its monthly averages, as the bank publishes it, not of its days.
    const auto uneven = RateAverages::compute(
        {{QDate(2022, 1, 3), 4.0}, {QDate(2022, 2, 1), 5.0}, {QDate(2022, 2, 2), 5.0}, {QDate(2022, 2, 3), 5.0}});
    EXPECT_DOUBLE_EQ(uneven[0].annual.value, 4.5);
    EXPECT_EQ(uneven[0].annual.days, 4);
}

TEST(RateAverages, ReadFromTheStoreSkippingEmptyDaysInEitherLeu) {
    TempAppDir app;
    RateDb db(app.db());
    ASSERT_TRUE(db.storeDay(FeedDay{QDate(2022, 1, 3), {{"EUR", "4.9"}}}));
    // A currency the bank starts to quote in March: the days before hold nothing for it.
    ASSERT_TRUE(db.storeDay(FeedDay{QDate(2022, 3, 1), {{"EUR", "5.1"}, {"NEW", "2.5"}}}));
    ASSERT_TRUE(db.storeDay(FeedDay{QDate(2022, 3, 2), {{"EUR", "5.0"}, {"NEW", "2.6"}}}));
    app.sql(QStringLiteral("update valuta2022ron set EUR=null where data='2022-03-02';\n"
                           "create table VALUTA2004 (DATA DATETIME UNIQUE PRIMARY KEY, EUR real);\n"
                           "insert into VALUTA2004 values ('2004-06-01', 40500);\n"
                           "insert into VALUTA2004 values ('2004-06-02', 40700)"));
    struct Case {
        const char* currency;
        int year;
        bool table;
        int days;
        double annual;
    } const cases[] = {
        {"EUR", 2022, true, 2, 5.0},   // the empty day is no day
        {"new", 2022, true, 2, 2.55},  // found without regard to case; no days before March
        {"GBP", 2022, true, 0, 0},     // never quoted that year
        {"EUR", 2004, true, 2, 40600}, // old lei, in a table without suffix
        {"EUR", 2019, false, 0, 0},    // no table: the window says so
    };
    forEachRow(cases, [&](const Case& c) {
        const auto y = db.currencyYear(QString::fromLatin1(c.currency), c.year);
        ASSERT_TRUE(y.ok()) << c.currency << c.year << y.error().toStdString();
        EXPECT_EQ(y->tableFound, c.table) << c.currency << c.year;
        EXPECT_EQ(int(y->days.size()), c.days) << c.currency << c.year;
        const auto a = RateAverages::compute(y->days);
        EXPECT_DOUBLE_EQ(a.empty() ? 0 : a[0].annual.value, c.annual) << c.currency << c.year;
    });
}

// The bank's own published annual averages of 2021-2023, from its real files.
TEST(RateAverages, TheBanksRealYearsGiveItsPublishedAverages) {
    if (!BnrData::folder()) GTEST_SKIP() << BnrData::missingReason().toStdString();
    TempAppDir app;
    ASSERT_TRUE(app.fillFromYears({2021, 2022, 2023}));
    RateDb db(app.db());
    struct Case {
        const char* currency;
        int year, days;
        double annual;
    } const cases[] = {
        {"EUR", 2021, 254, 4.9204}, {"EUR", 2022, 251, 4.9315}, {"EUR", 2023, 248, 4.9465},
        {"USD", 2021, 254, 4.1604}, {"USD", 2022, 251, 4.6885}, {"USD", 2023, 248, 4.5743},
    };
    forEachRow(cases, [&](const Case& c) {
        const auto y = db.currencyYear(QString::fromLatin1(c.currency), c.year);
        ASSERT_TRUE(y.ok());
        const auto a = RateAverages::compute(y->days);
        ASSERT_EQ(a.size(), 1u);
        EXPECT_EQ(a[0].annual.days, c.days) << c.currency << c.year;
        EXPECT_DOUBLE_EQ(a[0].annual.value, c.annual) << c.currency << c.year;
        int monthDays = 0;
        for (const auto& m : a[0].months)
            monthDays += m.days;
        EXPECT_EQ(monthDays, c.days);
    });
}

// The history chart's scale: round steps holding every rate, and labels that never repeat.
TEST(ChartScale, RoundStepsAroundTheRatesAndDistinctDateLabels) {
    struct Case {
        double low, high;
        double min, max, step;
        int decimals;
    } const cases[] = {
        {4.9451, 4.9500, 4.944, 4.951, 0.001, 3}, // a few days of EUR
        {4.8, 4.95, 4.75, 5.0, 0.05, 2},          // a year of EUR
        {1.3455, 1.4, 1.34, 1.42, 0.02, 2},       // 100HUF, as the bank quotes it
        {230.5, 312.8, 220, 340, 20, 0},          // a gram of gold
        {4.9, 4.9, 4.89, 4.91, 0.01, 2},          // one day: a band around it
        {0.0001, 0.0002, 0.00008, 0.00022, 0.00002, 5},
    };
    forEachRow(cases, [](const Case& c) {
        const ChartScale::Values v = ChartScale::values(c.low, c.high);
        EXPECT_NEAR(v.step, c.step, c.step * 1e-9) << c.low << ' ' << c.high;
        EXPECT_NEAR(v.min, c.min, c.step * 1e-6) << c.low << ' ' << c.high;
        EXPECT_NEAR(v.max, c.max, c.step * 1e-6) << c.low << ' ' << c.high;
        EXPECT_EQ(v.decimals, c.decimals) << c.low << ' ' << c.high;
        EXPECT_LE(v.min, c.low);
        EXPECT_GE(v.max, c.high);
        EXPECT_LE((v.max - v.min) / v.step, 12.5);
    });
    struct Span {
        int from, to;
        QStringList labels;
    } const spans[] = {
        {2022, 2022, {"ian", "feb", "mar", "apr", "mai", "iun", "iul", "aug", "sep", "oct", "noi", "dec"}},
        {2021, 2023, {"2021", "2022", "2023"}},
        {2005, 2026, {"2005", "2007", "2009", "2011", "2013", "2015", "2017", "2019", "2021", "2023", "2025"}},
    };
    forEachRow(spans, [](const Span& c) {
        QStringList labels;
        for (const ChartScale::DateTick& t : ChartScale::dateTicks(c.from, c.to))
            labels << t.label;
        EXPECT_EQ(labels, c.labels) << c.from << '-' << c.to;
    });
}

// The line drawn of a long history: fewer points, the same lows and highs in every column, the ends kept.
TEST(ChartScale, ALongLineIsDrawnWithItsExtremesInEveryColumn) {
    std::vector<DatedRate> days;
    for (QDate d(2005, 1, 3); d.year() <= 2026; d = d.addDays(1))
        if (d.dayOfWeek() <= 5) days.push_back({d, 4 + 0.5 * std::sin(d.toJulianDay() / 7.0) + (d.day() == 13 ? 1 : 0)});
    const int columns = 400;
    const std::vector<DatedRate> drawn = ChartScale::drawn(days, columns);
    EXPECT_LE(drawn.size(), size_t(columns) * 4);
    EXPECT_LT(drawn.size(), days.size());
    EXPECT_EQ(drawn.front().day, days.front().day);
    EXPECT_EQ(drawn.back().day, days.back().day);
    EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end(),
                               [](const DatedRate& a, const DatedRate& b) { return a.day < b.day; }));
    // Every day drawn is a day of the history, and each column keeps its lowest and highest.
    const qint64 first = days.front().day.toJulianDay(), span = days.back().day.toJulianDay() - first + 1;
    std::map<qint64, std::pair<double, double>> all, kept;
    const auto note = [&](std::map<qint64, std::pair<double, double>>& m, const DatedRate& d) {
        auto [it, fresh] = m.try_emplace((d.day.toJulianDay() - first) * columns / span, d.rate, d.rate);
        it->second = {std::min(it->second.first, d.rate), std::max(it->second.second, d.rate)};
    };
    for (const DatedRate& d : days)
        note(all, d);
    for (const DatedRate& d : drawn)
        note(kept, d);
    EXPECT_EQ(all, kept);
    // A short history is drawn whole.
    const std::vector<DatedRate> year(days.begin(), days.begin() + 250);
    EXPECT_EQ(ChartScale::drawn(year, columns).size(), year.size());
}

// An annual average is final only for a year that is over and whose stored days run through it.
TEST(RateAverages, AYearIsPartialWhileNotOverOrWhereTheHistoryStartsOrStops) {
    struct Case {
        QDate first, last;
        bool partial;
    } const cases[] = {
        {{2022, 1, 3}, {2022, 12, 30}, false},  // the whole year
        {{2022, 1, 10}, {2022, 12, 22}, false}, // holidays the calendar may not know at either end
        {{2022, 3, 1}, {2022, 12, 30}, true},   // the history starts in March
        {{2022, 1, 3}, {2022, 11, 30}, true},   // the history stops in November
        {{2026, 1, 5}, {2026, 12, 4}, true},    // the year under way
    };
    CurrencyHistory h;
    h.today = QDate(2026, 12, 9);
    forEachRow(cases, [&](const Case& c) {
        const auto years = RateAverages::compute({{c.first, 4.9}, {c.last, 4.95}});
        ASSERT_EQ(years.size(), 1u);
        EXPECT_EQ(h.isPartial(years[0]), c.partial) << c.first.toString().toStdString();
        EXPECT_EQ(h.annualLabel(years[0]), c.partial ? QStringLiteral("Anual partial") : QStringLiteral("Anual"));
    });
}

} // namespace
