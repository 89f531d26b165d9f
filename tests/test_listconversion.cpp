// A list converted at once: every kind of row, both rules, and what is written out.
#include "core/feed/feedparser.h"
#include "core/money/listconversion.h"
#include "core/money/liststream.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ListConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        // EUR is 4 lei and the day of the year in ten-thousandths: 3 January is 4,0003.
        ASSERT_TRUE(
            app.fillMadeUp({{QDate(2005, 6, 27), QDate(2005, 7, 5)}, {QDate(2023, 12, 20), QDate(2024, 1, 31)}}));
        app.sql(QStringLiteral("create table VALUTA2004 (DATA DATETIME UNIQUE PRIMARY KEY, EUR real);\n"
                               "insert into VALUTA2004 values ('2004-03-12', 40000)"));
    }
    ListConversion::Result convert(const QString& text, RateBook::Rule rule) {
        const auto r = ListConversion::convert(app.db(), ListConversion::read(text), rule);
        EXPECT_TRUE(r.ok()) << r.error().toStdString();
        return r.ok() ? *r : ListConversion::Result{};
    }
    TempAppDir app;
};

TEST_F(ListConversionTest, EachRowGetsItsDaysRateOrItsReason) {
    struct Case {
        const char* line;
        RateBook::Rule rule;
        const char* rateDay; // empty when the row fails
        const char* lei;
        const char* error; // or, for a row converted at an older day, what it lacks
    };
    using R = RateBook::Rule;
    const Case cases[] = {
        {"08.01.2024;100;EUR", R::Before, "2024-01-05", "400.05", ""}, // Monday: Friday's rate
        {"08.01.2024;100;EUR", R::Same, "2024-01-08", "400.08", ""},
        {"06.01.2024;100;EUR", R::Same, "2024-01-05", "400.05", ""},   // Saturday: the last before
        {"25.01.2024;100;EUR", R::Before, "2024-01-23", "400.23", ""}, // 24 January is a holiday
        {"2024-01-01;100;EUR", R::Before, "2023-12-29", "403.63", ""}, // 1 January: the year before
        {"01.07.2005;100;EUR", R::Before, "2005-06-30", "401.81", ""},
        {"15.03.2004;1;EUR", R::Before, "2004-03-12", "40000", ""},   // old lei
        {"08.01.2024;1000;HUF", R::Same, "2024-01-08", "12.66", ""},  // one forint each: 12,655 to the even ban
        {"08.01.2024;10;100HUF", R::Same, "2024-01-08", "12.66", ""}, // a hundred forint each
        {"08.01.2024;1.234,56;eur", R::Same, "2024-01-08", "4939.23", ""},
        {"08.01.2024;100;XYZ", R::Same, "", "0", "valuta necunoscuta: XYZ"},
        {"08.01.2024;100;EURO", R::Same, "", "0", "valuta necunoscuta: EURO"},
        {"32.01.2024;100;EUR", R::Same, "", "0", "data ilizibila"},
        {"08.01.2024;abc;EUR", R::Same, "", "0", "suma ilizibila"},
        {"08.01.2024;100;EUR;x", R::Same, "", "0", "suma in lei ilizibila"},
        {"01.01.2001;100;EUR", R::Same, "", "0", "nu exista curs memorat pana la 01.01.2001"},
        // Every ban of a large amount.
        {"08.01.2024;1234567,89;EUR", R::Same, "2024-01-08", "4939259.21", ""},
        // Lei need no rate: never late, whatever the history holds; "LEI NOI" only once the new leu exists.
        {"12.02.2024;346846,58;lei", R::Before, "2024-02-12", "346846.58", ""},
        {"28.05.2005;5498,46;RON", R::Before, "2005-05-28", "5498.46", ""},
        {"28.05.2005;5498,46;lei noi", R::Before, "", "0", "LEI NOI exista din 01.07.2005"},
        {"01.07.2005;5498,46;Lei Noi", R::Before, "2005-07-01", "5498.46", ""},
        {"08.01.2024;999999999999999,996;lei", R::Before, "", "0", "suma prea mare"},
        {"08.01.2024;1.234.567;EUR", R::Same, "2024-01-08", "4939255.65", ""},
        // The history stops on 31 January: the figure stands, and says which day it lacks.
        {"15.02.2024;100;EUR", R::Before, "2024-01-31", "400.31", "lipseste cursul din 14.02.2024"},
    };
    forEachRow(cases, [&](const Case& c) {
        const auto r = convert(QString::fromLatin1(c.line), c.rule);
        ASSERT_EQ(r.rows.size(), 1u) << c.line;
        const ListConversion::Row& row = r.rows.front();
        const bool converted = *c.rateDay;
        EXPECT_EQ(row.reason(), QString::fromLatin1(c.error)) << c.line;
        EXPECT_EQ(r.failed, converted ? 0 : 1) << c.line;
        EXPECT_EQ(r.late, converted && *c.error ? 1 : 0) << c.line;
        if (!converted) return;
        EXPECT_EQ(row.rateDay.toString(Qt::ISODate), QString::fromLatin1(c.rateDay)) << c.line;
        EXPECT_EQ(row.lei.toString(), QString::fromLatin1(c.lei)) << c.line;
    });
}

