// The stored history proved against the bank's yearly files over a loopback bank:
// what each kind of difference is reported as, what a repair changes, and that a
// check alone changes nothing.
#include "core/feed/feedparser.h"
#include "core/store/ratebackup.h"
#include "core/update/bankcalendar.h"
#include "core/update/historycheck.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sqlite3.h>

namespace {

using Kind = HistoryCheck::Finding::Kind;

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct CheckCase {
    const char* why;
    const char* spoil; // statements run on a history equal to the bank's 2022 and 2023
    QList<int> years;
    const char* summary; // the first line of the report
    QList<Kind> kinds;   // the findings of the first year, in order
    bool repairable;
};

class HistoryCheckTest : public ::testing::Test {
protected:
    // A history equal to the bank's 2022 and 2023, in a folder of its own.
    void SetUp() override {
        app = std::make_unique<TempAppDir>();
        app->sql(QStringLiteral("drop table VALUTA2005RON"));
        for (int y : {2022, 2023}) {
            auto days = FeedParser::days(data.years().value(y));
            ASSERT_TRUE(days.ok());
            int n = 0;
            ASSERT_TRUE(RateDb(app->db()).storeDays(*days, &n));
        }
    }
    HistoryCheck::Report check(const QList<int>& years, HistoryCheck::ProgressFn progress = {}) {
        FeedClient client(server.base(), 5000);
        HistoryCheck checker(app->db(), client);
        checker.setToday(QDate(2024, 1, 5));
        auto report = checker.run(years, progress);
        EXPECT_TRUE(report.ok()) << report.error().toStdString();
        return report.ok() ? *report : HistoryCheck::Report{};
    }
    const BnrData data = BnrData::madeUp(QDate(2021, 1, 1), QDate(2023, 12, 29));
    BnrData::Serving how = [] {
        BnrData::Serving s;
        s.feed = QDate(2023, 12, 29);
        s.yearlyYears = {2022, 2023};
        return s;
    }();
    FeedServer server{data.serve(how)};
    std::unique_ptr<TempAppDir> app;
};

TEST_F(HistoryCheckTest, EachDifferenceIsNamedAndARepairMakesTheHistoryTheBanks) {
    const CheckCase cases[] = {
        {"equal", "", {}, "2022: 251 zile, toate egale", {}, false},
        {"a missing day",
         "delete from valuta2022ron where data = '2022-03-08'",
         {2022},
         "2022: 1 zi lipsa",
         {Kind::MissingDay},
         true},
        {"a day the bank does not list",
         "insert into valuta2022ron (data, eur) values ('2022-03-05', 4.9)",
         {2022},
         "2022: 1 zi in plus",
         {Kind::ExtraDay},
         true},
        {"a changed value",
         "update valuta2022ron set eur = 5.5 where data = '2022-06-15'",
         {2022},
         "2022: 1 valoare diferita",
         {Kind::Differs},
         true},
        {"a currency without its column",
         "alter table valuta2022ron drop column usd",
         {2022},
         "2022: 1 valuta fara coloana",
         {Kind::NoColumn},
         true},
        {"an empty rate",
         "update valuta2022ron set eur = null where data = '2022-06-16'",
         {2022},
         "2022: 1 curs gol",
         {Kind::EmptyRate},
         true},
        {"a value and a day",
         "update valuta2023ron set [100HUF] = 1.3 where data = '2023-02-01';\n"
         "delete from valuta2023ron where data = '2023-05-02'",
         {2023},
         "2023: 1 zi lipsa, 1 valoare diferita",
         {Kind::Differs, Kind::MissingDay},
         true},
        {"an old-leu year",
         "create table VALUTA2004 (DATA DATETIME UNIQUE PRIMARY KEY)",
         {2004},
         "2004: nu poate fi verificat",
         {},
         false},
        {"a year the bank cannot send",
         "",
         {2021, 2022},
         "2021: neverificat (Serverul bancii a raspuns cu eroarea HTTP 404.)",
         {},
         false},
    };
    forEachRow(cases, [&](const CheckCase& c) {
        SetUp();
        if (*c.spoil) app->sql(QString::fromUtf8(c.spoil));
        const QByteArray before = bytesOf(app->db());
        const QByteArray rowsBefore = *RateBackup::digest(app->db());
        const HistoryCheck::Report report = check(c.years);
        ASSERT_FALSE(report.years.empty()) << c.why;
        const HistoryCheck::Year& first = report.years.front();
        EXPECT_TRUE(first.summary().startsWith(QString::fromUtf8(c.summary)))
            << c.why << ": " << first.summary().toStdString();
        QList<Kind> kinds;
        for (const auto& f : first.findings)
            kinds << f.kind;
        EXPECT_EQ(kinds, c.kinds) << c.why << "\n" << report.text().toStdString();
        EXPECT_EQ(report.equal(), std::string(c.why) == "equal") << c.why;
        // Checking writes nothing.
        EXPECT_EQ(bytesOf(app->db()), before) << c.why;
        if (!c.repairable) return;
        FeedClient client(server.base(), 5000);
        HistoryCheck checker(app->db(), client);
        const auto copy = checker.repair(report);
        ASSERT_TRUE(copy.ok()) << c.why << " " << copy.error().toStdString();
        EXPECT_TRUE(copy->startsWith(app->db() + QStringLiteral(".20"))) << copy->toStdString();
        EXPECT_TRUE(copy->endsWith(QStringLiteral(".bak")));
        // The copy holds every row the history held before; it is the engine's copy, not the file's bytes.
        EXPECT_EQ(*RateBackup::digest(*copy), rowsBefore) << c.why;
        EXPECT_TRUE(check(c.years).equal()) << c.why << "\n" << check(c.years).text().toStdString();
        QFile::remove(*copy);
    });
}

// A well-formed yearly file is evidence only when it is its year's and reaches as far as the
// calendar says: a lying one proves nothing, and a repair deletes nothing on its word.
TEST_F(HistoryCheckTest, ALyingYearlyFileProvesNothingAndDeletesNothing) {
    const BnrData whole = BnrData::madeUp(QDate(2021, 1, 1), QDate(2024, 1, 31));
    const auto yearOf = [&](int year, const std::function<bool(QDate, int)>& keep) {
        QList<QPair<QDate, QList<QPair<QString, QString>>>> days;
        int i = 0;
        for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1))
            if (BankCalendar::isBankingDay(d) && keep(d, i++)) days.append({d, {{"EUR", "4.9"}, {"USD", "4.5"}}});
        return BnrData::yearXml(days);
    };
    struct Case {
        const char* why;
        int year;
        QByteArray served;
        QDate today;
        const char* reason;
    } const cases[] = {
        {"last year's file under this year's address", 2022, whole.years().value(2021), QDate(2024, 1, 5),
         "nu este fisierul anului 2022"},
        {"cut at 30 June", 2022, yearOf(2022, [](QDate d, int) { return d <= QDate(2022, 6, 30); }), QDate(2024, 1, 5),
         "se opreste la 30.06.2022"},
        {"every other day", 2022, yearOf(2022, [](QDate, int i) { return i % 2 == 0; }), QDate(2024, 1, 5), "lipsesc"},
        {"a single day", 2022, yearOf(2022, [](QDate, int i) { return i == 100; }), QDate(2024, 1, 5), "incepe abia"},
        {"the current year answered with last year's", 2023, whole.years().value(2022), QDate(2023, 12, 20),
         "nu este fisierul anului 2023"},
    };
    forEachRow(cases, [&](const Case& c) {
        SetUp();
        app->sql(QStringLiteral("update valuta2022ron set eur = 5.5 where data = '2022-06-15'"));
        const QByteArray rowsBefore = *RateBackup::digest(app->db());
        server.setHandler([&](const QString& path) {
            if (path.contains(QStringLiteral("nbrfxrates%1.xml").arg(c.year))) return FeedServer::Reply::ok(c.served);
            return FeedServer::Reply{404, {}, FeedServer::Reply::Normal, {}};
        });
        FeedClient client(server.base(), 5000);
        HistoryCheck checker(app->db(), client);
        checker.setToday(c.today);
        const auto report = checker.run({c.year});
        ASSERT_TRUE(report.ok()) << c.why;
        const HistoryCheck::Year& y = report->years.front();
        EXPECT_EQ(y.state, HistoryCheck::Year::State::Unproven) << c.why << ": " << y.summary().toStdString();
        EXPECT_TRUE(y.summary().contains(QStringLiteral("nu poate fi verificat"))) << c.why;
        EXPECT_TRUE(y.summary().contains(QString::fromUtf8(c.reason))) << c.why << ": " << y.summary().toStdString();
        EXPECT_EQ(report->changes(), 0) << c.why;
        EXPECT_FALSE(report->equal()) << c.why;
        ASSERT_TRUE(checker.repair(*report).ok());
        EXPECT_EQ(*RateBackup::digest(app->db()), rowsBefore) << c.why;
    });
}

