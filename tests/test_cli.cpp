// The program without its window: options, exit status and what it prints.
#include "cli/commandline.h"
#include "core/feed/feedparser.h"
#include "core/store/datalocation.h"
#include "core/store/ratedb.h"
#include "tests/support/accessdata.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextStream>
#include <atomic>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <thread>

namespace {

struct Ran {
    int exit;
    QString out, err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        RateDb db(app.db());
        ASSERT_TRUE(
            db.storeDay(FeedDay{QDate(2022, 3, 7), {{"EUR", "4.9490"}, {"USD", "4.5713"}, {"100HUF", "1.2444"}}}));
        ASSERT_TRUE(db.storeDay(FeedDay{QDate(2022, 3, 8), {{"EUR", "4.9485"}, {"USD", "4.5391"}}}));
    }
    Ran run(const QStringList& args, QUrl bank = QUrl(QStringLiteral("http://127.0.0.1:9"))) {
        CommandLine::Context c;
        c.database = app.db();
        c.feedBase = bank;
        c.today = QDate(2022, 3, 9);
        c.timeoutMs = 2000;
        c.version = QStringLiteral("1.0.0");
        QString out, err;
        QTextStream o(&out), e(&err);
        const int exit = CommandLine::run(args, c, o, e);
        o.flush();
        e.flush();
        return {exit, out, err};
    }
    TempAppDir app;
};

