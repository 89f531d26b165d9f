// Number and date text as users type and read it, and rate cells.
#include "core/store/ratedb.h"
#include "core/text/daytext.h"
#include "core/text/inputtext.h"
#include "core/text/numbertext.h"
#include "core/text/ratetext.h"
#include "tests/support/testenv.h"

#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>

namespace {

Decimal dec(const char* text) {
    return *Decimal::fromText(QString::fromLatin1(text));
}

// The text of an exact value, under Romanian and US English settings: every digit, never an exponent.
TEST(GeneralText, WritesTheLocalesSeparatorEveryDigitAndNoExponent) {
    struct Case {
        const char* value;
        const char* ro;
        const char* en;
    } const cases[] = {
        {"2.5", "2,5", "2.5"},
        {"432.10", "432,1", "432.1"}, // trailing zeros dropped
        {"15000000", "15000000", "15000000"},
        {"12345678", "12345678", "12345678"},
        {"0.00001", "0,00001", "0.00001"},
        {"-2.5", "-2,5", "-2.5"},
        {"-0", "0", "0"},
        {"1234567.25", "1234567,25", "1234567.25"}, // no grouping
        {"99.99", "99,99", "99.99"},
        {"999999999999999.99", "999999999999999,99", "999999999999999.99"},
    };
    forEachRow(cases, [](const Case& c) {
        for (const auto& [locale, expected] : {std::pair{"ro_RO", c.ro}, std::pair{"en_US", c.en}}) {
            LocaleScope scope(QString::fromLatin1(locale));
            EXPECT_EQ(NumberText::general(dec(c.value)), QString::fromLatin1(expected)) << locale << " " << c.value;
        }
    });
}

// Whatever the locale, the program reads back what it wrote: ASCII digits and "-",
// only the decimal separator being the locale's.
TEST(GeneralText, ReadsBackUnderEveryLocale) {
    const char* values[] = {"-2.5", "33.33", "15000000", "-0.00001", "1234.5", "0.12", "2470600", "6100246.86"};
    for (const char* name : {"ro_RO", "en_US", "sv_SE", "ar_EG", "fa_IR", "de_CH", "hi_IN"}) {
        LocaleScope scope(QString::fromLatin1(name));
        for (const char* v : values) {
            const QString text = NumberText::general(dec(v));
            for (QChar c : text)
                EXPECT_TRUE(c.unicode() < 128 || QString(c) == QLocale().decimalPoint())
                    << name << " " << text.toStdString();
            EXPECT_EQ(InputText::ParseNumber(text), dec(v)) << name << " " << text.toStdString();
        }
    }
}

TEST(ParseNumber, ReadsTheLeadingNumberWithCommaAsPointEveryDigitKept) {
    struct Case {
        const char* text;
        const char* expected; // nullptr: refused, beyond what an amount holds or its groups out of place
    } const cases[] = {
        // Both separators: the last is the decimal one, the other groups thousands; one alone is decimal.
        {"1.234,56", "1234.56"},
        {"1,234.56", "1234.56"},
        {"1.234.567,8", "1234567.8"},
        {"1.234", "1.234"},
        {"7,5", "7.5"},
        {"-3,5", "-3.5"},
        {"12abc", "12"},
        {"1 000", "1000"},
        {"", "0"},
        {"abc", "0"},
        {"0,1", "0.1"}, // exactly a tenth
        {"+4", "4"},
        {".5", "0.5"},
        {"1e3", "1000"},
        {"2E-2", "0.02"},
        {"12e", "12"},
        {"12e+", "12"},
        {" \t\n8", "8"},
        {"- 3", "-3"},
        // One separator more than once groups thousands, where groups of three put it; elsewhere it is refused.
        {"1.234.567", "1234567"},
        {"1,234,567", "1234567"},
        {"-1.234.567", "-1234567"},
        {"1.234.567 lei", "1234567"},
        {"12.345.678,9", "12345678.9"},
        {"1,2,3", nullptr},
        {"1.23.456", nullptr},
        {"1.234.5678", nullptr},
        {"1.2.", nullptr},
        // On the way to "1.234.567" every keystroke reads, as its digits so far.
        {"1.234.", "1234"},
        {"1.234.5", "12345"},
        {"1.234.56", "123456"},
        {"5.", "5"},
        {"1\t2", "12"},
        {"-", "0"},
        // Past a single's 24 bits, every digit stays.
        {"16777217", "16777217"},
        {"1234567,89", "1234567.89"},
        {"999999999999999,99", "999999999999999.99"},
        {"0,000000000000000001", "0.000000000000000001"},
        {"1000000000000000", nullptr},
        {"1e39", nullptr},
        {"-1e400", nullptr},
        {"0,0000000000000000001", nullptr},
        {"1e-400", nullptr},
    };
    forEachRow(cases, [](const Case& c) {
        const auto v = InputText::ParseNumber(QString::fromLatin1(c.text));
        if (!c.expected)
            EXPECT_FALSE(v.has_value()) << c.text;
        else
            EXPECT_EQ(v, std::optional<Decimal>(dec(c.expected))) << c.text;
    });
}

// The arithmetic money goes through: exact, rounded once, ties to the even neighbour, and
// refusing rather than wrapping where a figure leaves the range.
TEST(Decimal, ExactArithmeticRoundedOnce) {
    struct Case {
        const char* why;
        const char* a;
        char op; // * product, / quotient to `places`, r rounded to `places`, s stored double read back
        const char* b;
        int places;
        const char* expected; // nullptr: refused
    } const cases[] = {
        {"a product keeps every digit", "5753.51", '*', "4.9476", 0, "28466.066076"},
        {"a tie to the even ban", "220129.085", 'r', "", 2, "220129.08"},
        {"a tie to the even ban, upwards", "0.375", 'r', "", 2, "0.38"},
        {"a negative tie", "-2.5", 'r', "", 0, "-2"},
        {"above the half", "0.1251", 'r', "", 2, "0.13"},
        {"a quotient that does not end", "100", '/', "3", 2, "33.33"},
        {"a quotient's tie", "1", '/', "8", 2, "0.12"},
        {"a negative quotient", "-100", '/', "3", 2, "-33.33"},
        {"by zero", "1", '/', "0", 2, nullptr},
        {"beyond the range", "100000000000000000000", '*', "10000000000000000000", 0, nullptr},
        {"a stored rate", "4.949", 's', "", 0, "4.949"},
        {"a rate once kept in single precision", "4.9264002", 's', "", 0, "4.9264"},
        {"old lei", "36520", 's', "", 0, "36520"},
    };
    forEachRow(cases, [](const Case& c) {
        const Decimal a = dec(c.a);
        std::optional<Decimal> v;
        switch (c.op) {
        case '*':
            v = a.times(dec(c.b));
            break;
        case '/':
            v = a.dividedBy(dec(c.b), c.places);
            break;
        case 'r':
            v = a.rounded(c.places);
            break;
        default:
            v = storedDecimal(c.a == std::string("4.9264002") ? double(4.9264f) : a.toString().toDouble());
        }
        if (!c.expected)
            EXPECT_FALSE(v.has_value()) << c.why;
        else
            EXPECT_EQ(v.value_or(Decimal::whole(-999)).toString(), QString::fromLatin1(c.expected)) << c.why;
    });
    EXPECT_TRUE(dec("220129.085").isTieAt(2));
    EXPECT_FALSE(dec("220129.0851").isTieAt(2));
    EXPECT_EQ(dec("4.9").fixed(4, u','), QStringLiteral("4,9000"));
    EXPECT_EQ(dec("2470600").fixed(2, u','), QStringLiteral("2470600,00"));
}

TEST(DayText, DatesTypedAsRomaniansWriteThem) {
    const std::pair<const char*, QDate> cases[] = {
        {"15.06.2023", QDate(2023, 6, 15)},
        {"3.1.2023", QDate(2023, 1, 3)},
        {"3/1/2023", QDate(2023, 1, 3)},
        {"2023-01-03", QDate(2023, 1, 3)},
        {"2023/06/15", QDate(2023, 6, 15)},
        {" 1-2-2024 ", QDate(2024, 2, 1)},
        {"2023/02/30", QDate()},
        {"30.02.2023", QDate()},
        {"15.06.23", QDate()},
        {"2023/06-15", QDate()},
        {"", QDate()},
        {"abc", QDate()},
    };
    for (const auto& [text, expected] : cases) {
        const auto d = DayText::typed(QString::fromLatin1(text));
        EXPECT_EQ(d.ok() ? *d : QDate(), expected) << text;
    }
    EXPECT_EQ(DayText::typed(QStringLiteral("2023/02/30")).error(), QStringLiteral("Data 2023/02/30 nu exista."));
}

TEST(PlainNumber, StopsAtTheComma) {
    EXPECT_EQ(InputText::leadingDotNumber(QStringLiteral("0,5")), 0.0);
    EXPECT_EQ(InputText::leadingDotNumber(QStringLiteral("2,5")), 2.0);
    EXPECT_EQ(InputText::leadingDotNumber(QStringLiteral("0.5")), 0.5);
    EXPECT_EQ(InputText::leadingDotNumber(QStringLiteral("")), 0.0);
}

TEST(SettingNumber, ReadsTheLeadingNumberAsASmallWholeNumber) {
    const std::pair<const char*, int> cases[] = {{"1", 1},   {"0", 0},   {"", 0},          {"abc", 0},
                                                 {" 1", 1},  {"2", 2},   {"1x", 1},        {"-1", -1},
                                                 {"1.5", 2}, {"2.5", 2}, {"99999", 32767}, {"-99999", -32768}};
    for (auto [text, n] : cases)
        EXPECT_EQ(InputText::settingNumber(QString::fromLatin1(text)), n) << text;
}

TEST(YMD, WritesYearMonthDayFromIsoAndLocaleText) {
    LocaleScope ro(QStringLiteral("ro_RO"));
    const std::pair<const char*, const char*> cases[] = {
        {"2010-03-05", "2010/03/05"},          {"1999-12-15", "1999/12/15"}, {"2005-07-01T00:00:00.000", "2005/07/01"},
        {"2005-07-01 14:30:00", "2005/07/01"}, {"01.07.2005", "2005/07/01"}, {"01.07.2005 09:30", "2005/07/01"},
    };
    for (auto [in, out] : cases)
        EXPECT_EQ(InputText::YMD(QString::fromLatin1(in)).value_or(QStringLiteral("none")), QString::fromLatin1(out))
            << in;
    for (const char* bad : {"", "not a date", "2010-02-30", "32.01.2010"})
        EXPECT_FALSE(InputText::YMD(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(YMD, ReadsTheUsShortDate) {
    LocaleScope en(QStringLiteral("en_US"));
    EXPECT_EQ(InputText::YMD(QLocale().toString(QDate(2005, 7, 1), QLocale::ShortFormat)).value_or(QString()).mid(4),
              QStringLiteral("/07/01"));
    EXPECT_EQ(InputText::YMD(QDate(987, 1, 2)), QStringLiteral("987/01/02"));
    // Two-digit years read in the window 1930-2029.
    const std::pair<const char*, const char*> years[] = {
        {"7/1/05", "2005/07/01"}, {"1/31/29", "2029/01/31"}, {"1/31/30", "1930/01/31"}, {"12/31/99", "1999/12/31"}};
    for (auto [in, out] : years)
        EXPECT_EQ(InputText::YMD(QString::fromLatin1(in)).value_or(QString()), QString::fromLatin1(out)) << in;
}

TEST(FormatRateText, CommaForDecimalsDotBeforeTheLastThreeOldLeuDigits) {
    const std::pair<const char*, const char*> cases[] = {
        {"4.5123", "4,5123"},    {"4,5123", "4,5123"}, {"41234", "41.234"},      {"1234", "1.234"},
        {"1234567", "1234.567"}, {"123", "123"},       {"12345678", "12345678"}, {"", ""},
        {"1.2.3", "1,2,3"},
    };
    for (auto [in, out] : cases)
        EXPECT_EQ(FormatRateText(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

} // namespace
