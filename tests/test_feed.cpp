// Reading the bank's files and bringing the database up to date from a loopback server.
#include "core/feedclient.h"
#include "core/feedparser.h"
#include "core/ratedb.h"
#include "core/rateupdater.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

namespace {

using Rates = QList<QPair<QString, QString>>;
const Rates kRates = {{"EUR", "4.9765"}, {"USD", "4,5123"}, {"100HUF", "1.2655"}, {"RON", "1"}};

QDate dayOf(const QString& target) {
    const QStringList p =
        QUrlQuery(QUrl(QStringLiteral("http://x") + target)).queryItemValue(QStringLiteral("date")).split(u'.');
    return p.size() == 3 ? QDate(p[2].toInt(), p[1].toInt(), p[0].toInt()) : QDate();
}

// A bank with made-up rates: every weekday has a file, weekends answer "Nu exista".
FeedServer::Handler madeUpBank(QDate feed, std::function<FeedServer::Reply(QDate)> special = {}) {
    return [feed, special](const QString& target) {
        if (target == u"/nbrfxrates.xml") return FeedServer::Reply::ok(BnrData::dayXml(feed, kRates));
        if (target.startsWith(QStringLiteral("/files/"))) return FeedServer::Reply::error(404);
        const QDate d = dayOf(target);
        if (special) {
            FeedServer::Reply r = special(d);
            if (r.status != 0) return r;
        }
        if (d.dayOfWeek() > 5) return FeedServer::Reply::ok(BnrData::noRatesPage());
        return FeedServer::Reply::ok(BnrData::dayXml(d, kRates));
    };
}

const FeedServer::Reply kNoSpecial{0, {}, FeedServer::Reply::Normal, {}};

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
        const auto day = FeedParser::dayFile(xml);
        ASSERT_TRUE(day.ok()) << c.file << " " << day.error().toStdString();
        EXPECT_EQ(day->date, c.date);
        EXPECT_GT(day->rates.size(), 20u);
        bool huf = false;
        for (const RateEntry& e : day->rates) {
            EXPECT_NE(e.column, QStringLiteral("RON"));
            huf = huf || e.column == u"100HUF";
        }
        EXPECT_TRUE(huf) << c.file;
    });
    const auto year = FeedParser::yearFile(data.file(QStringLiteral("nbrfxrates2022.xml")));
    ASSERT_TRUE(year.ok());
    EXPECT_EQ(year->size(), 251u);
    EXPECT_EQ(year->front().date, QDate(2022, 1, 3));
    // Another of the bank's formats is no rate file of ours.
    EXPECT_FALSE(
        FeedParser::dayFile(data.file(QStringLiteral("samples/statistics-export-2023-01/old-daily-rates-2023.xml")))
            .ok());
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
        {"same code twice", BnrData::dayXml(d, {{"EUR", "4.9"}, {"eur", "4.8"}}), false, {}, {}},
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
        const auto r = FeedParser::dayFile(c.xml);
        ASSERT_EQ(r.ok(), c.ok) << c.why << " " << r.error().toStdString();
        if (!c.ok) return;
        QStringList columns;
        for (const RateEntry& e : r->rates)
            columns << e.column;
        EXPECT_EQ(columns, c.stored) << c.why;
        EXPECT_EQ(r->unreadable, c.unreadable) << c.why;
    });
    const auto comma = FeedParser::dayFile(BnrData::dayXml(d, {{"EUR", "4,97"}}));
    EXPECT_EQ(comma->rates.front().text, QStringLiteral("4.97"));
    // The feed's date must come from an attribute named exactly "date".
    EXPECT_FALSE(FeedParser::feedDate("<a><b><c Date=\"2024-03-01\"/></b></a>").ok());
    // Positions, not a pattern: a month written with one digit is no date.
    EXPECT_FALSE(FeedParser::cubeDate(QStringLiteral("2024-3-01")).isValid());
    EXPECT_EQ(FeedParser::cubeDate(QStringLiteral("2024-03-01T00")), QDate());
    EXPECT_EQ(FeedParser::cubeDate(QStringLiteral("2024-03-01")), QDate(2024, 3, 1));
    // A broken day inside a yearly file is left out, not the whole year.
    std::vector<QDate> broken;
    const auto year = FeedParser::yearFile(
        BnrData::yearXml(
            {{QDate(2024, 3, 1), {{"EUR", "4.9"}}}, {QDate(2024, 3, 4), {}}, {QDate(2024, 3, 5), {{"EUR", "5"}}}}),
        &broken);
    ASSERT_TRUE(year.ok());
    EXPECT_EQ(year->size(), 2u);
    EXPECT_EQ(broken, std::vector<QDate>{QDate(2024, 3, 4)});
}