TEST_F(CliTest, AnswersAsTheConverterWouldAndSaysWhatIsWrong) {
    struct Case {
        QStringList args;
        int exit;
        const char* out; // the whole of standard output, or a piece of standard error when the exit is not 0
    } const cases[] = {
        {{"--rate", "EUR", "--date", "2022-03-08"}, 0, "2022-03-07 EUR 4,9490\n"},
        {{"--rate", "eur"}, 0, "2022-03-08 EUR 4,9485\n"}, // today 9 March: the day before
        // HUF is one forint, 100HUF the bank's block of a hundred.
        {{"--rate", "HUF", "--date", "2022-03-08"}, 0, "2022-03-07 HUF 0,012444 (pentru 1 HUF)\n"},
        {{"--rate", "100huf", "--date", "2022-03-08"}, 0, "2022-03-07 100HUF 1,2444 (pentru 100 HUF)\n"},
        {{"--rate", "EUR", "--date", "2022-03-08", "--format", "csv"},
         0,
         "data;valuta;unitati;curs\r\n2022-03-07;EUR;1;\"4,9490\"\r\n"},
        {{"--rate", "USD", "--date", "2022-03-08", "--format", "json"},
         0,
         "{\"currency\":\"USD\",\"date\":\"2022-03-07\",\"rate\":4.5713,\"units\":1}\n"},
        {{"--convert", "100", "EUR", "LEI", "--date", "2022-03-08"},
         0,
         "494,90 LEI NOI (100 EUR x 4,9490, curs BNR din 07.03.2022)\n"},
        {{"--convert", "100", "RON", "EUR", "--date", "2022-03-08"},
         0,
         "20,21 EUR (100 LEI NOI / 4,9490, curs BNR din 07.03.2022)\n"},
        {{"--convert", "1000", "HUF", "LEI", "--date", "2022-03-08"},
         0,
         "12,44 LEI NOI (1000 HUF x 0,012444, curs BNR din 07.03.2022)\n"},
        {{"--convert", "2500", "100HUF", "LEI", "--date", "2022-03-08"},
         0,
         "3111,00 LEI NOI (2500 x 100 HUF x 1,2444, curs BNR din 07.03.2022)\n"},
        {{"--convert", "1.234,56", "EUR", "LEI", "--date", "2022-03-08"},
         0,
         "6109,84 LEI NOI (1234,56 EUR x 4,9490, curs BNR din 07.03.2022)\n"},
        {{"--convert", "100", "EUR", "USD", "--date", "2022-03-08", "--format", "csv"},
         0,
         "data;suma;din;in;rezultat;curs_din;curs_in\r\n2022-03-07;100;EUR;USD;\"108,26\";\"4,9490\";\"4,5713\"\r\n"},
        {{"--convert", "abc", "EUR", "LEI"}, 2, "suma invalida: \"abc\""},
        // Thousands grouped by one separator are whole amounts; a result past fifteen whole digits is refused
        // as such an amount is; no amount goes through a double into JSON.
        {{"--convert", "1.234.567", "EUR", "LEI", "--date", "2022-03-08"},
         0,
         "6109872,08 LEI NOI (1234567 EUR x 4,9490, curs BNR din 07.03.2022)\n"},
        {{"--convert", "1.23.456", "EUR", "LEI"}, 2, "separatorii de mii nu sunt la locul lor"},
        {{"--convert", "999999999999999,996", "LEI", "LEI"}, 2, "suma prea mare: 999999999999999,996"},
        {{"--convert", "1000000000000000", "LEI", "LEI"}, 2, "suma prea mare: 1000000000000000"},
        {{"--convert", "0,00002", "EUR", "LEI", "--date", "2022-03-08", "--format", "json"},
         0,
         "{\"amount\":0.00002,\"date\":\"2022-03-07\",\"from\":\"EUR\",\"fromRate\":4.949,\"result\":0,"
         "\"to\":\"LEI NOI\",\"toRate\":1}\n"},
        {{"--convert", "999999999999999,99", "LEI", "LEI", "--date", "2022-03-08", "--format", "json"},
         0,
         "{\"amount\":999999999999999.99,\"date\":\"2022-03-08\",\"from\":\"LEI NOI\",\"fromRate\":1,"
         "\"result\":999999999999999.99,\"to\":\"LEI NOI\",\"toRate\":1}\n"},
        {{"--convert", "100", "lei noi", "EUR", "--date", "2005-05-28"}, 1, "LEI NOI exista din 01.07.2005"},
        {{"--rate", "0HUF"}, 2, "valuta invalida"},
        {{"--average", "EUR", "--year", "2147483647"}, 2, "Folositi: --average"},
        {{"--average", "EUR", "--year", "2022", "--month", "0"}, 2, "Folositi: --average"},
        {{"--rate", "EUR", "--year", "2022"}, 2, "optiunea --year nu merge cu --rate"},
        {{"--update", "--date", "2022-03-08"}, 2, "optiunea --date nu merge cu --update"},
        {{"--rate", "EUR", "--date", "2022-03-08", "--date", "2022-03-09"}, 2, "optiunea --date este data de doua ori"},
        {{"--rate", ""}, 2, "valuta invalida"},
        {{"--rate", "GBP", "--date", "2022-03-08"}, 1, "Nu este cunoscut cursul pentru GBP"},
        {{"--rate", "EUR", "--date", "2022-03-07"}, 1, "Nu exista curs memorat inainte de 07.03.2022"},
        {{"--rate", "EUR", "--date", "2019-05-05"}, 1, "Nu exista curs memorat inainte de 05.05.2019"},
        {{"--rate", "EUR", "--date", "2022-13-01"}, 2, "data invalida"},
        {{"--rate", "EUR", "--format", "xml"}, 2, "format necunoscut"},
        {{"--frobnicate"}, 2, "optiune necunoscuta: frobnicate"},
        {{"--rate"}, 2, "optiune fara valoare"},
        {{"--rate", "EUR", "--update"}, 2, "alegeti una"},
        {{}, 2, "alegeti una"},
        {{"--rate", "EUR", "extra"}, 2, "argument neasteptat"},
        {{"--convert", "100", "EUR"}, 2, "--convert SUMA DIN IN"},
        {{"--version"}, 0, "zorvel 1.0.0\n"},
        {{"--average", "EUR", "--year", "2022"}, 0, "2022 EUR 4,9488 (2 zile)\n"},
        {{"--average", "HUF", "--year", "2022", "--month", "3"}, 0, "2022-03 100HUF 1,2444 (1 zile)\n"},
        {{"--average", "EUR", "--year", "2022", "--format", "json"},
         0,
         "{\"average\":4.9488,\"currency\":\"EUR\",\"days\":2,\"period\":\"2022\"}\n"},
        {{"--average", "EUR", "--year", "2022", "--month", "4"}, 1, "Nu exista curs EUR in luna 4.2022"},
        {{"--average", "EUR", "--year", "2019"}, 1, "Nu exista cursuri memorate pentru anul 2019"},
        {{"--average", "EUR", "--year", "abc"}, 2, "--average VALUTA --year AN"},
        {{"--average", "EUR", "--year", "2022", "--month", "13"}, 2, "--average VALUTA --year AN"},
    };
    for (const Case& c : cases) {
        const Ran r = run(c.args);
        const std::string what = c.args.join(u' ').toStdString();
        EXPECT_EQ(r.exit, c.exit) << what << " " << r.err.toStdString();
        if (c.exit == 0) {
            EXPECT_EQ(r.out, QString::fromUtf8(c.out)) << what;
        } else {
            EXPECT_TRUE(r.out.isEmpty()) << what;
            EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.out))) << what << ": " << r.err.toStdString();
        }
    }
    EXPECT_TRUE(run({QStringLiteral("--help")}).out.contains(QStringLiteral("--update")));
}

