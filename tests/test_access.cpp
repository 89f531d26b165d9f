// The import of an Access valuta.mdb of the earlier generation: how stored cells become
// rates and days, how the helper's output is trusted, and the real files through the
// command line, compared cell by cell with what each file holds.
#include "cli/commandline.h"
#include "core/access/accessdump.h"
#include "core/access/accessimport.h"
#include "core/access/accessreader.h"
#include "core/access/accesstakeover.h"
#include "core/store/ratedb.h"
#include "tests/support/accessdata.h"
#include "tests/support/testenv.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstring>
#include <gtest/gtest.h>

namespace {

AccessCell single(float f) {
    quint32 bits;
    std::memcpy(&bits, &f, 4);
    return {AccessCell::Kind::Single, bits, {}};
}

AccessCell dbl(double d) {
    quint64 bits;
    std::memcpy(&bits, &d, 8);
    return {AccessCell::Kind::Double, bits, {}};
}

TEST(AccessCells, AStoredNumberIsRoundedOnceToTheBanksPlaces) {
    using K = AccessImport::CellValue::Kind;
    struct Case {
        AccessCell cell;
        K kind;
        const char* value; // the rate, or what the report shows of a refused value
    } const cases[] = {
        {single(4.9264f), K::Rate, "4.9264"},   // stored as 4.9264002
        {single(0.0420f), K::Rate, "0.042"},    // 0.041999999
        {single(275.913f), K::Rate, "275.913"}, // 275.91299
        {single(39310.f), K::Rate, "39310"},    // whole old lei
        {single(0.03125f), K::Rate, "0.0312"},  // an exact half: to the even neighbour
        {single(0.09375f), K::Rate, "0.0938"},
        {dbl(4.9834), K::Rate, "4.9834"},                            // a currency kept as Double
        {dbl(1.00004999), K::Rate, "1"},                             // one rounding, not two
        {{AccessCell::Kind::Text, 0, "4.92640"}, K::Rate, "4.9264"}, // a Decimal column's text
        {{AccessCell::Kind::Money, 49264, {}}, K::Rate, "4.9264"},   // a Currency: ten-thousandths
        {{AccessCell::Kind::Whole, 39310, {}}, K::Rate, "39310"},    // a Long of whole old lei
        {{AccessCell::Kind::Money, quint64(-49264), {}}, K::Refused, "-4,9264"},
        {{}, K::Empty, ""},
        {single(0.f), K::Refused, "0"},
        {single(-5.5f), K::Refused, "-5,5"},
        {single(1e-30f), K::Refused, "0"},
        {single(3e12f), K::Refused, "3000000053248"},
        {{AccessCell::Kind::Single, 0x7fc00000, {}}, K::Refused, "o valoare necitibila"}, // NaN
        {{AccessCell::Kind::Other, 0, {}}, K::Refused, "o valoare necitibila"},
        {{AccessCell::Kind::Text, 0, "4,9264"}, K::Refused, "o valoare necitibila"},
    };
    forEachRow(cases, [](const Case& c) {
        const auto v = AccessImport::rateOf(c.cell);
        EXPECT_EQ(v.kind, c.kind) << c.value;
        if (c.kind == K::Rate) {
            EXPECT_EQ(v.rate.toString(), QLatin1String(c.value));
        } else if (c.kind == K::Refused) {
            EXPECT_EQ(v.shown, QLatin1String(c.value));
        }
    });
}

TEST(AccessCells, ADateIsItsDayWhateverItsTime) {
    struct Case {
        AccessCell cell;
        const char* moment; // empty: no day
    } const cases[] = {
        {dbl(44929.0), "2023-01-03T00:00:00Z"},
        {dbl(45000.4375), "2023-03-15T10:30:00Z"},
        {dbl(45005.588576388889), "2023-03-20T14:07:33Z"},
        {dbl(44929.0 - 1e-9), "2023-01-03T00:00:00Z"}, // a hair before midnight is that midnight
        {dbl(36164.0), "1999-01-04T00:00:00Z"},
        {dbl(-1.5), ""},
        {dbl(10.0), ""}, // January 1900: no rate day
        {{AccessCell::Kind::Double, 0x7ff8000000000000, {}}, ""},
        {{}, ""},
        {single(44929.f), ""},
    };
    forEachRow(cases, [](const Case& c) {
        const auto m = AccessImport::momentOf(c.cell);
        EXPECT_EQ(m ? m->toString(Qt::ISODate) : QString(), QLatin1String(c.moment));
    });
}

TEST(AccessCells, YearTablesAndCurrencyColumnsByName) {
    struct Case {
        const char* name;
        int year; // 0: not a year table
        const char* suffix;
    } const tables[] = {
        {"VALUTA2003", 2003, ""}, {"valuta2023ron", 2023, "RON"}, {"VALUTA2005RON", 2005, "RON"},
        {"Valuta1999", 1999, ""}, {"VALUTA2023RON_copy", 0, ""},  {"Setari", 0, ""},
        {"VALUTA23RON", 0, ""},   {"VALUTA1850", 0, ""},          {"principale", 0, ""},
    };
    forEachRow(tables, [](const Case& c) {
        const auto t = AccessImport::yearTable(QLatin1String(c.name));
        EXPECT_EQ(t ? t->year : 0, c.year) << c.name;
        if (t) {
            EXPECT_EQ(t->suffix, QLatin1String(c.suffix)) << c.name;
        }
    });
    for (const char* yes : {"EUR", "100HUF", "XAU", "TST"})
        EXPECT_TRUE(AccessImport::currencyCode(QLatin1String(yes))) << yes;
    for (const char* no : {"DATA", "Observatii", "eur", "10HUF", "EURO", "E U"})
        EXPECT_FALSE(AccessImport::currencyCode(QLatin1String(no))) << no;
}

TEST(AccessDump, ATableIsWholeOnlyWhenEverythingAgrees) {
    const QByteArray head = "ZORVEL-ACCESS 1\nV\t1\nT\tVALUTA2023RON\t2\t2\nC\t8\tDATA\nC\t6\tEUR\n";
    const QByteArray row = "R\td:40e5f02000000000\tf:409dac71\n";
    struct Case {
        const char* what;
        QByteArray out, err;
        const char* problem; // a piece of the table's problem; empty: whole
    } const cases[] = {
        {"whole", head + row + row + "E\t2\n", "\x01T\tVALUTA2023RON\n", ""},
        {"fewer rows than the file counts", head + row + "E\t1\n", {}, "s-au citit 1 din 2"},
        {"rows lost on the way", head + row + row + "E\t3\n", {}, "pierdute"},
        {"no end", head + row + row, {}, "inainte de sfarsitul"},
        {"a line cut short", head + row + "R\td:40e5", {}, "jumatatea"},
        {"a row of other width", head + row + "R\td:40e5f02000000000\n" + "E\t2\n", {}, "alt numar de coloane"},
        {"a value not in the format", head + row + "R\td:40e5f02000000000\tf:xyz\nE\t2\n", {}, "nu poate fi citita"},
        {"whole numbers and currency", head + row + "R\td:40e5f02000000000\tc:-49264\nE\t2\n", {}, ""},
        {"a whole number past 64 bits",
         head + row + "R\td:40e5f02000000000\ti:99999999999999999999\nE\t2\n",
         {},
         "nu poate fi citita"},
        {"the reader complained", head + row + row + "E\t2\n", "\x01T\tVALUTA2023RON\nerror: reading page 49 failed.\n",
         "reading page 49"},
        {"complaint about another table", head + row + row + "E\t2\n",
         "\x01T\tVALUTA2023RON\n\x01T\tAlta\nUnable to read page 54\n", ""},
    };
    forEachRow(cases, [](const Case& c) {
        AccessDump d = AccessDump::parse(c.out, c.err, true);
        ASSERT_EQ(d.tables.size(), 1u) << c.what;
        const std::string problem = d.tables[0].problem.toStdString();
        EXPECT_TRUE(d.tables[0].problem.contains(QLatin1String(c.problem))) << c.what << ": " << problem;
        if (!*c.problem) {
            EXPECT_TRUE(d.tables[0].problem.isEmpty()) << c.what << ": " << problem;
        }
    });
    EXPECT_FALSE(AccessDump::parse("<html>\n", {}, true).problem.isEmpty());
}

// The cells of rows of one table, as the helper would give them.
AccessTable table(const char* name, const std::vector<std::pair<double, std::vector<float>>>& rows) {
    AccessTable t;
    t.name = QLatin1String(name);
    t.columns = {{QStringLiteral("DATA"), AccessColumn::DateTime},
                 {QStringLiteral("EUR"), AccessColumn::Single},
                 {QStringLiteral("USD"), AccessColumn::Single}};
    for (const auto& [day, rates] : rows) {
        std::vector<AccessCell> cells{dbl(day)};
        for (float r : rates)
            cells.push_back(r < 0 ? AccessCell{} : single(r));
        t.rows.push_back(cells);
    }
    t.declaredRows = qint64(t.rows.size());
    t.ended = true;
    return t;
}

TEST(AccessPlan, OneDayOnceAndAConflictNotAtAll) {
    const double jan3 = 44929, jan4 = 44930, dec30 = 44925;
    const auto p = AccessImport::plan({
        table("VALUTA2023RON", {{jan3, {4.9273f, 4.6766f}},
                                {jan3 + 0.75, {4.9273f, 4.6766f}}, // the same day again, the same rates
                                {jan4, {4.9323f, 4.6353f}},
                                {jan4 + 0.5, {4.9999f, 4.6353f}}, // the same day, other rates
                                {dec30, {4.9474f, -1}}}),         // the year before, USD empty
        table("VALUTA2023", {{jan3, {49273.f, 46766.f}}}),        // old lei: another leu, another day
    });
    ASSERT_EQ(p.days.size(), 3u);
    EXPECT_EQ(p.mergeDay(0).suffix, QString());
    EXPECT_EQ(p.days[1].date, QDate(2022, 12, 30));
    EXPECT_EQ(p.days[2].date, QDate(2023, 1, 3));
    EXPECT_EQ(p.mergeDay(2).day.rates[0].text, QStringLiteral("4.9273"));
    const AccessImport::Year& y = p.report.years[0];
    EXPECT_EQ(y.conflicts, 1);
    EXPECT_EQ(y.emptyRates, 1);
    EXPECT_TRUE(y.notes.join(u'\n').contains(
        QStringLiteral("04.01.2023: apare de doua ori cu alte cursuri (EUR 4,9323 / 4,9999)")))
        << y.notes.join(u'\n').toStdString();
    EXPECT_FALSE(p.report.complete());
}

// "Complete" is said only where the history came over: year tables without a single rate brought nothing.
TEST(AccessPlan, AFileWhoseYearTablesHoldNoRateIsNotComplete) {
    struct Case {
        int imported, alreadyStored;
        bool complete;
    } const cases[] = {{0, 0, false}, {3, 0, true}, {0, 3, true}};
    for (const Case& c : cases) {
        AccessImport::Report r;
        AccessImport::Year y;
        y.table = QStringLiteral("VALUTA2023RON");
        y.rows = 3;
        y.imported = c.imported;
        y.alreadyStored = c.alreadyStored;
        r.years.push_back(y);
        EXPECT_EQ(r.complete(), c.complete) << c.imported << " " << c.alreadyStored;
    }
}

// Only a day the bank could have published, with rates of its table's leu, is imported; the rest of the
// file still comes, and what was left out is named.
TEST(AccessPlan, OnlyPlausibleDaysAndRatesOfTheTablesLeuComeOver) {
    const auto serial = [](QDate d) { return double(QDate(1899, 12, 30).daysTo(d)); };
    const QDate today(2023, 3, 17);
    const auto p = AccessImport::plan(
        {
            table("VALUTA2023RON",
                  {
                      {serial(QDate(2023, 1, 9)), {4.9264f, 4.5660f}},
                      {serial(QDate(2023, 1, 10)), {4.9266f, 4.5850f}},
                      {serial(QDate(2023, 1, 11)), {49266.f, 4.5800f}}, // EUR ten thousand times its neighbours
                      {serial(QDate(2023, 1, 12)), {4.9300f, 4.5710f}},
                      {serial(QDate(2023, 1, 13)), {4.9310f, 4.5720f}},
                      {serial(QDate(2023, 1, 7)), {4.9, 4.5f}},                      // a Saturday
                      {serial(QDate(2031, 1, 6)), {4.9, 4.5f}},                      // years ahead
                      {serial(QDate(2023, 3, 20)), {4.9, 4.5f}},                     // after today
                      {serial(QDate(2019, 6, 12)), {4.9, 4.5f}},                     // a weekday of a distant year
                      {serial(QDate(2023, 1, 16)) + 86399.6 / 86400, {4.94f, 4.6f}}, // 23:59:59.6 is that day
                      {serial(QDate(2022, 12, 30)), {4.9474f, 4.6781f}},             // across the year's end
                      {serial(QDate(2023, 1, 24)), {4.9, 4.55f}},                    // a holiday: the bank may publish
                  }),
            table("VALUTA2004", {{serial(QDate(2004, 3, 12)), {40807.f, 32789.f}},
                                 {serial(QDate(2004, 3, 15)), {3.61f, 32800.f}}, // a new-leu figure among old lei
                                 {serial(QDate(2004, 3, 16)), {40900.f, 32822.f}}}),
        },
        today);
    QStringList days;
    for (size_t i = 0; i < p.days.size(); ++i) {
        const RateDb::MergeDay d = p.mergeDay(i);
        days << d.suffix + d.day.date.toString(Qt::ISODate) + u':' + QString::number(d.day.rates.size());
    }
    EXPECT_EQ(days, (QStringList{"2004-03-12:2", "2004-03-15:1", "2004-03-16:2", "RON2022-12-30:2", "RON2023-01-09:2",
                                 "RON2023-01-10:2", "RON2023-01-11:1", "RON2023-01-12:2", "RON2023-01-13:2",
                                 "RON2023-01-16:2", "RON2023-01-24:2"}));
    const QString notes = p.report.years[0].notes.join(u'\n') + u'\n' + p.report.years[1].notes.join(u'\n');
    for (const char* said :
         {"07.01.2023: zi de weekend", "06.01.2031: dupa ziua de azi", "20.03.2023: dupa ziua de azi",
          "12.06.2019: zi departe de anul tabelului 2023", "11.01.2023 EUR: 49266 este de zece ori sau mai mult",
          "15.03.2004 EUR: 3,6100 nu este un curs in lei vechi"})
        EXPECT_TRUE(notes.contains(QLatin1String(said))) << said << "\n" << notes.toStdString();
    EXPECT_EQ(p.report.years[0].refused, 5);
    EXPECT_EQ(p.report.years[1].refused, 1);
    EXPECT_FALSE(p.report.complete());
}

// A table whose DATA column holds no dates is named and skipped; the file's other tables come, and a day
// repeated with other rates on three rows is one conflict.
TEST(AccessPlan, ATableWithoutDatesIsSkippedAndAConflictCountsOncePerDay) {
    const double jan3 = 44929;
    AccessTable text = table("VALUTA2022RON", {{44564, {4.9, 4.5f}}});
    text.columns[0].type = AccessColumn::Text;
    const auto p = AccessImport::plan({text, table("VALUTA2023RON", {{jan3, {4.9273f, 4.6766f}},
                                                                     {jan3 + 0.5, {4.9999f, 4.6766f}},
                                                                     {jan3 + 0.75, {4.9888f, 4.6766f}}})});
    ASSERT_EQ(p.report.years.size(), 1u);
    EXPECT_EQ(p.report.years[0].table, QStringLiteral("VALUTA2023RON"));
    EXPECT_EQ(p.report.years[0].conflicts, 1);
    EXPECT_FALSE(p.report.damaged);
    EXPECT_TRUE(p.report.skipped.join(u'\n').contains(QStringLiteral("VALUTA2022RON: nu are coloana DATA")))
        << p.report.skipped.join(u'\n').toStdString();
    EXPECT_FALSE(p.report.complete());
}

// A helper of the test's own, standing for a reader that fails in one way.
QString fakeHelper(const QString& dir, const QString& script) {
    const QString path = dir + QStringLiteral("/fake-reader");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n" + script.toUtf8() + "\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(AccessReader, AReaderThatCrashesHangsOrFloodsIsStoppedAndSaid) {
#ifdef _WIN32
    GTEST_SKIP() << "the stand-in readers are shell scripts";
#endif
    TempAppDir dir;
    struct Case {
        const char* what;
        const char* script;
        const char* said;
    } const cases[] = {
        {"crash", "printf 'ZORVEL-ACCESS 1\\nT\\tVALUTA2023RON\\t5\\t1\\n'; kill -SEGV $$", "s-a oprit brusc"},
        {"hang", "exec sleep 30", "limita programului (1 secunde)"},
        {"flood", "exec yes ZORVEL-ACCESS", "limita programului (12 MB pe citire)"},
        {"not the format", "echo '<html>'", "altceva"},
        {"cannot open", "exit 3", "nu poate fi deschis"},
    };
    forEachRow(cases, [&](const Case& c) {
        const AccessReader reader(fakeHelper(dir.path(), QLatin1String(c.script)), {}, 1500);
        const auto listed = reader.tables(dir.db());
        ASSERT_FALSE(listed) << c.what;
        EXPECT_TRUE(listed.error().contains(QLatin1String(c.said))) << c.what << ": " << listed.error().toStdString();
    });
    // One bound for the whole file, however many times the helper runs: a slow reader's second run passes it.
    const AccessReader slow(fakeHelper(dir.path(), QStringLiteral("sleep 0.9; printf 'ZORVEL-ACCESS 1\\nV\\t1\\n'")),
                            {}, 1500);
    ASSERT_TRUE(slow.tables(dir.db()));
    const auto second = slow.tables(dir.db());
    ASSERT_FALSE(second);
    EXPECT_TRUE(second.error().contains(QStringLiteral("limita programului"))) << second.error().toStdString();
    // A file past the 2 GB an Access file can reach is refused before the helper sees it (a sparse file).
    QFile huge(dir.path() + QStringLiteral("/mare.mdb"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(AccessReader::kMaxFileBytes + 1));
    huge.close();
    const auto refused = AccessReader(fakeHelper(dir.path(), QStringLiteral("exit 0"))).tables(huge.fileName());
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().contains(QStringLiteral("peste 2 GB"))) << refused.error().toStdString();
    EXPECT_EQ(refused.cause(), Cause::DbUnreadable);
    const AccessReader crashing(fakeHelper(dir.path(), QStringLiteral("kill -SEGV $$")));
    const auto read = crashing.read(dir.db(), {QStringLiteral("VALUTA2023RON")});
    ASSERT_TRUE(read);
    ASSERT_EQ(read->tables.size(), 1u);
    EXPECT_TRUE(read->tables[0].problem.contains(QStringLiteral("brusc"))) << read->tables[0].problem.toStdString();
    // An empty cell is a byte of output but far more of memory: their number is the program's bound too.
    const AccessReader emptyCells(fakeHelper(
        dir.path(), QStringLiteral("t=$(printf '\\t'); printf 'ZORVEL-ACCESS 1\\nT\\tVALUTA2023RON\\t600000\\t2\\n"
                                   "C\\t8\\tDATA\\nC\\t7\\tEUR\\n'; yes \"R$t$t\" | head -n 600000")));
    const auto flooded = emptyCells.read(dir.db(), {QStringLiteral("VALUTA2023RON")});
    ASSERT_FALSE(flooded);
    EXPECT_EQ(flooded.cause(), Cause::OutOfRange);
    EXPECT_TRUE(flooded.error().contains(QStringLiteral("valori pe citire"))) << flooded.error().toStdString();
}

class AccessFiles : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString why = AccessData::missing(); !why.isEmpty()) GTEST_SKIP() << why.toStdString();
    }
    struct Ran {
        int exit;
        QString out, err;
    };
    Ran run(const QString& file, const QStringList& more = {}) {
        CommandLine::Context c;
        c.database = app.db();
        c.accessHelper = AccessData::helper();
        QString out, err;
        QTextStream o(&out), e(&err);
        const int exit = CommandLine::run(QStringList{QStringLiteral("--import-access"), file} + more, c, o, e);
        o.flush();
        e.flush();
        return {exit, out, err};
    }
    static QString data(const char* name) { return AccessData::folder() + u'/' + QLatin1String(name); }
    TempAppDir app;
};