TEST_F(ListConversionTest, APasteOrAFileGivesRowsTotalsAndASafeCsv) {
    struct Case {
        const char* why;
        const char* text;
    } const cases[] = {
        {"semicolons and a header", "data;suma;valuta;lei\n08.01.2024;100;EUR;400\n09.01.2024;\"1.000,00\";EUR\n"},
        {"commas, quoted", "08.01.2024,100,EUR,400\r\n09.01.2024,\"1.000,00\",EUR\r\n"},
        {"a spreadsheet's paste", "Data\tSuma\tValuta\tLei\n08.01.2024\t100\tEUR\t400\n09.01.2024\t1.000,00\tEUR\t\n"},
    };
    forEachRow(cases, [&](const Case& c) {
        const auto r = convert(QString::fromLatin1(c.text), RateBook::Rule::Before);
        ASSERT_EQ(r.rows.size(), 2u) << c.why;
        EXPECT_EQ(r.failed, 0) << c.why;
        EXPECT_EQ(r.rows[0].difference().value_or(Decimal()).toString(), QStringLiteral("0.05")) << c.why;
        ASSERT_EQ(r.totals.size(), 1u) << c.why;
        EXPECT_EQ(r.totals.front().amount.toString(), QStringLiteral("1100")) << c.why;
        EXPECT_EQ(r.totals.front().lei.toString(), QStringLiteral("4400.85")) << c.why;
    });
    const auto r = convert(QStringLiteral("08.01.2024;100;EUR;400\n=HYPERLINK(\"x\");1;EUR\n"), RateBook::Rule::Before);
    const QStringList lines = ListConversion::csv(r).split(u'\n');
    EXPECT_EQ(lines[0], QStringLiteral("linie;data;suma;valuta;zi curs;curs;lei;lei inregistrat;diferenta;tip "
                                       "diferenta;eroare\r"));
    EXPECT_EQ(lines[1],
              QStringLiteral(
                  "1;2024-01-08;\"100,00\";EUR;2024-01-05;\"4,0005\";\"400,05\";\"400,00\";\"0,05\";favorabila;\r"));
    // A field that a spreadsheet would run as a formula stays text.
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("2;\"'=HYPERLINK(\"\"x\"\")\";1;EUR"))) << lines[2].toStdString();
    EXPECT_EQ(lines[3], QStringLiteral("total;;\"100,00\";EUR;;;\"400,05\";;;;1 rand\r"));
}

// A weekday the bank was found to have published nothing for is no hole before the day that applies.
TEST_F(ListConversionTest, ADayTheBankHadNoRatesForIsNotMissing) {
    const QString line = QStringLiteral("02.02.2024;100;EUR");
    EXPECT_EQ(convert(line, RateBook::Rule::Before).rows[0].late, QStringLiteral("lipseste cursul din 01.02.2024"));
    ASSERT_TRUE(RateDb(app.db()).noteDaysWithoutRates({}, {QDate(2024, 2, 1)}, QDate(2024, 2, 5)));
    const auto r = convert(line, RateBook::Rule::Before);
    EXPECT_EQ(r.rows[0].late, QString());
    EXPECT_EQ(r.late, 0);
}