// A history that stops short of the day that applies still gives the last figure it has,
// and says which day it lacks: a script sees exit 1.
TEST_F(CliTest, ARateOlderThanTheDayThatAppliesIsPrintedAndSaid) {
    struct Case {
        QStringList args;
        const char* out;
        const char* err;
    } const cases[] = {
        {{"--rate", "EUR", "--date", "2023-01-03"}, "2022-03-08 EUR 4,9485\n", "lipseste cursul din 30.12.2022"},
        // Years without any table between: still the last stored day, not "no stored rate".
        {{"--rate", "EUR", "--date", "2025-01-10"}, "2022-03-08 EUR 4,9485\n", "lipseste cursul din 09.01.2025"},
        {{"--convert", "100", "EUR", "LEI", "--date", "2022-03-15"},
         "494,85 LEI NOI (100 EUR x 4,9485, curs BNR din 08.03.2022; lipseste cursul din 14.03.2022)\n",
         "s-a folosit cursul din 08.03.2022"},
    };
    forEachRow(cases, [&](const Case& c) {
        const Ran r = run(c.args);
        EXPECT_EQ(r.exit, 1) << c.args.join(u' ').toStdString();
        EXPECT_EQ(r.out, QString::fromUtf8(c.out));
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err))) << r.err.toStdString();
    });
    // Local to local needs no rate, and lacks none.
    EXPECT_EQ(run({"--convert", "12,345", "LEI", "RON", "--date", "2025-01-10"}).exit, 0);
}

TEST_F(CliTest, UpdateReportsProgressAndItsOutcome) {
    FeedServer server([](const QString& target) {
        if (target == u"/nbrfxrates.xml")
            return FeedServer::Reply::ok(BnrData::dayXml(QDate(2022, 3, 9), {{"EUR", "4.95"}}));
        if (target.contains(QStringLiteral("date=9.3.2022")))
            return FeedServer::Reply::ok(BnrData::dayXml(QDate(2022, 3, 9), {{"EUR", "4.95"}}));
        return FeedServer::Reply::error(404);
    });
    const Ran ok = run({QStringLiteral("--update")}, server.base());
    EXPECT_EQ(ok.exit, 0) << ok.err.toStdString();
    EXPECT_EQ(ok.out, QStringLiteral("Cursul este la zi!\nzorvel: 1 zi adaugata (09.03.2022); ultima zi memorata "
                                     "09.03.2022.\n"));
    EXPECT_EQ(app.column(QStringLiteral("select max(data) from valuta2022ron")).value(0).toString(),
              QStringLiteral("2022-03-09"));
    server.setHandler([](const QString&) { return FeedServer::Reply::error(503); });
    const Ran bad = run({QStringLiteral("--update")}, server.base());
    EXPECT_EQ(bad.exit, 1);
    // A cron log's line says how far the history goes even when the bank failed.
    EXPECT_EQ(bad.out, QStringLiteral("zorvel: nicio zi noua; ultima zi memorata 09.03.2022.\n"));
    EXPECT_TRUE(
        bad.err.contains(QStringLiteral("Sunt erori la actualizare!\nServerul bancii a raspuns cu eroarea HTTP 503.")))
        << bad.err.toStdString();
}

// The bank as it serves today, no single days: a whole file completes the history
// with exit 0; a file cut short leaves its days named, exit 1, until it is whole.
TEST_F(CliTest, UpdateFromTheYearlyFilesSaysWhichDaysAreMissing) {
    if (!BnrData::folder()) GTEST_SKIP() << BnrData::missingReason().toStdString();
    BnrData data;
    ASSERT_TRUE(data.load());
    app.sql(QStringLiteral("drop table VALUTA2005RON;\ndrop table VALUTA2022RON"));
    ASSERT_TRUE(app.fillFromYears({2021}));
    BnrData::Serving how;
    how.feed = QDate(2023, 12, 29);
    how.singleDays = BnrData::Serving::SingleDays::ToWebPage;
    how.yearCut = {{2022, QDate(2022, 11, 30)}};
    FeedServer server(data.serve(how));
    const auto update = [&] {
        CommandLine::Context c;
        c.database = app.db();
        c.feedBase = server.base();
        c.today = how.feed;
        c.version = QStringLiteral("1.0.0");
        QString out, err;
        QTextStream o(&out), e(&err);
        const int exit = CommandLine::run({QStringLiteral("--update")}, c, o, e);
        o.flush();
        return Ran{exit, out, err};
    };
    const Ran cut = update();
    EXPECT_EQ(cut.exit, 1);
    EXPECT_TRUE(cut.out.contains(QStringLiteral("Lipsesc cursurile pentru 02.12.2022 - 30.12.2022 (20 zile)")))
        << cut.out.toStdString();
    how.yearCut.clear();
    server.setHandler(data.serve(how));
    const Ran whole = update();
    EXPECT_EQ(whole.exit, 0) << whole.out.toStdString() << whole.err.toStdString();
    // Only the days this run added, not the span up to the bank's newest.
    EXPECT_EQ(whole.out, QStringLiteral("Cursul este la zi!\nzorvel: 20 zile adaugate (02.12.2022 - 30.12.2022); "
                                        "ultima zi memorata 29.12.2023.\n"));
    EXPECT_FALSE(server.requests().join(u' ').contains(QStringLiteral("MakeXmlFile.aspx?date=3.12.2022")));
    EXPECT_EQ(app.column(QStringLiteral("select count(*) from valuta2022ron")).value(0).toInt(), 251);
    EXPECT_EQ(app.column(QStringLiteral("select count(*) from valuta2023ron")).value(0).toInt(), 248);
}