class UpdateTest : public ::testing::Test {
protected:
    RateUpdater::Report update(FeedServer& server, int timeoutMs = 5000, RateUpdater::ProgressFn progress = {}) {
        FeedClient client(server.base(), timeoutMs);
        RateUpdater updater(app.db(), client);
        return updater.run(progress);
    }
    QStringList dayRequests(const FeedServer& server) {
        QStringList out;
        for (const QString& r : server.requests())
            if (r.startsWith(QStringLiteral("/MakeXmlFile"))) out << r.mid(23);
        return out;
    }
    void storeDay(QDate d) {
        RateDb db(app.db());
        ASSERT_TRUE(db.storeDay(DayRates{d, {{"EUR", "4.9"}}}));
    }
    TempAppDir app;
};

TEST_F(UpdateTest, AlreadyCurrentAsksOnlyForTheFeed) {
    storeDay(QDate(2024, 9, 13));
    FeedServer server(madeUpBank(QDate(2024, 9, 13)));
    const auto report = update(server);
    EXPECT_EQ(report.result, RateUpdater::Result::UpToDate);
    EXPECT_EQ(report.feedDate, QDate(2024, 9, 13));
    EXPECT_EQ(server.requests(), QStringList{QStringLiteral("/nbrfxrates.xml")});
}

TEST_F(UpdateTest, FridayToMondayAsksForEachDayInOrderAndSkipsTheWeekend) {
    storeDay(QDate(2024, 9, 13));
    // Saturday answers "no rates", Sunday carries Friday's file: both are skipped.
    FeedServer server(madeUpBank(QDate(2024, 9, 16), [](QDate d) {
        if (d == QDate(2024, 9, 15)) return FeedServer::Reply::ok(BnrData::dayXml(QDate(2024, 9, 13), kRates));
        return kNoSpecial;
    }));
    const auto report = update(server);
    EXPECT_EQ(report.result, RateUpdater::Result::UpToDate);
    EXPECT_EQ(dayRequests(server), (QStringList{"14.9.2024", "15.9.2024", "16.9.2024"}));
    EXPECT_EQ(app.column(QStringLiteral("select data from valuta2024ron order by data")),
              (QVariantList{"2024-09-13", "2024-09-16"}));
    EXPECT_DOUBLE_EQ(
        app.column(QStringLiteral("select usd from valuta2024ron where data='2024-09-16'")).value(0).toDouble(),
        4.5123);
    EXPECT_DOUBLE_EQ(
        app.column(QStringLiteral("select [100HUF] from valuta2024ron where data='2024-09-16'")).value(0).toDouble(),
        1.2655);
}

TEST_F(UpdateTest, FirstDaysOfANewYearMakeItsTable) {
    storeDay(QDate(2024, 12, 31));
    FeedServer server(madeUpBank(QDate(2025, 1, 3)));
    const auto report = update(server);
    EXPECT_EQ(report.result, RateUpdater::Result::UpToDate);
    EXPECT_EQ(dayRequests(server), (QStringList{"1.1.2025", "2.1.2025", "3.1.2025"}));
    EXPECT_EQ(app.column(QStringLiteral("select count(*) from VALUTA2025RON")).value(0).toInt(), 3);
}

TEST_F(UpdateTest, EmptyNewestTableImportsFromItsFirstOfJanuary) {
    app.sql(QStringLiteral("create table valuta2026ron (data datetime unique primary key)"));
    FeedServer server(madeUpBank(QDate(2026, 1, 5)));
    EXPECT_EQ(update(server).result, RateUpdater::Result::UpToDate);
    EXPECT_EQ(dayRequests(server), (QStringList{"1.1.2026", "2.1.2026", "3.1.2026", "4.1.2026", "5.1.2026"}));
}

