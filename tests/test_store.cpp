// The rate database: its statement texts and how days are stored and read.
#include "core/store/ratedb.h"
#include "core/store/ratesql.h"
#include "core/text/ratefield.h"
#include "tests/support/testenv.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace {

FeedDay day(QDate d, std::vector<FeedRate> rates) {
    return FeedDay{d, std::move(rates)};
}

TEST(RateSql, BindsValuesInsteadOfWritingThem) {
    const SqlStatement ins = RateSql::insertDay(QDate(2026, 3, 5), {QStringLiteral("EUR")}, {QStringLiteral("4.9765")});
    EXPECT_FALSE(ins.text.contains(QStringLiteral("4.9765")));
    EXPECT_EQ(ins.values, (QVariantList{QStringLiteral("2026-03-05"), 4.9765}));
    const SqlStatement before = RateSql::rowBefore(2010, QStringLiteral("RON"), QDate(2010, 3, 5));
    EXPECT_EQ(before.values, QVariantList{QStringLiteral("2010-03-05")});
}

// A stored double reads back as the bank's decimal: its shortest form, found without printing it where it
// has six places or fewer; the single-precision tail of an older file still reads as the bank's figure.
TEST(StoredDecimal, IsTheShortestFormOfTheStoredDouble) {
    const auto shortest = [](double v) {
        char text[64];
        const auto end = std::to_chars(text, text + sizeof text, v).ptr;
        return Decimal::fromText(QString::fromLatin1(text, end - text));
    };
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 200000; ++i) {
        const int places = int(random() % 9);
        const auto units = qint64(random() % 1000000000000ULL) * (random() % 2 ? 1 : -1);
        const double v = double(units) / std::pow(10.0, places);
        ASSERT_EQ(storedDecimal(v), shortest(v)) << units << "e-" << places;
    }
    for (int i = 0; i < 200000; ++i) {
        double v = 0;
        const quint64 bits = 0x3F00000000000000ULL + random() % 0x0200000000000000ULL; // 2^-15 to 2^17
        std::memcpy(&v, &bits, sizeof v);
        ASSERT_EQ(storedDecimal(v), shortest(v)) << bits;
    }
    EXPECT_EQ(storedDecimal(double(4.9491f)), Decimal::fromText(u"4.9491"));
    EXPECT_EQ(storedDecimal(2864.0), Decimal::fromText(u"2864"));
}

// A rate's text reads as the same double as the general reader gives, from text or from a file's bytes.
TEST(RateField, ReadsTheSameDoubleAsTheGeneralReader) {
    std::mt19937_64 random(9122026);
    for (int i = 0; i < 200000; ++i) {
        std::string text = std::to_string(1 + random() % 999999999999ULL).substr(0, 1 + random() % 12);
        text += '.' + std::to_string(random() % 1000000000000ULL).substr(0, 1 + random() % 12);
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        const QByteArray bytes = QByteArray::fromStdString(text);
        ASSERT_EQ(RateField::value(QByteArrayView(bytes)), expected) << text;
        ASSERT_EQ(RateField::value(QString::fromLatin1(bytes)), expected) << text;
    }
    EXPECT_EQ(RateField::value(QByteArrayView("4,9490")), 4.949);
    EXPECT_FALSE(RateField::value(QByteArrayView("4.9\xb9")).has_value());
}

TEST(RateField, ColumnNamesAreLettersAndDigitsUpToSeven) {
    for (const char* good : {"EUR", "100HUF", "1000000", "a"})
        EXPECT_TRUE(RateField::isColumnName(QString::fromLatin1(good))) << good;
    for (const char* bad : {"", "EUR]", "E R", "12345678", "EUR;--", "X'Y", "ÄUR"})
        EXPECT_FALSE(RateField::isColumnName(QString::fromUtf8(bad))) << bad;
}

class StoreTest : public ::testing::Test {
protected:
    TempAppDir app;
};

TEST_F(StoreTest, TheFileIsNeverCreated) {
    RateDb db(app.path() + QStringLiteral("/missing.mdb"));
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(QFile::exists(app.path() + QStringLiteral("/missing.mdb")));
}