// --verify over a loopback bank: one changed value and one missing day, in every format; --repair mends them.
TEST_F(CliTest, VerifyNamesTheDifferencesAndRepairsThemWhenAsked) {
    const BnrData data = BnrData::madeUp(QDate(2022, 1, 1), QDate(2022, 12, 30));
    BnrData::Serving how;
    how.feed = QDate(2022, 12, 30);
    FeedServer server(data.serve(how));
    app.sql(QStringLiteral("drop table VALUTA2005RON;\ndrop table VALUTA2022RON"));
    auto days = FeedParser::days(data.years().value(2022));
    int n = 0;
    ASSERT_TRUE(RateDb(app.db()).storeDays(*days, &n));
    app.sql(QStringLiteral("update valuta2022ron set eur = 5.5 where data = '2022-06-15';\n"
                           "delete from valuta2022ron where data = '2022-03-08'"));
    const auto verify = [&](QStringList args) {
        CommandLine::Context c;
        c.database = app.db();
        c.feedBase = server.base();
        c.today = QDate(2023, 1, 5);
        QString out, err;
        QTextStream o(&out), e(&err);
        const int exit = CommandLine::run(QStringList{QStringLiteral("--verify")} + args, c, o, e);
        o.flush();
        e.flush();
        return Ran{exit, out, err};
    };
    struct Case {
        QStringList args;
        int exit;
        const char* out; // a piece of standard output, or of standard error for wrong use
    } const cases[] = {
        {{}, 1, "2022: 1 zi lipsa, 1 valoare diferita\n    08.03.2022: zi lipsa"},
        {{"--year", "2022"}, 1, "    15.06.2022 EUR: memorat 5,5000, banca 4,0166"},
        {{"--from", "2022", "--to", "2022", "--format", "csv"},
         1,
         "an;stare;data;tip;valuta;memorat;banca;text\r\n2022;verificat;2022-03-08;zi lipsa;;;;08.03.2022: zi lipsa"},
        {{"--format", "json"}, 1, "\"equal\":false"},
        {{"--year", "1997"}, 2, "an invalid"},
        {{"--year", "2022", "--from", "2021"}, 2, "--year nu merge"},
        {{"--from", "2023", "--to", "2022"}, 2, "an invalid"},
    };
    forEachRow(cases, [&](const Case& c) {
        const Ran ran = verify(c.args);
        EXPECT_EQ(ran.exit, c.exit) << c.args.join(u' ').toStdString() << ran.err.toStdString();
        EXPECT_TRUE((c.exit == 2 ? ran.err : ran.out).contains(QString::fromUtf8(c.out)))
            << c.args.join(u' ').toStdString() << "\n"
            << ran.out.toStdString() << ran.err.toStdString();
    });
    const Ran json = verify({QStringLiteral("--format"), QStringLiteral("json")});
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    const QJsonArray findings =
        o.value(QStringLiteral("years")).toArray().first().toObject().value(QStringLiteral("findings")).toArray();
    ASSERT_EQ(findings.size(), 2);
    EXPECT_EQ(findings[1].toObject().value(QStringLiteral("stored")).toDouble(), 5.5);
    EXPECT_EQ(run({QStringLiteral("--repair"), QStringLiteral("--update")}).exit, 2);
    const Ran repaired = verify({QStringLiteral("--repair")});
    EXPECT_EQ(repaired.exit, 0) << repaired.err.toStdString();
    EXPECT_TRUE(repaired.err.contains(app.db() + QStringLiteral(".20"))) << repaired.err.toStdString();
    EXPECT_EQ(verify({}).exit, 0);
}

} // namespace

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A list of one invoice of 100 EUR on 8 March 2022, in a folder of the test's; empty when it cannot be written.
QString oneInvoice(const QTemporaryDir& dir) {
    const QString list = dir.filePath(QStringLiteral("facturi.csv"));
    QFile f(list);
    if (!f.open(QIODevice::WriteOnly) || f.write("data;suma;valuta\n08.03.2022;100;EUR\n") < 0) return {};
    return list;
}