TEST_F(UpdateTest, FailuresEndTheUpdateAndKeepTheDaysStoredBefore) {
    struct Case {
        const char* why;
        std::function<FeedServer::Reply(QDate)> badTuesday;
    };
    const QDate tuesday(2024, 9, 17);
    const Case cases[] = {
        {"server error", [](QDate) { return FeedServer::Reply::error(500); }},
        {"file cut short", [=](QDate) { return FeedServer::Reply::truncated(BnrData::dayXml(tuesday, kRates)); }},
        {"html page", [](QDate) { return FeedServer::Reply::ok("<html><body>Service Unavailable</body></html>"); }},
        {"bad rate",
         [=](QDate) {
             return FeedServer::Reply::ok(BnrData::dayXml(tuesday, {{"EUR", "4.9'); drop"}}));
         }},
        {"silent server", [](QDate) { return FeedServer::Reply::hang(); }},
    };
    forEachRow(cases, [&](const Case& c) {
        TempAppDir fresh;
        {
            RateDb db(fresh.db());
            ASSERT_TRUE(db.storeDay(DayRates{QDate(2024, 9, 13), {{"EUR", "4.9"}}}));
        }
        FeedServer server(
            madeUpBank(QDate(2024, 9, 18), [&](QDate d) { return d == tuesday ? c.badTuesday(d) : kNoSpecial; }));
        FeedClient client(server.base(), 300);
        RateUpdater updater(fresh.db(), client);
        const auto report = updater.run();
        EXPECT_EQ(report.result, RateUpdater::Result::Failed) << c.why;
        EXPECT_EQ(fresh.column(QStringLiteral("select data from valuta2024ron order by data")),
                  (QVariantList{"2024-09-13", "2024-09-16"}))
            << c.why;
        // Once the bank answers again, the next update resumes after Monday.
        server.setHandler(madeUpBank(QDate(2024, 9, 18)));
        server.clearRequests();
        const auto again = updater.run();
        EXPECT_EQ(again.result, RateUpdater::Result::UpToDate) << c.why;
        EXPECT_EQ(fresh.column(QStringLiteral("select count(*) from valuta2024ron")).value(0).toInt(), 4) << c.why;
    });
}

TEST_F(UpdateTest, FeedProblemsAndAMissingHistoryEndWithAnError) {
    struct Case {
        const char* why;
        FeedServer::Handler handler;
        bool dropTables;
    };
    const Case cases[] = {
        {"feed unreachable", [](const QString&) { return FeedServer::Reply::error(404); }, false},
        {"feed without date",
         [](const QString&) {
             return FeedServer::Reply::ok("<a><b><Cube><Rate currency=\"EUR\">1</Rate></Cube></b></a>");
         },
         false},
        {"feed date zero",
         [](const QString&) { return FeedServer::Reply::ok("<a><b><c date=\"0000-00-00\"/></b></a>"); }, false},
        {"no year table since 2005", madeUpBank(QDate(2024, 9, 16)), true},
    };
    for (const Case& c : cases) {
        TempAppDir fresh;
        if (c.dropTables) fresh.sql(QStringLiteral("drop table VALUTA2005RON"));
        FeedServer server(c.handler);
        FeedClient client(server.base(), 2000);
        const auto report = RateUpdater(fresh.db(), client).run();
        EXPECT_EQ(report.result, RateUpdater::Result::Failed) << c.why;
        EXPECT_FALSE(report.feedDate.isValid()) << c.why;
    }
}

TEST_F(UpdateTest, RedirectsAreFollowed) {
    storeDay(QDate(2024, 9, 13));
    FeedServer target(madeUpBank(QDate(2024, 9, 16)));
    const QByteArray to = target.base().toString().toLatin1();
    FeedServer server([to](const QString& path) { return FeedServer::Reply::redirect(to + path.toLatin1()); });
    EXPECT_EQ(update(server).result, RateUpdater::Result::UpToDate);
    EXPECT_EQ(app.column(QStringLiteral("select count(*) from valuta2024ron")).value(0).toInt(), 2);
}