// A repair names every day it deletes, and a backup made in the same second as another keeps both.
TEST_F(HistoryCheckTest, DeletionsAreNamedAndBackupsNeverOverwriteEachOther) {
    app->sql(QStringLiteral("insert into valuta2022ron (DATA, EUR) values ('2022-06-18', 4.9), ('2022-08-15', 4.8)"));
    const auto report = check({2022});
    EXPECT_EQ(HistoryCheck::deletions(report), (QList<QDate>{QDate(2022, 6, 18), QDate(2022, 8, 15)}));
    EXPECT_TRUE(report.repairSummary().contains(QStringLiteral("sterge zilele 18.06.2022, 15.08.2022")))
        << report.repairSummary().toStdString();
    const auto first = RateBackup::make(app->db());
    const auto second = RateBackup::make(app->db());
    ASSERT_TRUE(first.ok() && second.ok()) << second.error().toStdString();
    EXPECT_NE(*first, *second);
    EXPECT_EQ(*RateBackup::digest(*first), *RateBackup::digest(*second));
}

// What another connection committed but the engine has not yet folded into the file is in the copy.
TEST_F(HistoryCheckTest, TheBackupHoldsWhatAWriteAheadLogHolds) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(app->db()).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "pragma journal_mode=wal; pragma wal_autocheckpoint=0;"
                           "update valuta2022ron set eur = 7.7 where data = '2022-06-15'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    const auto copy = RateBackup::make(app->db());
    ASSERT_TRUE(copy.ok()) << copy.error().toStdString();
    RateDb db(*copy);
    const auto row = db.rowBefore(QDate(2022, 6, 16), QStringLiteral("RON"));
    ASSERT_TRUE(row.ok() && row->has_value());
    EXPECT_EQ(row->value().rate(QStringLiteral("EUR")).value_or(0), 7.7);
    sqlite3_close(other);
}

TEST_F(HistoryCheckTest, AStoppedCheckReportsWhatItReachedAndChangesNothing) {
    app->sql(QStringLiteral("update valuta2022ron set eur = 5.5 where data = '2022-06-15'"));
    const QByteArray before = bytesOf(app->db());
    const auto report = check({}, [](const HistoryCheck::Progress& p) { return p.done < 1; });
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.years.size(), 1u);
    EXPECT_FALSE(report.equal());
    EXPECT_EQ(bytesOf(app->db()), before);
    // The files come a few at once: stopped after the first year, no more than that first batch was asked.
    EXPECT_LE(server.requests().size(), HistoryCheck::kFilesAtOnce);
}

} // namespace