// Every path that writes, through the command line a script uses: the history, the input
// and the output compared with what they were.
TEST_F(CliTest, AListNeverTakesThePlaceOfTheHistoryOrItsInput) {
    QTemporaryDir dir;
    const QString list = oneInvoice(dir);
    ASSERT_FALSE(list.isEmpty());
    QStringList targets{app.db(), list};
#ifndef _WIN32
    // Windows' QFile::link makes a shortcut, a file of its own: only POSIX links lead to the history.
    const QString link = dir.filePath(QStringLiteral("legatura.csv"));
    ASSERT_TRUE(QFile::link(app.db(), link));
    targets << link;
#endif
    const QByteArray history = bytesOf(app.db()), input = bytesOf(list);
    for (const QString& out : targets) {
        const Ran r = run({QStringLiteral("--convert-file"), list, QStringLiteral("--out"), out});
        EXPECT_EQ(r.exit, 1) << out.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("nu poate fi scris: este chiar"))) << r.err.toStdString();
    }
    EXPECT_EQ(bytesOf(app.db()), history);
    EXPECT_EQ(bytesOf(list), input);
}

TEST_F(CliTest, APipeNamedAsTheOutputIsWrittenIntoAndStaysAPipe) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no named pipes in its folders";
#else
    QTemporaryDir dir;
    const QString list = oneInvoice(dir);
    ASSERT_FALSE(list.isEmpty());
    const QString fifo = dir.filePath(QStringLiteral("iesire"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QByteArray read;
    std::thread reader([&] {
        QFile p(fifo);
        if (p.open(QIODevice::ReadOnly)) read = p.readAll();
    });
    EXPECT_EQ(run({QStringLiteral("--convert-file"), list, QStringLiteral("--out"), fifo}).exit, 0);
    reader.join();
    EXPECT_TRUE(read.contains("\"494,90\"")) << read.toStdString();
    EXPECT_TRUE(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));
#endif
}

TEST_F(CliTest, EveryLineOfAListComesBackWithItsNumber) {
    struct Case {
        const char* why;
        QByteArray bytes;
        int rows; // lines that come back
        int converted;
        int exit;
    } const cases[] = {
        {"a comma list whose quoted cell holds a semicolon", "08.03.2022,100,EUR,\"avans; rest\"\n08.03.2022,1,EUR\n",
         2, 1, 1},
        {"a semicolon list with one row by tabs", "08.03.2022;100;EUR\n08.03.2022\t2,5\tEUR\n", 2, 2, 0},
        {"a first row with a stray quote", "\"08.03.2022;100;EUR\n08.03.2022;1;EUR\n", 2, 1, 1},
        {"a row by spaces, a row by bars", "08.03.2022 100 EUR\n08.03.2022|1|EUR\n", 2, 0, 1},
        {"a NUL and a byte that is no text",
         QByteArray("08.03.2022;1\0"
                    "00;EUR\n08.03.2022;\xff"
                    "1;EUR\n",
                    36),
         2, 0, 1},
        {"UTF-16 with its byte order mark",
         QByteArray("\xff\xfe", 2) + QStringLiteral("08.03.2022;100;EUR\n").toUtf8().toStdString().c_str(), -1, -1, -1},
        {"nothing to convert", "data;suma;valuta\n", 0, 0, 1},
    };
    QTemporaryDir dir;
    forEachRow(cases, [&](const Case& c) {
        QByteArray bytes = c.bytes;
        int rows = c.rows, converted = c.converted, exit = c.exit;
        if (rows < 0) {
            // Written as UTF-16 little-endian, as some spreadsheets save lists.
            const QString text = QStringLiteral("08.03.2022;100;EUR\n");
            bytes =
                QByteArray("\xff\xfe", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            rows = 1, converted = 1, exit = 0;
        }
        const QString path = dir.filePath(QStringLiteral("lista.csv"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        const Ran r = run({QStringLiteral("--convert-file"), path, QStringLiteral("--format"), QStringLiteral("json")});
        const QJsonArray back = QJsonDocument::fromJson(r.out.toUtf8())[QStringLiteral("rows")].toArray();
        EXPECT_EQ(back.size(), rows) << c.why << "\n" << r.out.toStdString();
        int ok = 0;
        for (const auto& row : back)
            ok += row.toObject().contains(QStringLiteral("lei")) ? 1 : 0;
        EXPECT_EQ(ok, converted) << c.why;
        EXPECT_EQ(r.exit, exit) << c.why << r.err.toStdString();
        EXPECT_FALSE(r.out.contains(QChar::Null) || r.out.contains(QChar::ReplacementCharacter)) << c.why;
    });
}

// JSON carries each amount of a list with the digits it was given, from 10^-18 to 10^15, never an exponent.
TEST_F(CliTest, AListsJsonWritesEveryAmountAsItsOwnDecimal) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lista.csv"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("08.03.2022;0,000000000000000001;lei\n08.03.2022;0,00002;EUR\n08.03.2022;999999999999999,99;lei\n");
    f.close();
    const Ran r = run({QStringLiteral("--convert-file"), path, QStringLiteral("--format"), QStringLiteral("json")});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    for (const char* piece : {"\"amount\":0.000000000000000001,", "\"lei\":0,", "\"amount\":0.00002,",
                              "\"rate\":4.949,", "\"amount\":999999999999999.99,", "\"lei\":999999999999999.99,"})
        EXPECT_TRUE(r.out.contains(QLatin1String(piece))) << piece << "\n" << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QRegularExpression(QStringLiteral("[0-9][eE][-+]?[0-9]")))) << r.out.toStdString();
}

