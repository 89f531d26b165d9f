// Reading the bank's files and bringing the database up to date from a loopback server.
#include "core/feed/feedclient.h"
#include "core/feed/feedparser.h"
#include "core/store/ratedb.h"
#include "core/update/rateupdater.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

namespace {

using Rates = QList<QPair<QString, QString>>;
const Rates kRates = {{"EUR", "4.9765"}, {"USD", "4,5123"}, {"100HUF", "1.2655"}, {"RON", "1"}};

TEST(FeedParser, ReadsTheBanksRealFilesByPosition) {
    if (!BnrData::folder()) GTEST_SKIP() << BnrData::missingReason().toStdString();
    BnrData data;
    struct Case {
        const char* file;
        QDate date;
        int rates;
    } const cases[] = {
        {"daily/2009-05-22/exchange_rates.xml", QDate(2009, 5, 22), 0}, // byte-order mark, older header
        {"daily/2024-09-05/nbrfxrates.xml", QDate(2024, 9, 5), 0},
        {"samples/daily-2026-07-31-https-ns/nbrfxrates.xml", QDate(2026, 7, 31), 0},
        {"samples/daily-2026-07-31-http-ns/nbrfxrates.xml", QDate(2026, 7, 31), 0},
    };
    forEachRow(cases, [&](const Case& c) {
        const QByteArray xml = data.file(QString::fromLatin1(c.file));
        ASSERT_FALSE(xml.isEmpty()) << c.file;
        const auto feed = FeedParser::feedDate(xml);
        ASSERT_TRUE(feed.ok()) << c.file << " " << feed.error().toStdString();
        EXPECT_EQ(*feed, c.date);
        const auto day = FeedParser::dayFile(xml, c.date);
        ASSERT_TRUE(day.ok() && day->has_value()) << c.file << " " << day.error().toStdString();
        EXPECT_EQ((*day)->date, c.date);
        EXPECT_GT((*day)->rates.size(), 20u);
        bool huf = false;
        for (const FeedRate& e : (*day)->rates) {
            EXPECT_NE(e.column, QStringLiteral("RON"));
            huf = huf || e.column == u"100HUF";
        }
        EXPECT_TRUE(huf) << c.file;
    });
    const auto year = FeedParser::days(data.file(QStringLiteral("nbrfxrates2022.xml")));
    ASSERT_TRUE(year.ok());
    EXPECT_EQ(year->size(), 251u);
    EXPECT_EQ(year->front().date, QDate(2022, 1, 3));
    // The ten-day feed stands newest first: its date is its newest day, and each of its days is there.
    const QByteArray ten = data.file(QStringLiteral("samples/10days-2020-05-01/nbrfxrates10days.xml"));
    EXPECT_EQ(*FeedParser::feedDate(ten), QDate(2020, 4, 30));
    EXPECT_EQ(FeedParser::days(ten)->size(), 10u);
    EXPECT_TRUE(FeedParser::dayFile(ten, QDate(2020, 4, 22))->has_value());
    // Another of the bank's formats is no rate file of ours.
    EXPECT_FALSE(
        FeedParser::days(data.file(QStringLiteral("samples/statistics-export-2023-01/old-daily-rates-2023.xml"))).ok());
}

// One day with a rate written with the given attributes, and USD beside it.
QByteArray rateXml(QDate d, const char* attributes) {
    return BnrData::dayXml(d, {{"USD", "4.5"}})
        .replace("<Rate currency=\"USD\"", "<Rate " + QByteArray(attributes) + ">5.1</Rate><Rate currency=\"USD\"");
}

TEST(FeedParser, RefusesBrokenFilesAndLeavesUnreadableRatesOut) {
    const QDate d(2024, 3, 1);
    struct Case {
        const char* why;
        QByteArray xml;
        bool ok;
        QStringList stored;     // columns read, when ok
        QStringList unreadable; // columns left out, when ok
    } const cases[] = {
        {"good", BnrData::dayXml(d, kRates), true, {"EUR", "USD", "100HUF"}, {}},
        {"decimal comma", BnrData::dayXml(d, {{"EUR", "4,97"}}), true, {"EUR"}, {}},
        {"letters in a rate", BnrData::dayXml(d, {{"EUR", "4.9a"}, {"USD", "4.5"}}), true, {"USD"}, {"EUR"}},
        {"empty rate", BnrData::dayXml(d, {{"EUR", ""}, {"USD", "4.5"}}), true, {"USD"}, {"EUR"}},
        {"negative rate", BnrData::dayXml(d, {{"EUR", "-4.9"}, {"USD", "4.5"}}), true, {"USD"}, {"EUR"}},
        {"zero rate", BnrData::dayXml(d, {{"EUR", "0"}, {"USD", "4.5"}}), true, {"USD"}, {"EUR"}},
        {"400 digits", BnrData::dayXml(d, {{"EUR", QString(400, u'9')}, {"USD", "4.5"}}), true, {"USD"}, {"EUR"}},
        {"quote in a code", BnrData::dayXml(d, {{"EU'R", "4.9"}, {"USD", "4.5"}}), true, {"USD"}, {"EU'R"}},
        {"code too long", BnrData::dayXml(d, {{"12345EUR", "4.9"}, {"USD", "4.5"}}), true, {"USD"}, {"12345EUR"}},
        {"no rates at all", BnrData::dayXml(d, {}), false, {}, {}},
        {"only RON", BnrData::dayXml(d, {{"RON", "1"}}), false, {}, {}},
        {"no rate readable", BnrData::dayXml(d, {{"EUR", "abc"}}), false, {}, {}},
        {"same code twice, other values", BnrData::dayXml(d, {{"EUR", "4.9"}, {"EUR", "4.8"}}), false, {}, {}},
        {"same code twice, alike", BnrData::dayXml(d, {{"EUR", "4.9"}, {"EUR", "4.9"}}), true, {"EUR"}, {}},
        // Attributes by name, in any order, beside others; a code is three capitals, a multiplier a positive whole
        // number.
        {"multiplier first", rateXml(d, R"(multiplier="100" currency="HUF")"), true, {"100HUF", "USD"}, {}},
        {"an extra attribute", rateXml(d, R"(status="final" currency="EUR")"), true, {"EUR", "USD"}, {}},
        {"multiplier zero", rateXml(d, R"(currency="HUF" multiplier="0")"), true, {"USD"}, {"0HUF"}},
        {"a code of four letters", rateXml(d, R"(currency="EURO")"), true, {"USD"}, {"EURO"}},
        {"a column's name as code", rateXml(d, R"(currency="rowid")"), true, {"USD"}, {"rowid"}},
        {"DATA as code", rateXml(d, R"(currency="DATA")"), true, {"USD"}, {"DATA"}},
        {"lower case code", BnrData::dayXml(d, {{"EUR", "4.9"}, {"eur", "4.8"}}), true, {"EUR"}, {"eur"}},
        {"rate without attributes", "<a><b><c date=\"2024-03-01\"><Rate>4.9</Rate></c></b></a>", false, {}, {}},
        {"unreadable date",
         "<a><b><c date=\"20x4-03-01\"><Rate currency=\"EUR\">4.9</Rate></c></b></a>",
         false,
         {},
         {}},
        {"cut short", BnrData::dayXml(d, kRates).left(200), false, {}, {}},
        {"html page", "<html><body><p>Eroare</p></body></html>", false, {}, {}},
        {"not xml", "{\"EUR\": 4.9}", false, {}, {}},
        {"two roots", BnrData::dayXml(d, kRates) + "<x/>", false, {}, {}},
        {"nested far too deep",
         QByteArray("<a>").repeated(300000) + QByteArray("</a>").repeated(300000),
         false,
         {},
         {}},
    };
    forEachRow(cases, [&](const Case& c) {
        const auto r = FeedParser::dayFile(c.xml, d);
        ASSERT_EQ(r.ok(), c.ok) << c.why << " " << r.error().toStdString();
        if (!c.ok) return;
        ASSERT_TRUE(r->has_value()) << c.why;
        QStringList columns;
        for (const FeedRate& e : (*r)->rates)
            columns << e.column;
        EXPECT_EQ(columns, c.stored) << c.why;
        EXPECT_EQ((*r)->unreadable, c.unreadable) << c.why;
    });
    const auto comma = FeedParser::dayFile(BnrData::dayXml(d, {{"EUR", "4,97"}}), d);
    EXPECT_EQ((*comma)->rates.front().text, QStringLiteral("4.97"));
    // A file of several days is read cube by cube, in either order; the feed's date is its newest.
    const QDate before(2024, 2, 29);
    for (const QByteArray& two : {BnrData::yearXml({{d, kRates}, {before, {{"EUR", "4.9"}}}}),
                                  BnrData::yearXml({{before, {{"EUR", "4.9"}}}, {d, kRates}})}) {
        EXPECT_EQ(*FeedParser::feedDate(two), d);
        ASSERT_TRUE(FeedParser::dayFile(two, d)->has_value());
        EXPECT_EQ((*FeedParser::dayFile(two, d))->rates.size(), 3u);
        EXPECT_EQ((*FeedParser::dayFile(two, before))->rates.size(), 1u);
        EXPECT_FALSE(FeedParser::dayFile(two, QDate(2024, 3, 4))->has_value());
    }
    // The feed's date must come from an attribute named exactly "date".
    EXPECT_FALSE(FeedParser::feedDate("<a><b><c Date=\"2024-03-01\"/></b></a>").ok());
    // Positions, not a pattern: a month written with one digit is no date.
    EXPECT_FALSE(FeedParser::cubeDate(QStringLiteral("2024-3-01")).isValid());
    EXPECT_EQ(FeedParser::cubeDate(QStringLiteral("2024-03-01T00")), QDate());
    EXPECT_EQ(FeedParser::cubeDate(QStringLiteral("2024-03-01")), QDate(2024, 3, 1));
    // The same day twice in one file: alike is one day, with other values it is broken.
    const QList<QPair<QString, QString>> eur49 = {{"EUR", "4.9"}}, eur59 = {{"EUR", "5.9"}};
    std::vector<QDate> twice;
    EXPECT_EQ(FeedParser::days(BnrData::yearXml({{d, eur49}, {d, eur49}}))->size(), 1u);
    EXPECT_FALSE(FeedParser::days(BnrData::yearXml({{d, eur49}, {d, eur59}}), &twice).ok());
    EXPECT_EQ(twice, std::vector<QDate>{d});
    EXPECT_FALSE(FeedParser::dayFile(BnrData::yearXml({{d, eur49}, {d, eur59}}), d).ok());
    // A broken day inside a yearly file is left out, not the whole year.
    std::vector<QDate> broken;
    const auto year = FeedParser::days(
        BnrData::yearXml(
            {{QDate(2024, 3, 1), {{"EUR", "4.9"}}}, {QDate(2024, 3, 4), {}}, {QDate(2024, 3, 5), {{"EUR", "5"}}}}),
        &broken);
    ASSERT_TRUE(year.ok());
    EXPECT_EQ(year->size(), 2u);
    EXPECT_EQ(broken, std::vector<QDate>{QDate(2024, 3, 4)});
}

// How the bank serves and what the history holds: each row starts from its own
// database, updates against a loopback bank and compares the stored days with the
// bank's, counting the requests.
struct ServedCase {
    const char* why;
    QList<int> storedYears; // the bank's yearly files stored first
    std::function<void(TempAppDir&)> spoil;
    BnrData::Serving how;
    RateUpdater::Result result;
    int requests;       // -1: not counted
    const char* told;   // a piece of the message, when not "Cursul este la zi!"
    QDate firstMissing; // the oldest day reported missing, when any
};

class UpdateTest : public ::testing::Test {
protected:
    RateUpdater::Report update(FeedServer& server, QDate today, RateUpdater::ProgressFn progress = {},
                               const TempAppDir* in = nullptr) {
        FeedClient client(server.base(), 5000);
        RateUpdater updater((in ? in : &app)->db(), client);
        updater.setToday(today);
        return updater.run(progress);
    }
    QVariantList stored(int from, int to, const TempAppDir* in = nullptr) const {
        const TempAppDir& app = in ? *in : this->app;
        QVariantList out;
        for (int y = from; y <= to; ++y)
            if (!app.column(QStringLiteral("select 1 from sqlite_master where name like 'valuta%1ron'").arg(y))
                     .isEmpty())
                out += app.column(QStringLiteral("select substr(data, 1, 10) from valuta%1ron order by data").arg(y));
        return out;
    }
    void runRows(const BnrData& data, const std::vector<ServedCase>& rows) {
        forEachRow(rows, [&](const ServedCase& c) {
            TempAppDir app;
            app.sql(QStringLiteral("drop table VALUTA2005RON"));
            for (int y : c.storedYears) {
                auto days = FeedParser::days(data.years().value(y));
                ASSERT_TRUE(days.ok()) << c.why;
                int n = 0;
                ASSERT_TRUE(RateDb(app.db()).storeDays(*days, &n)) << c.why;
            }
            if (c.spoil) c.spoil(app);
            FeedServer server(data.serve(c.how));
            const QDate from =
                QDate::fromString(stored(2005, c.how.feed.year(), &app).value(0).toString(), Qt::ISODate);
            const auto report = update(server, c.how.feed, {}, &app);
            EXPECT_EQ(report.result, c.result) << c.why << ": " << RateUpdater::message(report).toStdString();
            if (c.requests >= 0) {
                EXPECT_EQ(report.requests, c.requests) << c.why << " " << server.requests().join(u' ').toStdString();
            }
            // The transport may open a connection it does not use, or send a request twice over a closed one;
            // the addresses asked are what count.
            QStringList asked = server.requests();
            asked.removeAll(QString());
            asked.removeDuplicates();
            EXPECT_EQ(report.requests, asked.size()) << c.why << " " << asked.join(u' ').toStdString();
            const QString told = RateUpdater::message(report);
            if (c.told) {
                EXPECT_TRUE(told.contains(QString::fromUtf8(c.told))) << c.why << ": " << told.toStdString();
            }
            EXPECT_EQ(report.missing.value(0), c.firstMissing) << c.why;
            // Nothing invented: every stored day is one the bank sent, with the bank's days all there but the missing.
            QVariantList expected = data.bankDays(from, c.how.feed);
            for (QDate m : report.missing)
                expected.removeAll(m.toString(Qt::ISODate));
            EXPECT_EQ(stored(from.year(), c.how.feed.year(), &app), expected) << c.why;
            if (c.result == RateUpdater::Result::UpToDate) return;
            // Once the bank serves whole files again, the next update completes the history.
            BnrData::Serving whole = c.how;
            whole.yearCut.clear();
            server.setHandler(data.serve(whole));
            const auto again = update(server, c.how.feed, {}, &app);
            EXPECT_EQ(again.result, RateUpdater::Result::UpToDate)
                << c.why << ": " << RateUpdater::message(again).toStdString();
            EXPECT_EQ(stored(from.year(), c.how.feed.year(), &app), data.bankDays(from, c.how.feed)) << c.why;
        });
    }
    TempAppDir app;
};

using Single = BnrData::Serving::SingleDays;

BnrData::Serving serving(QDate feed, Single single = Single::NotFound) {
    BnrData::Serving s;
    s.feed = feed;
    s.singleDays = single;
    return s;
}

TEST_F(UpdateTest, TheBanksRealFilesFillTheHistoryWithoutAskingForSingleDays) {
    if (!BnrData::folder()) GTEST_SKIP() << BnrData::missingReason().toStdString();
    BnrData data;
    ASSERT_TRUE(data.load());
    const QDate dec29(2023, 12, 29), jun15(2023, 6, 15);
    const auto deleteFrom = [](const char* table, const char* day) {
        return [=](TempAppDir& app) { app.sql(QStringLiteral("delete from %1 where data >= '%2'").arg(table, day)); };
    };
    BnrData::Serving dayBefore = serving(jun15);
    dayBefore.yearToFeedDay = false;
    BnrData::Serving noTen = serving(dec29);
    noTen.tenDays = false;
    BnrData::Serving cutNov = serving(dec29);
    cutNov.yearCut = {{2022, QDate(2022, 11, 30)}};
    const auto R = RateUpdater::Result::UpToDate;
    const std::vector<ServedCase> rows = {
        {"through 2021, single days 404", {2021}, {}, serving(dec29), R, 3, nullptr, {}},
        {"through 2021, single days sent to a web page",
         {2021},
         {},
         serving(dec29, Single::ToWebPage),
         R,
         3,
         nullptr,
         {}},
        {"through 2021, single days served", {2021}, {}, serving(dec29, Single::Served), R, 3, nullptr, {}},
        {"through 2022 on 15 June, the year's file to the day before", {2022}, {}, dayBefore, R, 2, nullptr, {}},
        {"through 2022 on 15 June, the year's file to the day", {2022}, {}, serving(jun15), R, 2, nullptr, {}},
        {"ten days missed, the ten-day feed",
         {2023},
         deleteFrom("valuta2023ron", "2023-12-18"),
         serving(dec29),
         R,
         2,
         nullptr,
         {}},
        {"ten days missed, no ten-day feed",
         {2023},
         deleteFrom("valuta2023ron", "2023-12-18"),
         noTen,
         R,
         3,
         nullptr,
         {}},
        {"a hole inside a stored year",
         {2021, 2022, 2023},
         [](TempAppDir& app) { app.sql(QStringLiteral("delete from valuta2022ron where data like '2022-03%'")); },
         serving(dec29),
         R,
         2,
         nullptr,
         {}},
        {"an empty table of a later year",
         {2022},
         [](TempAppDir& app) {
             app.sql(QStringLiteral("delete from valuta2022ron where data > '2022-12-16';\n"
                                    "create table VALUTA2023RON (DATA DATETIME UNIQUE PRIMARY KEY)"));
         },
         serving(QDate(2023, 1, 3)),
         R,
         2,
         nullptr,
         {}},
        // One single day is asked, the first December day, and the bank does not serve it.
        {"the 2022 file ends on 30 November",
         {2021},
         {},
         cutNov,
         RateUpdater::Result::Incomplete,
         4,
         "02.12.2022 - 30.12.2022 (20 zile)",
         QDate(2022, 12, 2)},
    };
    runRows(data, rows);
}

TEST_F(UpdateTest, AnswersWithSeveralDaysAreReadDayByDay) {
    const BnrData data = BnrData::madeUp(QDate(2024, 9, 2), QDate(2024, 9, 18));
    BnrData::Serving newestFirst = serving(QDate(2024, 9, 18), Single::Served);
    newestFirst.tenDays = newestFirst.yearly = false;
    newestFirst.twoCubes = true;
    BnrData::Serving oldestFirst = newestFirst;
    oldestFirst.oldestFirst = true;
    const auto fromFriday = [](TempAppDir& app) {
        RateDb(app.db()).storeDay(FeedDay{QDate(2024, 9, 13), {{"EUR", "4.9"}}, {}});
        app.sql(QStringLiteral("delete from valuta2024ron where data < '2024-09-13'"));
    };
    const std::vector<ServedCase> rows = {
        // The feed brings Wednesday and Tuesday; the ten-day feed and the year's file are not
        // served; Monday comes alone, with Friday beside it.
        {"the asked day first", {}, fromFriday, newestFirst, RateUpdater::Result::UpToDate, 4, nullptr, {}},
        {"the asked day last", {}, fromFriday, oldestFirst, RateUpdater::Result::UpToDate, 4, nullptr, {}},
    };
    runRows(data, rows);
}

TEST_F(UpdateTest, AWeekdayTheBankKeepsClosingIsRecordedAndNoLongerAsked) {
    // 12 March 2024 was no holiday of the calendar, but this bank published nothing that day.
    const QDate closed(2024, 3, 12), feed(2025, 1, 3);
    const BnrData data = BnrData::madeUp(QDate(2023, 12, 29), feed, {closed});
    RateDb(app.db()).storeDay(FeedDay{QDate(2023, 12, 29), {{"EUR", "4.9"}}, {}});
    FeedServer server(data.serve(serving(feed)));
    // Seen lacking on one day: missing, named, asked again.
    for (int run = 0; run < 2; ++run) {
        const auto first = update(server, feed);
        EXPECT_EQ(first.result, RateUpdater::Result::Incomplete);
        EXPECT_EQ(first.missing, QList<QDate>{closed});
        EXPECT_TRUE(RateUpdater::message(first).contains(QStringLiteral("12.03.2024")));
    }
    // Still lacking on a later day: a day without rates, no longer reported nor asked for.
    server.clearRequests();
    EXPECT_EQ(update(server, feed.addDays(1)).result, RateUpdater::Result::UpToDate);
    EXPECT_EQ(server.requests().size(), 3); // the feed, the year's file, the day itself
    server.clearRequests();
    EXPECT_EQ(update(server, feed.addDays(2)).result, RateUpdater::Result::UpToDate);
    EXPECT_EQ(server.requests(), QStringList{QStringLiteral("/nbrfxrates.xml")});
    EXPECT_EQ(stored(2024, 2025), data.bankDays(QDate(2024, 1, 1), feed));
}

TEST_F(UpdateTest, AFirstStartSince2005MakesOneRequestAYear) {
    const QDate feed(2026, 8, 19);
    const BnrData data = BnrData::madeUp(QDate(2005, 1, 1), feed);
    FeedServer server(data.serve(serving(feed)));
    const auto report = update(server, feed);
    ASSERT_EQ(report.result, RateUpdater::Result::UpToDate) << RateUpdater::message(report).toStdString();
    EXPECT_EQ(report.requests, 1 + 22);
    EXPECT_EQ(report.dayRequests, 0);
    EXPECT_EQ(stored(2005, 2026), data.bankDays(QDate(2005, 1, 1), feed));
    // The next day's start asks the feed alone.
    BnrData::Serving next = serving(feed);
    server.clearRequests();
    EXPECT_EQ(update(server, feed).requests, 1);
}

TEST_F(UpdateTest, AlreadyCurrentAsksOnlyForTheFeed) {
    const QDate feed(2024, 9, 13);
    const BnrData data = BnrData::madeUp(feed, feed);
    ASSERT_TRUE(RateDb(app.db()).storeDay(FeedDay{feed, {{"EUR", "4.9"}}, {}}));
    FeedServer server(data.serve(serving(feed)));
    const auto report = update(server, feed);
    EXPECT_EQ(report.result, RateUpdater::Result::UpToDate);
    EXPECT_EQ(report.feedDate, feed);
    EXPECT_EQ(server.requests(), QStringList{QStringLiteral("/nbrfxrates.xml")});
}

TEST_F(UpdateTest, FeedProblemsAndAMissingHistoryEndWithAnError) {
    struct Case {
        const char* why;
        FeedServer::Handler handler;
        bool dropTables;
        const char* told;
    };
    const BnrData data = BnrData::madeUp(QDate(2024, 9, 2), QDate(2024, 9, 16));
    const Case cases[] = {
        {"feed unreachable", [](const QString&) { return FeedServer::Reply::error(404); }, false, "HTTP 404"},
        {"feed without date",
         [](const QString&) {
             return FeedServer::Reply::ok("<a><b><Cube><Rate currency=\"EUR\">1</Rate></Cube></b></a>");
         },
         false, "nu poate fi citit"},
        {"feed date zero",
         [](const QString&) { return FeedServer::Reply::ok("<a><b><c date=\"0000-00-00\"/></b></a>"); }, false,
         "nu poate fi citit"},
        {"feed moved to a web page",
         [](const QString& t) {
             return t == u"/" ? FeedServer::Reply::ok(BnrData::webPage()) : FeedServer::Reply::redirect("/");
         },
         false, "a venit o pagina web"},
        {"no year table since 2005", data.serve(serving(QDate(2024, 9, 16))), true, "niciun tabel"},
    };
    for (const Case& c : cases) {
        TempAppDir fresh;
        if (c.dropTables) fresh.sql(QStringLiteral("drop table VALUTA2005RON"));
        FeedServer server(c.handler);
        FeedClient client(server.base(), 2000);
        const auto report = RateUpdater(fresh.db(), client).run();
        EXPECT_EQ(report.result, RateUpdater::Result::Failed) << c.why;
        EXPECT_FALSE(report.feedDate.isValid()) << c.why;
        EXPECT_TRUE(RateUpdater::message(report).contains(QString::fromUtf8(c.told)))
            << c.why << ": " << RateUpdater::message(report).toStdString();
        if (c.why == std::string("feed moved to a web page")) {
            EXPECT_TRUE(RateUpdater::message(report).contains(QStringLiteral("FeedUrl")));
        }
    }
}

TEST_F(UpdateTest, RedirectsAreFollowed) {
    const QDate feed(2024, 9, 16);
    const BnrData data = BnrData::madeUp(QDate(2024, 9, 2), feed);
    ASSERT_TRUE(RateDb(app.db()).storeDay(FeedDay{QDate(2024, 9, 13), {{"EUR", "4.9"}}, {}}));
    FeedServer target(data.serve(serving(feed)));
    const QByteArray to = target.base().toString().toLatin1();
    FeedServer server([to](const QString& path) { return FeedServer::Reply::redirect(to + path.toLatin1()); });
    EXPECT_EQ(update(server, feed).result, RateUpdater::Result::UpToDate);
    EXPECT_EQ(stored(2024, 2024), (QVariantList{"2024-09-13", "2024-09-16"}));
}

TEST_F(UpdateTest, CancelKeepsWhatCame) {
    const QDate feed(2024, 9, 20);
    const BnrData data = BnrData::madeUp(QDate(2024, 9, 2), feed);
    ASSERT_TRUE(RateDb(app.db()).storeDay(FeedDay{QDate(2024, 9, 13), {{"EUR", "4.9"}}, {}}));
    BnrData::Serving how = serving(feed, Single::Served);
    how.tenDays = how.yearly = false;
    FeedServer server(data.serve(how));
    int calls = 0;
    // Stopped once Monday has come, alone: the feed's Friday and Monday stay.
    const auto report = update(server, feed, [&](const RateUpdater::Progress&) { return ++calls < 5; });
    EXPECT_EQ(report.result, RateUpdater::Result::Cancelled);
    EXPECT_EQ(stored(2024, 2024), (QVariantList{"2024-09-13", "2024-09-16", "2024-09-20"}));
}

// An office that reaches the internet only through a proxy: every request passes through it.
// What one answer says is no proof, a weekend is never a rate day, and a block the bank
// changes is news: each through the update, compared with what is stored.
TEST_F(UpdateTest, DoubtfulAnswersNeitherEraseNorInventDays) {
    const auto rates = [](const char* eur) { return QList<QPair<QString, QString>>{{"EUR", eur}, {"100HUF", "1.3"}}; };
    struct Case {
        const char* why;
        FeedServer::Handler bank;
        QDate today;
        QList<QDate> stored; // days of 2024 stored after the update, beyond 3 January
        const char* told;
        bool recorded; // a day written in the record of days without rates
    } const cases[] = {
        {"a \"no rates\" page for a banking day",
         [&](const QString& path) {
             if (path == u"/nbrfxrates.xml")
                 return FeedServer::Reply::ok(BnrData::dayXml(QDate(2024, 1, 5), rates("4.97")));
             if (path.startsWith(u"/MakeXmlFile")) return FeedServer::Reply::ok(BnrData::noRatesPage());
             return FeedServer::Reply::error(404);
         },
         QDate(2024, 1, 6),
         {QDate(2024, 1, 5)},
         "Lipsesc cursurile pentru 04.01.2024",
         false},
        {"a feed dated on a Saturday",
         [&](const QString& path) {
             if (path == u"/nbrfxrates.xml")
                 return FeedServer::Reply::ok(BnrData::dayXml(QDate(2024, 1, 6), rates("4.98")));
             if (path == u"/nbrfxrates10days.xml")
                 return FeedServer::Reply::ok(BnrData::yearXml({{QDate(2024, 1, 6), rates("4.98")},
                                                                {QDate(2024, 1, 5), rates("4.97")},
                                                                {QDate(2024, 1, 4), rates("4.96")}}));
             return FeedServer::Reply::error(404);
         },
         QDate(2024, 1, 6),
         {QDate(2024, 1, 4), QDate(2024, 1, 5)},
         "zile de weekend",
         false},
        {"a currency quoted for another block",
         [&](const QString& path) {
             if (path == u"/nbrfxrates.xml")
                 return FeedServer::Reply::ok(
                     BnrData::dayXml(QDate(2024, 1, 4), {{"EUR", "4.97"}, {"1000HUF", "13.1"}}));
             return FeedServer::Reply::error(404);
         },
         QDate(2024, 1, 5),
         {QDate(2024, 1, 4)},
         "Banca coteaza acum HUF pentru 1000 unitati (pana acum pentru 100)",
         false},
    };
    forEachRow(cases, [&](const Case& c) {
        TempAppDir app;
        ASSERT_TRUE(RateDb(app.db()).storeDay(FeedDay{QDate(2024, 1, 3), {{"EUR", "4.95"}, {"100HUF", "1.3"}}, {}}));
        FeedServer server(c.bank);
        const auto report = update(server, c.today, {}, &app);
        EXPECT_TRUE(RateUpdater::message(report).contains(QString::fromUtf8(c.told)))
            << c.why << ": " << RateUpdater::message(report).toStdString();
        QVariantList expected{QStringLiteral("2024-01-03")};
        for (QDate d : c.stored)
            expected << d.toString(Qt::ISODate);
        EXPECT_EQ(stored(2024, 2024, &app), expected) << c.why;
        EXPECT_EQ(app.column(QStringLiteral("select count(*) from sqlite_master where name = 'ZILEFARACURS'"))
                              .value(0)
                              .toInt() > 0 &&
                      app.column(QStringLiteral("select count(*) from ZILEFARACURS")).value(0).toInt() > 0,
                  c.recorded)
            << c.why;
    });
}

// The system's proxy as a user sets it on Linux: the environment. An empty address takes it away.
void setSystemProxy(const QUrl& proxy, const QString& bypass) {
    if (proxy.isEmpty()) {
        qunsetenv("http_proxy");
        qunsetenv("no_proxy");
        return;
    }
    qputenv("http_proxy", proxy.toString().toLatin1());
    qputenv("no_proxy", bypass.toLatin1());
}

// Windows keeps the proxy in Internet Settings, which Qt asks WinHTTP for; under Wine that
// answer never carried a proxy set there (neither ProxyServer nor the connection blob), so
// the two proxy cases cannot be checked in this build's Wine.
constexpr const char* kNoWindowsProxy = "the system's proxy cannot be set for Qt under Wine";

TEST_F(UpdateTest, TheSystemsProxyIsHonoured) {
#ifdef _WIN32
    GTEST_SKIP() << kNoWindowsProxy;
#endif
    const QDate feed(2024, 9, 16);
    const BnrData data = BnrData::madeUp(QDate(2024, 9, 2), feed);
    ASSERT_TRUE(RateDb(app.db()).storeDay(FeedDay{QDate(2024, 9, 12), {{"EUR", "4.9"}}, {}}));
    FeedServer bank(data.serve(serving(feed)));
    // The proxy gets absolute addresses and forwards them to the bank's handler.
    const FeedServer::Handler forward = data.serve(serving(feed));
    FeedServer proxy([forward](const QString& target) {
        const QUrl url(target);
        return url.isRelative() ? FeedServer::Reply::error(400)
                                : forward(url.path() + (url.hasQuery() ? u'?' + url.query() : QString()));
    });
    struct Case {
        const char* why;
        QString noProxy;
        bool throughProxy;
    } const cases[] = {{"proxy set", {}, true},
                       {"bank's host excluded", QStringLiteral("example.org, 127.0.0.1"), false}};
    for (const Case& c : cases) {
        setSystemProxy(proxy.base(), c.noProxy);
        proxy.clearRequests();
        bank.clearRequests();
        TempAppDir fresh;
        ASSERT_TRUE(RateDb(fresh.db()).storeDay(FeedDay{QDate(2024, 9, 12), {{"EUR", "4.9"}}, {}}));
        FeedClient client(bank.base(), 5000);
        RateUpdater updater(fresh.db(), client);
        updater.setToday(feed);
        EXPECT_EQ(updater.run().result, RateUpdater::Result::UpToDate) << c.why;
        EXPECT_EQ(proxy.requests().isEmpty(), !c.throughProxy) << c.why;
        EXPECT_EQ(bank.requests().isEmpty(), c.throughProxy) << c.why;
        if (c.throughProxy) {
            EXPECT_EQ(proxy.requests().value(0), bank.base().toString() + QStringLiteral("/nbrfxrates.xml")) << c.why;
        }
    }
    setSystemProxy({}, {});
}

// A proxy that asks for a password is named, and so is what it asks for.
TEST_F(UpdateTest, AProxyAskingForAPasswordIsNamed) {
#ifdef _WIN32
    GTEST_SKIP() << kNoWindowsProxy;
#endif
    FeedServer proxy([](const QString&) { return FeedServer::Reply::error(407); });
    FeedServer bank([](const QString&) { return FeedServer::Reply::error(404); });
    setSystemProxy(proxy.base(), {});
    const auto report = update(bank, QDate(2024, 9, 16));
    setSystemProxy({}, {});
    const QString said = RateUpdater::message(report);
    EXPECT_EQ(report.result, RateUpdater::Result::Failed);
    EXPECT_TRUE(
        said.contains(QStringLiteral("Serverul proxy 127.0.0.1:%1 cere un nume si o parola").arg(proxy.base().port())))
        << said.toStdString();
}

} // namespace