// A booked figure that rounded an exact half ban up is the same figure by another rule.
TEST_F(ListConversionTest, AHalfBanRoundedTheOtherWayIsNoDifference) {
    struct Case {
        const char* line;
        const char* difference;
        const char* kind;
    } const cases[] = {
        {"08.01.2024;10;EUR;40,01", "0", ""}, // 40,005: the even ban is 40,00, books rounding up hold 40,01
        {"08.01.2024;10;EUR;40,00", "0", ""}, // the even ban itself
        {"08.01.2024;10;EUR;40,02", "-0.02", "nefavorabila"}, // more than the half ban
        {"08.01.2024;11;EUR;44,00", "0.01", "favorabila"},    // 44,0055 is no tie
    };
    forEachRow(cases, [&](const Case& c) {
        const auto r = convert(QString::fromLatin1(c.line), RateBook::Rule::Before);
        ASSERT_EQ(r.rows.size(), 1u) << c.line;
        EXPECT_EQ(r.rows[0].difference().value_or(Decimal::whole(99)).toString(), QString::fromLatin1(c.difference))
            << c.line;
        EXPECT_EQ(ListConversion::cells(r.rows[0], u',')[9], QString::fromLatin1(c.kind)) << c.line;
    });
}

// A file read as it goes gives the rows, reasons, counts and totals of the same file held whole,
// whatever its line ends, encoding, header or odd lines.
TEST_F(ListConversionTest, AFileReadAsItGoesGivesWhatTheWholeFileGives) {
    const QString longLine = QStringLiteral("08.01.2024;1;EUR;") + QString(5000, u'9');
    const auto utf16 = [](const QString& text) {
        return QByteArray("\xff\xfe", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    struct Case {
        const char* why;
        QByteArray bytes;
    } const cases[] = {
        {"a header, CRLF, a blank line",
         "data;suma;valuta;lei\r\n08.01.2024;100;EUR;400\r\n\r\n09.01.2024;1,5;lei\r\n"},
        {"old Mac line ends, no end at the last", "08.01.2024;100;EUR\r15.02.2024;100;EUR\r32.01.2024;1;EUR"},
        {"a comma list with a quoted cell", "08.01.2024,\"1.000,50\",EUR\n08.01.2024,2,100HUF\n"},
        {"UTF-16 with its byte order mark", utf16(QStringLiteral("Data\tSuma\tValuta\n08.01.2024\t100\tEUR\n"))},
        {"a line past the longest row, then a row", (longLine + QStringLiteral("\n08.01.2024;3;EUR\n")).toUtf8()},
        {"bytes that are no text", QByteArray("08.01.2024;1\xff;EUR\n08.01.2024;2;EUR\n")},
        {"nothing but a header", "data;suma;valuta\n"},
    };
    QTemporaryDir dir;
    forEachRow(cases, [&](const Case& c) {
        const QString path = dir.filePath(QStringLiteral("lista.csv"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        const auto whole = ListConversion::convert(app.db(), ListConversion::read(*ListConversion::decode(c.bytes)));
        ASSERT_TRUE(whole.ok()) << c.why;
        QList<QStringList> streamed;
        const auto done =
            ListStream::convertFile(app.db(), path, RateBook::Rule::Before, [&](const ListConversion::Row& row) {
                streamed << ListConversion::cells(row, u',', true);
                return succeeded();
            });
        ASSERT_TRUE(done.ok()) << c.why << ": " << done.error().toStdString();
        QList<QStringList> expected;
        for (const ListConversion::Row& row : whole->rows)
            expected << ListConversion::cells(row, u',', true);
        EXPECT_EQ(streamed, expected) << c.why;
        EXPECT_EQ(done->rows, int(whole->rows.size())) << c.why;
        EXPECT_EQ(done->failed, whole->failed) << c.why;
        EXPECT_EQ(done->late, whole->late) << c.why;
        ASSERT_EQ(done->totals.size(), whole->totals.size()) << c.why;
        for (size_t i = 0; i < done->totals.size(); ++i)
            EXPECT_EQ(ListConversion::totalCells(done->totals[i], u','),
                      ListConversion::totalCells(whole->totals[i], u','))
                << c.why;
    });
}

} // namespace