TEST_F(CliTest, ADeviceWithoutEndIsRefusedAtTheBound) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no endless device file to read";
#else
    const Ran zero = run({QStringLiteral("--convert-file"), QStringLiteral("/dev/zero")});
    EXPECT_EQ(zero.exit, 1);
    EXPECT_TRUE(zero.err.contains(QStringLiteral("depaseste 256 MB"))) << zero.err.toStdString();
#endif
}

// What another program left in the history reads as what it is, or is said; never as a wrong figure.
TEST_F(CliTest, OddStoredRowsReadAsWhatTheyAre) {
    app.sql(QStringLiteral(
        "update valuta2022ron set usd = '4,5713' where data = '2022-03-07';\n"
        "alter table valuta2022ron add column [1000HUF] real;\n"
        "update valuta2022ron set [1000HUF] = 12.5 where data = '2022-03-08';\n"
        "create table valuta2023ron (DATA DATETIME UNIQUE PRIMARY KEY, EUR real);\n"
        "insert into valuta2023ron values ('2022-12-30', 8.8), ('2023-01-03', 4.9), ('2023-01-04', 4.95)"));
    struct Case {
        QStringList args;
        int exit;
        const char* out;
    } const cases[] = {
        {{"--rate", "USD", "--date", "2022-03-08"}, 0, "2022-03-07 USD 4,5713\n"}, // a rate kept as text
        // The block the bank changed to: the day's rate from the column that holds it.
        {{"--convert", "1000", "HUF", "LEI", "--date", "2022-03-09"}, 0, "12,50 LEI NOI (1000 HUF x 0,012500"},
        // A row of another year in a year's table is not that year's.
        {{"--average", "EUR", "--year", "2023"}, 0, "2023 EUR 4,9250 (2 zile)\n"},
    };
    forEachRow(cases, [&](const Case& c) {
        const Ran r = run(c.args);
        EXPECT_EQ(r.exit, c.exit) << c.args.join(u' ').toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(c.out))) << r.out.toStdString();
    });
    // A file that is no rate database says so, in the update's words.
    QTemporaryDir dir;
    CommandLine::Context ctx;
    ctx.database = dir.filePath(QStringLiteral("valuta.mdb"));
    QFile f(ctx.database);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("data;suma;valuta\n");
    f.close();
    QString out, err;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(CommandLine::run({QStringLiteral("--rate"), QStringLiteral("EUR")}, ctx, o, e), 1);
    e.flush();
    EXPECT_TRUE(err.contains(QStringLiteral("este deteriorata"))) << err.toStdString();
}

TEST_F(CliTest, TheRecordOfDaysWithoutRatesIsShownAndCleared) {
    ASSERT_TRUE(RateDb(app.db()).noteDaysWithoutRates({QDate(2022, 3, 4)}, {}, QDate(2022, 3, 5)));
    const Ran shown = run({QStringLiteral("--days-without-rates")});
    EXPECT_EQ(shown.exit, 0);
    EXPECT_EQ(shown.out, QStringLiteral("04.03.2022 vazuta o data (vazuta la 05.03.2022)\n"));
    EXPECT_EQ(run({QStringLiteral("--days-without-rates"), QStringLiteral("--clear")}).exit, 0);
    EXPECT_TRUE(run({QStringLiteral("--days-without-rates")}).out.startsWith(QStringLiteral("Nu este inregistrata")));
}