TEST_F(UpdateTest, CancelStopsAfterTheCurrentDayAndKeepsIt) {
    storeDay(QDate(2024, 9, 13));
    FeedServer server(madeUpBank(QDate(2024, 9, 20)));
    int calls = 0;
    const auto report = update(server, 5000, [&](const RateUpdater::Progress&) { return ++calls < 4; });
    EXPECT_EQ(report.result, RateUpdater::Result::Cancelled);
    EXPECT_EQ(dayRequests(server), (QStringList{"14.9.2024", "15.9.2024", "16.9.2024"}));
    EXPECT_EQ(app.column(QStringLiteral("select max(data) from valuta2024ron")).value(0).toString(),
              QStringLiteral("2024-09-16"));
}

TEST_F(UpdateTest, YearlyFilesFillLongGapsAndMatchTheBanksFiles) {
    if (!BnrData::folder()) GTEST_SKIP() << BnrData::missingReason().toStdString();
    BnrData data;
    ASSERT_TRUE(data.load());
    app.sql(QStringLiteral("drop table VALUTA2005RON;\ncreate table VALUTA2021RON (DATA DATETIME UNIQUE PRIMARY KEY)"));
    FeedServer server(data.bank(QDate(2023, 12, 29)));
    const auto report = update(server);
    ASSERT_EQ(report.result, RateUpdater::Result::UpToDate) << report.detail.toStdString();
    EXPECT_EQ(report.daysStored, 254 + 251 + 248);
    // Feed and three yearly files; then each weekday a file lacks is asked on its own (holidays, here).
    EXPECT_EQ(server.requests().mid(0, 2), (QStringList{"/nbrfxrates.xml", "/files/xml/years/nbrfxrates2021.xml"}));
    EXPECT_TRUE(dayRequests(server).contains(QStringLiteral("1.12.2022"))); // national day
    for (const QString& r : dayRequests(server)) {
        const QDate d = dayOf(QStringLiteral("/MakeXmlFile.aspx?date=") + r);
        EXPECT_TRUE(d.dayOfWeek() <= 5 || (d.month() == 12 && d.day() == 31)) << r.toStdString();
    }
    EXPECT_LE(server.requests().size(), 4 + 40);
    for (int year : {2021, 2022, 2023}) {
        const auto days = FeedParser::yearFile(data.years().value(year));
        ASSERT_TRUE(days.ok());
        RateDb db(app.db());
        for (const DayRates& d : days.value()) {
            const auto row = db.rowBefore(d.date.addDays(1), QStringLiteral("RON"));
            ASSERT_TRUE(row.ok() && row->has_value());
            ASSERT_EQ(row->value().values.value(0).toString(), d.date.toString(Qt::ISODate));
            for (const RateEntry& e : d.rates)
                ASSERT_EQ(row->value().rate(e.column).value_or(-1), e.text.toDouble()) << e.column.toStdString();
        }
    }
}

TEST_F(UpdateTest, AYearWithoutItsYearlyFileComesDayByDay) {
    if (!BnrData::folder()) GTEST_SKIP() << BnrData::missingReason().toStdString();
    BnrData data;
    ASSERT_TRUE(data.load());
    // 2025 exists only as daily files; the current year's yearly file stops before the feed's day.
    storeDay(QDate(2024, 12, 31));
    FeedServer server(data.bank(QDate(2026, 1, 5), {}, true));
    const auto report = update(server);
    ASSERT_EQ(report.result, RateUpdater::Result::UpToDate) << report.detail.toStdString();
    EXPECT_EQ(app.column(QStringLiteral("select count(*) from valuta2025ron")).value(0).toInt(), 244);
    EXPECT_TRUE(server.requests().contains(QStringLiteral("/files/xml/years/nbrfxrates2025.xml")));
    EXPECT_TRUE(server.requests().contains(QStringLiteral("/MakeXmlFile.aspx?date=2.1.2025")));
    EXPECT_EQ(app.column(QStringLiteral("select max(data) from valuta2026ron")).value(0).toString(),
              QStringLiteral("2026-01-05"));
}

} // namespace