TEST_F(AccessFiles, EachFileComesOverCellForCellOrIsRefused) {
    struct Case {
        const char* file;
        int exit;
        const char* said;     // a piece of what is printed, out or err
        const char* expected; // the cells the history must then hold; empty: none, history unchanged
        QSet<QString> skipDays{};
    } const cases[] = {
        {"valuta-full.mdb", 0, "VALUTA2003: 255 zile importate", "valuta-full.expected.csv"},
        {"valuta-2023-lower.mdb", 0, "valuta2023ron: 248 zile importate, 0 conflicte, 123 cursuri goale",
         "valuta-2023-lower.expected.csv"},
        {"valuta-odd.mdb", 1, "16.03.2023: apare de doua ori", "valuta-odd.expected.csv", {"2023-03-16"}},
        {"valuta-2003.mdb", 0, "VALUTA2022RON: 251 zile importate", "valuta-2003.expected.csv"},
        {"valuta-2007.accdb", 0, "VALUTA2022RON: 251 zile importate", "valuta-2007.expected.csv"},
        {"not-rates.mdb", 1, "nu contine tabele de cursuri", ""},
        {"real/testV1997.mdb", 1, "Table1: nu este un tabel de cursuri", ""},
        {"real/testV2007.accdb", 1, "nu contine tabele de cursuri", ""},
        {"real/delColTestV2000.mdb", 1, "nu contine tabele de cursuri", ""},
        {"real/overflowTestV2003.mdb", 1, "nu contine tabele de cursuri", ""},
        {"SOURCES.md", 2, "nu este o baza de date Access", ""},
        {"lipsa.mdb", 2, "nu exista", ""},
    };
    const QByteArray shipped = AccessData::contents(app.db());
    forEachRow(cases, [&](const Case& c) {
        QFile::remove(app.db());
        ASSERT_TRUE(QFile::copy(TempAppDir().db(), app.db()));
        const QString file = data(c.file);
        const QByteArray before = AccessData::contents(file);
        const Ran r = run(file);
        EXPECT_EQ(r.exit, c.exit) << c.file << "\n" << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE((r.out + r.err).contains(QLatin1String(c.said))) << c.file << "\n"
                                                                     << r.out.toStdString() << r.err.toStdString();
        EXPECT_EQ(AccessData::contents(file), before) << c.file << " was written";
        if (*c.expected) {
            const QStringList diff = AccessData::differences(app.db(), data(c.expected), c.skipDays);
            EXPECT_TRUE(diff.isEmpty()) << c.file << ": " << diff.size() << " differences\n"
                                        << diff.mid(0, 10).join(u'\n').toStdString();
            // A table the import made has the bank's order of columns, by the currencies' letters.
            QStringList letters;
            for (const QVariant& name :
                 app.column(QStringLiteral("select name from pragma_table_info('valuta2022ron')")))
                letters << name.toString().right(3);
            if (!letters.isEmpty()) letters.removeFirst(); // DATA
            QStringList sorted = letters;
            std::stable_sort(sorted.begin(), sorted.end());
            EXPECT_EQ(letters, sorted) << c.file;
        } else {
            EXPECT_EQ(AccessData::contents(app.db()), shipped) << c.file << ": the history changed";
        }
    });
}