#ifdef ZORVEL_PROGRAM
// The program itself, as a shell starts it: a result that cannot be written whole exits 1 with its cause.
TEST(ProgramOutput, AResultThatCannotBeWrittenIsSaid) {
#ifdef _WIN32
    GTEST_SKIP() << "the cases need a POSIX shell: /dev/full, a closed descriptor, ulimit";
#endif
    QTemporaryDir dir;
    // A copy of the program in a folder of its own, with its history beside it.
    const QString program = dir.filePath(QStringLiteral("zorvel"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZORVEL_PROGRAM), program));
    {
        ASSERT_TRUE(RateDb::createShipped(dir.filePath(QStringLiteral("valuta.mdb"))));
        RateDb db(dir.filePath(QStringLiteral("valuta.mdb")));
        ASSERT_TRUE(db.storeDay(FeedDay{QDate(2022, 3, 7), {{"EUR", "4.9490"}}}));
    }
    struct Case {
        QString why;
        QString shell; // run by sh in the folder
        int exit;
        QString said;
    };
    QList<Case> cases = {
        {"a full disk", "./zorvel --rate EUR --date 2022-03-08 > /dev/full", 1, "discul este plin"},
        {"a closed output", "./zorvel --rate EUR --date 2022-03-08 >&-", 1, "iesirea este inchisa"},
        {"written whole", "./zorvel --rate EUR --date 2022-03-08 > out.txt", 0, ""},
        {"a file size limit", "ulimit -f 1; ./zorvel --convert-file big.csv > out.csv", 1, "marimea permisa"},
    };
    // The history itself past the limit: said as such, not as a file that cannot be read.
    if (AccessData::missing().isEmpty() &&
        QFile::copy(AccessData::helper(), dir.filePath(QStringLiteral("zorvel-access"))))
        cases.append(
            {"a history past the file size limit",
             QStringLiteral("ulimit -f 1; ./zorvel --import-access '%1/valuta-full.mdb'").arg(AccessData::folder()), 1,
             "baza de cursuri %1 nu poate fi scrisa: depaseste marimea permisa"});
    QFile big(dir.filePath(QStringLiteral("big.csv")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    for (int i = 0; i < 2000; ++i)
        big.write("08.03.2022;100;EUR\n");
    big.close();
    forEachRow(cases, [&](const Case& c) {
        QProcess sh;
        sh.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        sh.setProcessEnvironment(env);
        sh.start(QStringLiteral("sh"), {QStringLiteral("-c"), c.shell});
        ASSERT_TRUE(sh.waitForFinished(60000));
        const QString err = QString::fromUtf8(sh.readAllStandardError());
        EXPECT_EQ(sh.exitStatus(), QProcess::NormalExit) << c.why.toStdString();
        EXPECT_EQ(sh.exitCode(), c.exit) << c.why.toStdString();
        const QString said =
            c.said.contains(QStringLiteral("%1")) ? c.said.arg(dir.filePath(QStringLiteral("valuta.mdb"))) : c.said;
        EXPECT_TRUE(err.contains(said, Qt::CaseInsensitive)) << c.why.toStdString() << ": " << err.toStdString();
    });
}
#endif

TEST(DataLocation, TheHistoryStaysBesideAPortableProgramElseInTheDataFolder) {
    QTemporaryDir root;
    const QString program = root.path() + QStringLiteral("/usr/bin");
    const QString data = root.path() + QStringLiteral("/home/data/zorvel");
    QDir().mkpath(program);
    QDir().mkpath(root.path() + QStringLiteral("/usr/share/zorvel"));
    const DataLocation where(program, data);
    // Installed: nothing beside the program, so the data folder, made from the shipped copy.
    runSqlScript(root.path() + QStringLiteral("/usr/share/zorvel/valuta.mdb"),
                 shippedSql() + QStringLiteral("\nCREATE TABLE VALUTA2099RON (DATA DATETIME UNIQUE PRIMARY KEY);"));
    EXPECT_EQ(where.database(), data + QStringLiteral("/valuta.mdb"));
    ASSERT_TRUE(where.ensureDatabase());
    EXPECT_TRUE(
        *RateDb(where.database()).hasTable(QStringLiteral("valuta2099ron"))); // the shipped copy, not a fresh one
    // A user's file is never replaced.
    RateDb(where.database()).storeDay(FeedDay{QDate(2099, 1, 5), {{"EUR", "9"}}});
    ASSERT_TRUE(where.ensureDatabase());
    EXPECT_TRUE(RateDb(where.database()).rowBefore(QDate(2099, 1, 6), QStringLiteral("RON"))->has_value());
    // Portable: a writable program folder that holds the file keeps it there.
    QFile::copy(where.database(), program + QStringLiteral("/valuta.mdb"));
    EXPECT_EQ(where.database(), program + QStringLiteral("/valuta.mdb"));
    // Without a shipped copy the built-in one serves.
    const DataLocation bare(root.path() + QStringLiteral("/elsewhere/bin"), root.path() + QStringLiteral("/d2"));
    ASSERT_TRUE(bare.ensureDatabase());
    EXPECT_TRUE(*RateDb(bare.database()).hasTable(QStringLiteral("principale")));
    // A damaged shipped copy is not passed on: the built-in one serves.
    const QString damaged = root.path() + QStringLiteral("/usr/share/zorvel/valuta.mdb");
    QFile::remove(damaged);
    QFile spoiled(damaged);
    ASSERT_TRUE(spoiled.open(QIODevice::WriteOnly));
    spoiled.write(QByteArray(8192, 'x'));
    spoiled.close();
    const DataLocation fresh(program, root.path() + QStringLiteral("/d3"));
    QFile::remove(program + QStringLiteral("/valuta.mdb"));
    ASSERT_TRUE(fresh.ensureDatabase());
    EXPECT_TRUE(RateDb(fresh.database()).check());
    // Installed on Windows, the program's folder holds the shipped copy and the uninstaller: the copy is only
    // the template of each user's history in the data folder, however writable the folder (an administrator's),
    // and the uninstaller may remove it.
    const QString winFolder = root.path() + QStringLiteral("/Program Files/Zorvel");
    QDir().mkpath(winFolder);
    runSqlScript(winFolder + QStringLiteral("/valuta.mdb"),
                 shippedSql() + QStringLiteral("\nCREATE TABLE VALUTA2098RON (DATA DATETIME UNIQUE PRIMARY KEY);"));
    QFile(winFolder + QStringLiteral("/uninstall.exe")).open(QIODevice::WriteOnly);
    const DataLocation installed(winFolder, root.path() + QStringLiteral("/AppData/Local/zorvel"));
    EXPECT_EQ(installed.database(), root.path() + QStringLiteral("/AppData/Local/zorvel/valuta.mdb"));
    const auto said = installed.ensureDatabase();
    ASSERT_TRUE(said);
    EXPECT_TRUE(said->isEmpty()) << said->toStdString(); // no "the history was moved": it is the template
    EXPECT_TRUE(*RateDb(installed.database()).hasTable(QStringLiteral("valuta2098ron")));
    // Eight first starts at once: one sound file, no empty one, nothing left aside.
    const QString racing = root.path() + QStringLiteral("/race/valuta.mdb");
    QDir().mkpath(QFileInfo(racing).absolutePath());
    std::vector<std::thread> starts;
    std::atomic<int> failed{0};
    for (int i = 0; i < 8; ++i)
        starts.emplace_back([&] {
            if (!RateDb::createShipped(racing)) ++failed;
        });
    for (std::thread& t : starts)
        t.join();
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(RateDb(racing).check());
    EXPECT_EQ(QDir(QFileInfo(racing).absolutePath()).entryList(QDir::Files), QStringList{"valuta.mdb"});
}

// A portable copy unpacked where its user cannot write (a shared drive, /opt) holds years of history:
// the copy in the data folder starts from it, and the user is told where the history is kept now.
TEST(DataLocation, AHistoryInAFolderThatCannotBeWrittenIsCarriedToTheDataFolder) {
    QTemporaryDir root;
    const QString program = root.path() + QStringLiteral("/portable");
    QDir().mkpath(program);
    runSqlScript(program + QStringLiteral("/valuta.mdb"), shippedSql());
    RateDb(program + QStringLiteral("/valuta.mdb")).storeDay(FeedDay{QDate(2022, 3, 7), {{"EUR", "4.9490"}}});
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    // Whoever may write any folder (root) is kept out by the immutable flag, where the file system has one.
    const bool locked = !QFileInfo(program).isWritable() ||
                        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), program}) == 0;
    const auto unlock = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), program});
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (!locked || QFileInfo(program).isWritable()) GTEST_SKIP() << "this user can write every folder here";
    CommandLine::Context c;
    const DataLocation where(program, root.path() + QStringLiteral("/data"));
    c.database = where.database();
    c.prepareDatabase = [where] { return where.ensureDatabase(); };
    QString out, err;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(CommandLine::run({"--rate", "EUR", "--date", "2022-03-08"}, c, o, e), 0);
    o.flush();
    e.flush();
    EXPECT_EQ(out, QStringLiteral("2022-03-07 EUR 4,9490\n"));
    EXPECT_TRUE(err.contains(QStringLiteral("(%1) nu poate fi scris").arg(program))) << err.toStdString();
    EXPECT_TRUE(err.contains(root.path() + QStringLiteral("/data/valuta.mdb"))) << err.toStdString();
    // Told once: from now on the data folder's copy is the history.
    EXPECT_EQ(*where.ensureDatabase(), QString());
}

} // namespace
