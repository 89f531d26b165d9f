// Number and date text as users type and read it, and rate cells.
#include "core/text/inputtext.h"
#include "core/text/numbertext.h"
#include "core/text/ratetext.h"
#include "tests/support/testenv.h"

#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Each case: the value, and its text under Romanian and US English settings.
struct GeneralCase {
    double value;
    bool single;
    const char* ro;
    const char* en;
};

class GeneralText : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(GeneralText, WritesTheLocalesSeparatorAndDropsTrailingZeros) {
    const GeneralCase c = GetParam();
    for (const auto& [locale, expected] : {std::pair{"ro_RO", c.ro}, std::pair{"en_US", c.en}}) {
        LocaleScope scope(QString::fromLatin1(locale));
        const QString text = c.single ? NumberText::general(float(c.value)) : NumberText::general(c.value);
        EXPECT_EQ(text, QString::fromLatin1(expected)) << locale << " " << c.value;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneralText,
    ::testing::Values(GeneralCase{2.5, false, "2,5", "2.5"}, GeneralCase{432.1, false, "432,1", "432.1"},
                      GeneralCase{37.2, true, "37,2", "37.2"}, // a single shows no double noise
                      GeneralCase{12345678, true, "1,234568E+07", "1.234568E+07"},
                      GeneralCase{15000000, true, "1,5E+07", "1.5E+07"},
                      GeneralCase{1234567, true, "1234567", "1234567"}, GeneralCase{0.0001, false, "0,0001", "0.0001"},
                      GeneralCase{0.00001, false, "1E-05", "1E-05"}, GeneralCase{-2.5, false, "-2,5", "-2.5"},
                      GeneralCase{-0.0, false, "0", "0"},
                      GeneralCase{1234567.25, false, "1234567,25", "1234567.25"}, // no grouping
                      GeneralCase{33.33, false, "33,33", "33.33"}, GeneralCase{0.12, false, "0,12", "0.12"}));

// Whatever the locale, the program reads back what it wrote: ASCII digits and "-",
// only the decimal separator being the locale's.
TEST(GeneralText, ReadsBackUnderEveryLocale) {
    const double values[] = {-2.5, 33.33, 15000000, -0.00001, 1234.5, 0.12};
    for (const char* name : {"ro_RO", "en_US", "sv_SE", "ar_EG", "fa_IR", "de_CH", "hi_IN"}) {
        LocaleScope scope(QString::fromLatin1(name));
        for (double v : values) {
            const QString text = NumberText::general(float(v));
            for (QChar c : text)
                EXPECT_TRUE(c.unicode() < 128 || QString(c) == QLocale().decimalPoint())
                    << name << " " << text.toStdString();
            EXPECT_EQ(InputText::ParseNumber(text), float(v)) << name << " " << text.toStdString();
        }
    }
}

TEST(RoundHalfEven, SendsHalvesToTheEvenNeighbour) {
    const std::pair<double, double> cases[] = {{2.5, 2},   {3.5, 4},  {-2.5, -2}, {12.5, 12},
                                               {37.5, 38}, {0.49, 0}, {-0.5, -0}};
    for (auto [in, out] : cases)
        EXPECT_EQ(NumberText::roundHalfEven(in), out) << in;
}

TEST(ParseNumber, ReadsTheLeadingNumberWithCommaAsPoint) {
    struct Case {
        const char* text;
        float expected;
    } const cases[] = {
        // Both separators: the last is the decimal one, the other groups thousands; one alone is decimal.
        {"1.234,56", 1234.56f},
        {"1,234.56", 1234.56f},
        {"1.234.567,8", 1234567.8f},
        {"1.234", 1.234f},
        {"7,5", 7.5f},
        {"-3,5", -3.5f},
        {"12abc", 12.f},
        {"1 000", 1000.f},
        {"", 0.f},
        {"abc", 0.f},
        {"0,1", 0.1f},
        {"+4", 4.f},
        {".5", 0.5f},
        {"1e3", 1000.f},
        {"2E-2", 0.02f},
        {"12e", 12.f},
        {"12e+", 12.f},
        {" \t\n8", 8.f},
        {"- 3", -3.f},
        {"1,2,3", 1.2f},
        {"5.", 5.f},
        {"1\t2", 12.f},
        {"-", 0.f},
        {"1e-400", 0.f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InputText::ParseNumber(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(ParseNumber, BeyondTheSingleRangeGivesAnInfinityNotAWrongNumber) {
    EXPECT_TRUE(std::isinf(InputText::ParseNumber(QStringLiteral("1e39"))));
    EXPECT_TRUE(std::isinf(InputText::ParseNumber(QStringLiteral("-1e400"))));
    EXPECT_EQ(InputText::ParseNumber(QStringLiteral("3e38")), 3e38f);
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