TEST_F(StoreTest, AStoredDayIsNeverWrittenAgain) {
    RateDb db(app.db());
    ASSERT_TRUE(db.storeDay(day(QDate(2024, 3, 1), {{"EUR", "4.97"}, {"USD", "4.5"}})));
    int stored = -1;
    ASSERT_TRUE(db.storeDays(
        {day(QDate(2024, 3, 1), {{"EUR", "4.98"}, {"USD", "4.6"}}), day(QDate(2024, 3, 4), {{"EUR", "4.99"}})},
        &stored));
    EXPECT_EQ(stored, 1);
    EXPECT_EQ(app.column(QStringLiteral("select eur from valuta2024ron order by data")), (QVariantList{4.97, 4.99}));
}

TEST_F(StoreTest, NewYearTableAndNewCurrencyColumnWithNullsBefore) {
    RateDb db(app.db());
    ASSERT_TRUE(db.storeDay(day(QDate(2025, 1, 3), {{"EUR", "4.97"}, {"100HUF", "1.2"}})));
    ASSERT_TRUE(db.storeDay(day(QDate(2025, 1, 6), {{"EUR", "4.98"}, {"XYZ", "0,5"}, {"100HUF", "1.3"}})));
    EXPECT_TRUE(*db.hasTable(QStringLiteral("valuta2025ron")));
    EXPECT_FALSE(*db.hasTable(QStringLiteral("valuta2024ron")));
    const QVariantList xyz = app.column(QStringLiteral("select xyz from VALUTA2025RON order by data"));
    ASSERT_EQ(xyz.size(), 2);
    EXPECT_TRUE(xyz[0].isNull());
    EXPECT_DOUBLE_EQ(xyz[1].toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(
        app.column(QStringLiteral("select [100HUF] from valuta2025ron order by data desc")).value(0).toDouble(), 1.3);
    const auto newest = db.newestDay(2025);
    ASSERT_TRUE(newest.ok());
    EXPECT_EQ(newest->day, QDate(2025, 1, 6));
}

TEST_F(StoreTest, AFailingBatchStoresNothingOfIt) {
    RateDb db(app.db());
    ASSERT_TRUE(db.storeDay(day(QDate(2024, 3, 1), {{"EUR", "4.97"}})));
    struct Case {
        const char* why;
        FeedDay bad;
    } const cases[] = {
        {"unsafe column name", day(QDate(2024, 3, 6), {{"EUR", "9.99"}, {"BAD NAME", "1"}})},
        {"rate that is no number", day(QDate(2024, 3, 6), {{"EUR", "4.9e400"}})},
        {"a day without rates", day(QDate(2024, 3, 6), {})},
    };
    for (const Case& c : cases) {
        int stored = -1;
        EXPECT_FALSE(db.storeDays({day(QDate(2024, 3, 4), {{"EUR", "4.99"}, {"NEW", "1"}}), c.bad}, &stored)) << c.why;
        EXPECT_EQ(stored, 0) << c.why;
        EXPECT_EQ(app.column(QStringLiteral("select eur from valuta2024ron order by data")), (QVariantList{4.97}))
            << c.why;
    }
}

TEST_F(StoreTest, EmptyTableHasNoNewestDayAndMissingTableIsNoError) {
    RateDb db(app.db());
    const auto empty = db.newestDay(2005);
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty->tableExists);
    EXPECT_FALSE(empty->day.has_value());
    const auto absent = db.newestDay(2019);
    ASSERT_TRUE(absent.ok());
    EXPECT_FALSE(absent->tableExists);
}