TEST_F(AccessFiles, AStoredDayIsNeverWrittenAgainAndADifferentOneIsAConflict) {
    ASSERT_TRUE(app.fillFromYears({2022}));
    // The bank's own days equal the file's: nothing to say about them.
    Ran r = run(data("valuta-2003.mdb"));
    EXPECT_EQ(r.exit, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("0 zile importate, 251 deja memorate, 0 conflicte")))
        << r.out.toStdString();
    app.sql(QStringLiteral("update valuta2022ron set EUR=4.5 where DATA='2022-03-08';\n"
                           "update valuta2022ron set USD=NULL where DATA='2022-03-09'"));
    r = run(data("valuta-2007.accdb"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("08.03.2022: EUR altfel decat in istoric"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("1 zile din istoric nu au USD din fisier"))) << r.out.toStdString();
    EXPECT_EQ(app.column(QStringLiteral("select EUR from valuta2022ron where DATA='2022-03-08'")).value(0).toDouble(),
              4.5);
    EXPECT_TRUE(app.column(QStringLiteral("select USD from valuta2022ron where DATA='2022-03-09'")).value(0).isNull());
    // The same as CSV, for a spreadsheet: a line a table with its counts, then its notes.
    r = run(data("valuta-2007.accdb"), {QStringLiteral("--format"), QStringLiteral("csv")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_TRUE(r.out.startsWith(
        QStringLiteral("tabel;an;leu;randuri;importate;deja memorate;conflicte;cursuri goale;respinse;nota\r\n")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("VALUTA2022RON;2022;RON;251;0;249;1;")) &&
                r.out.contains(QStringLiteral("VALUTA2022RON;;;;;;;;;\"08.03.2022: EUR altfel decat in istoric, ziua "
                                              "lasata cum era\"\r\n")))
        << r.out.toStdString();
}

// A real file patched in place as damage or an old bug would leave it: its sound days come over exactly,
// the rest is named and left out. The dates and rates are a row's own bytes: a Date/Time of eight, then its
// rates of four each, in the order of the columns.
TEST_F(AccessFiles, APatchedFileBringsItsSoundDaysAndNamesTheRest) {
    QByteArray bytes = AccessData::contents(data("valuta-full.mdb"));
    const auto serial = [](QDate d) { return double(QDate(1899, 12, 30).daysTo(d)); };
    const auto at = [&](double day) {
        const QByteArray wanted(reinterpret_cast<const char*>(&day), 8);
        const qsizetype i = bytes.indexOf(wanted);
        EXPECT_TRUE(i >= 0 && bytes.indexOf(wanted, i + 1) < 0) << "the row of " << day << " is not found once";
        return i;
    };
    const auto moveDay = [&](QDate from, double to) {
        if (const qsizetype i = at(serial(from)); i >= 0) bytes.replace(i, 8, reinterpret_cast<const char*>(&to), 8);
    };
    const auto setRate = [&](QDate day, int column, float rate) {
        if (const qsizetype i = at(serial(day)); i >= 0)
            bytes.replace(i + 8 + 4 * column, 4, reinterpret_cast<const char*>(&rate), 4);
    };
    moveDay(QDate(2022, 9, 7), serial(QDate(2022, 9, 3)));                     // a Saturday
    moveDay(QDate(2023, 1, 10), serial(QDate(2031, 1, 10)));                   // years ahead
    moveDay(QDate(2022, 6, 22), serial(QDate(2019, 6, 19)));                   // a weekday of a distant year
    moveDay(QDate(2023, 3, 15), serial(QDate(2023, 3, 15)) + 86399.6 / 86400); // 23:59:59.6, still that day
    setRate(QDate(2022, 4, 12), 10, 49450.f);                                  // EUR ten thousand times its days
    setRate(QDate(2004, 6, 15), 6, 4.1f);                                      // a new-leu EUR among old lei
    const QString file = app.path() + QStringLiteral("/vechi cu zile gresite.mdb");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    f.close();
    const Ran r = run(file);
    EXPECT_EQ(r.exit, 1);
    for (const char* said :
         {"03.09.2022: zi de weekend", "10.01.2031: dupa ziua de azi", "19.06.2019: zi departe de anul tabelului 2022",
          "12.04.2022 EUR: 49450 este de zece ori", "15.06.2004 EUR: 4,1000 nu este un curs in lei vechi"})
        EXPECT_TRUE(r.out.contains(QLatin1String(said))) << said << "\n" << r.out.toStdString();
    const QStringList diff =
        AccessData::differences(app.db(), data("valuta-full.expected.csv"), {"2022-09-07", "2023-01-10", "2022-06-22"});
    ASSERT_EQ(diff.size(), 2) << diff.join(u'\n').toStdString();
    EXPECT_TRUE(diff[0].startsWith(QStringLiteral("VALUTA2004 2004-06-15 EUR: stored ''")) &&
                diff[1].startsWith(QStringLiteral("VALUTA2022RON 2022-04-12 EUR: stored ''")))
        << diff.join(u'\n').toStdString();
}

TEST_F(AccessFiles, ADamagedFileIsAnErrorAndTheHistoryIsUntouched) {
    const QByteArray full = AccessData::contents(data("valuta-full.mdb"));
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* said;
    } const cases[] = {
        {"cut short", full.left(200000), "Fisierul este deteriorat"},
        {"random bytes behind an Access header", full.left(4096) + QByteArray(300000, '\x5a'), "nu poate fi citit"},
        {"the header alone", full.left(4096), "nu poate fi citit"},
    };
    const QByteArray shipped = AccessData::contents(app.db());
    forEachRow(cases, [&](const Case& c) {
        const QString file = app.path() + QStringLiteral("/damaged.mdb");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        const Ran r = run(file);
        EXPECT_EQ(r.exit, 1) << c.what;
        EXPECT_TRUE((r.out + r.err).contains(QLatin1String(c.said))) << c.what << "\n"
                                                                     << r.out.toStdString() << r.err.toStdString();
        EXPECT_EQ(AccessData::contents(app.db()), shipped) << c.what;
    });
}

TEST_F(AccessFiles, OldLeiConvertFromTheImportedDays) {
    ASSERT_EQ(run(data("valuta-full.mdb")).exit, 0);
    CommandLine::Context c;
    c.database = app.db();
    QString out, err;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(CommandLine::run({"--convert", "100", "EUR", "LEI", "--date", "2003-06-10"}, c, o, e), 0);
    o.flush();
    EXPECT_TRUE(out.startsWith(QStringLiteral("3725000,00 LEI (100 EUR x 37250"))) << out.toStdString();
}

// A takeover that cannot finish (the user stops it, the reader fails) leaves the Access file where and as it
// was, no history in its place and nothing beside it, so the next start offers it again.
TEST(AccessTakeover, AnUnfinishedTakeoverLeavesTheAccessFileToBeOfferedAgain) {
    if (AccessData::folder().isEmpty()) GTEST_SKIP() << AccessData::missing().toStdString();
    const QString access = AccessData::folder() + QStringLiteral("/valuta-2003.mdb");
    struct Case {
        const char* what;
        bool stop;
        const char* helper; // empty: the real reader
        Cause cause;
    } const cases[] = {
        {"stopped by the user", true, "", Cause::Stopped},
        {"a reader that cannot run", false, "/nonexistent/zorvel-access", Cause::Other},
    };
    forEachRow(cases, [&](const Case& c) {
        if (!*c.helper && AccessData::helper().isEmpty()) return;
        QTemporaryDir root;
        const QString program = root.path() + QStringLiteral("/program"), data = root.path() + QStringLiteral("/data");
        QDir().mkpath(program);
        QDir().mkpath(data);
        const QString place = program + QStringLiteral("/valuta.mdb");
        QFile::copy(access, place);
        const DataLocation where(program, data);
        AccessImport::Options o;
        o.helper = *c.helper ? QString::fromLatin1(c.helper) : AccessData::helper();
        if (c.stop) o.keepGoing = [] { return false; };
        const auto taken = AccessTakeover::takeOver(where, place, o, QDateTime(QDate(2026, 12, 9), QTime(15, 4, 5)));
        ASSERT_FALSE(taken.ok()) << c.what;
        EXPECT_EQ(taken.cause(), c.cause) << c.what << ": " << taken.error().toStdString();
        EXPECT_TRUE(taken.error().contains(QStringLiteral("a ramas neschimbat"))) << taken.error().toStdString();
        EXPECT_FALSE(taken.error().contains(QStringLiteral(".."))) << taken.error().toStdString();
        EXPECT_EQ(AccessData::contents(place), AccessData::contents(access)) << c.what;
        EXPECT_EQ(QDir(program).entryList(QDir::Files), QStringList{QStringLiteral("valuta.mdb")}) << c.what;
        EXPECT_EQ(AccessTakeover::found(where), place) << c.what << ": offered again";
    });
}

TEST(AccessTakeover, TheAccessFileWhereTheHistoryShouldBeIsFoundAndTakenOver) {
    if (AccessData::folder().isEmpty()) GTEST_SKIP() << AccessData::missing().toStdString();
    const QString access = AccessData::folder() + QStringLiteral("/valuta-2003.mdb");
    struct Case {
        const char* what;
        bool accessBeside, historyBeside, accessInData, historyInData;
        const char* found; // "beside", "data" or ""
    } const cases[] = {
        {"an Access file beside the program, no history yet", true, false, false, false, "beside"},
        {"an Access file in the data folder itself", false, false, true, false, "data"},
        {"beside, but the data folder's history is in use", true, false, false, true, ""},
        {"a history of ours beside the program", false, true, false, false, ""},
        {"nothing at all", false, false, false, false, ""},
    };
    forEachRow(cases, [&](const Case& c) {
        QTemporaryDir root;
        const QString program = root.path() + QStringLiteral("/program"), data = root.path() + QStringLiteral("/data");
        QDir().mkpath(program);
        QDir().mkpath(data);
        if (c.accessBeside) QFile::copy(access, program + QStringLiteral("/valuta.mdb"));
        if (c.historyBeside) RateDb::createShipped(program + QStringLiteral("/valuta.mdb"));
        if (c.accessInData) QFile::copy(access, data + QStringLiteral("/valuta.mdb"));
        if (c.historyInData) RateDb::createShipped(data + QStringLiteral("/valuta.mdb"));
        const DataLocation where(program, data);
        const QString found = AccessTakeover::found(where);
        const QString expected = !*c.found ? QString()
                                 : QLatin1String(c.found) == QLatin1String("beside")
                                     ? program + QStringLiteral("/valuta.mdb")
                                     : data + QStringLiteral("/valuta.mdb");
        EXPECT_EQ(found, expected) << c.what;
        // Taken over: the Access file kept beside under its new name, unchanged, and a history in its place.
        if (found.isEmpty() || AccessData::helper().isEmpty()) return;
        AccessImport::Options o;
        o.helper = AccessData::helper();
        const auto taken = AccessTakeover::takeOver(where, found, o, QDateTime(QDate(2026, 12, 9), QTime(15, 4, 5)));
        ASSERT_TRUE(taken) << c.what << ": " << taken.error().toStdString();
        EXPECT_EQ(taken->database, found) << c.what;
        EXPECT_EQ(taken->keptAs, found + QStringLiteral(".access-20261209-150405")) << c.what;
        EXPECT_EQ(AccessData::contents(taken->keptAs), AccessData::contents(access)) << c.what;
        EXPECT_EQ(taken->report.importedDays(), 251) << c.what;
        EXPECT_EQ(where.database(), found) << c.what << ": the new history is the one the program opens";
        EXPECT_TRUE(AccessTakeover::found(where).isEmpty()) << c.what << ": and it is not offered again";
    });
}

} // namespace