TEST_F(StoreTest, RowBeforeTakesTheDayBeforeAndFallsBackToTheYearBefore) {
    RateDb db(app.db());
    ASSERT_TRUE(db.storeDay(day(QDate(2021, 12, 31), {{"EUR", "4.94"}})));
    ASSERT_TRUE(db.storeDay(day(QDate(2022, 1, 3), {{"EUR", "4.95"}})));
    ASSERT_TRUE(db.storeDay(day(QDate(2022, 1, 4), {{"EUR", "4.96"}})));
    struct Case {
        QDate picked;
        QDate used; // null: no row
    } const cases[] = {
        {QDate(2022, 1, 4), QDate(2022, 1, 3)}, // the chosen day itself is not used
        {QDate(2022, 1, 5), QDate(2022, 1, 4)},
        {QDate(2022, 1, 3), QDate(2021, 12, 31)}, // nothing earlier in 2022
        {QDate(2022, 1, 1), QDate(2021, 12, 31)},
        {QDate(2021, 12, 31), QDate()}, // the year before has a table, but no row
        // A year whose table does not exist yet leads to the year before's last day.
        {QDate(2023, 1, 3), QDate(2022, 1, 4)},
        {QDate(2020, 5, 5), QDate()},
    };
    app.sql(QStringLiteral("create table valuta2020ron (data datetime unique primary key, eur real)"));
    forEachRow(cases, [&](const Case& c) {
        const auto row = db.rowBefore(c.picked, QStringLiteral("RON"));
        ASSERT_TRUE(row.ok()) << c.picked.toString().toStdString();
        if (c.used.isNull()) {
            EXPECT_FALSE(row->has_value());
        } else {
            ASSERT_TRUE(row->has_value());
            EXPECT_EQ(row->value().values.value(0).toString(), c.used.toString(Qt::ISODate));
        }
    });
    // Old-leu tables are other tables: none here, so no row, and no error.
    EXPECT_FALSE(db.rowBefore(QDate(2022, 5, 5), QString())->has_value());
}

TEST_F(StoreTest, YearTableShowsMainCurrenciesOrAll) {
    RateDb db(app.db());
    ASSERT_TRUE(db.storeDay(day(QDate(2022, 1, 3), {{"AUD", "3.1"}, {"EUR", "4.95"}, {"USD", "4.3"}, {"XAU", "250"}})));
    const auto all = db.yearTable(QStringLiteral("2022"), QStringLiteral("RON"), true);
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(all->names, (QStringList{"DATA", "AUD", "EUR", "USD", "XAU"}));
    const auto main = db.yearTable(QStringLiteral("2022"), QStringLiteral("RON"), false);
    ASSERT_TRUE(main.ok());
    EXPECT_EQ(main->names, (QStringList{"DATA", "EUR", "USD", "XAU"}));
    ASSERT_EQ(main->rows.size(), 1u);
    // A year that holds none of the main currencies shows all its columns.
    ASSERT_TRUE(db.storeDay(day(QDate(2023, 1, 3), {{"AUD", "3.1"}, {"CAD", "3.4"}})));
    const auto none = db.yearTable(QStringLiteral("2023"), QStringLiteral("RON"), false);
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none->names, (QStringList{"DATA", "AUD", "CAD"}));
    EXPECT_FALSE(db.yearTable(QStringLiteral("2019"), QStringLiteral("RON"), true).ok());
}

TEST_F(StoreTest, RateLookupIgnoresCaseAndTreatsNullAsMissing) {
    const StoredDay row{{"DATA", "EUR", "XYZ"}, {QStringLiteral("2022-01-03"), 4.95, QVariant()}};
    EXPECT_EQ(row.rate(QStringLiteral("eur")).value_or(0), 4.95);
    EXPECT_FALSE(row.rate(QStringLiteral("XYZ")).has_value());
    EXPECT_FALSE(row.rate(QStringLiteral("GBP")).has_value());
}

// Two writers at once (two imports, an import and an update): the later waits for the earlier, as for any
// busy history, instead of being refused because both had read first.
TEST_F(StoreTest, TwoWritersAtOnceBothFinish) {
    ASSERT_TRUE(RateDb(app.db()).storeDay(day(QDate(2024, 3, 1), {{"EUR", "4.97"}})));
    std::atomic<int> inside{0};
    const auto merge = [&](QDate d, bool* ok) {
        RateDb db(app.db());
        const auto merged = db.mergeDays(2, [&](size_t i) {
            // The second day is asked for once the first one's year was read: both in their transaction,
            // each having read, before either writes. Where the other cannot come in, stop waiting for it.
            if (i == 1) {
                ++inside;
                for (int n = 0; n < 30 && inside < 2; ++n)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return RateDb::MergeDay{QStringLiteral("RON"), day(d.addDays(int(i) * 7), {{"EUR", "4.98"}})};
        });
        *ok = merged.ok();
    };
    bool first = false, second = false;
    std::thread a(merge, QDate(2024, 3, 4), &first), b(merge, QDate(2024, 3, 5), &second);
    a.join();
    b.join();
    EXPECT_TRUE(first && second);
    EXPECT_EQ(app.column(QStringLiteral("select count(*) from valuta2024ron")), (QVariantList{5}));
}

} // namespace
