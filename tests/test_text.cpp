// Number and date text, the local currency rule, rate cells and typed settings.
#include "core/money/localcurrency.h"
#include "core/settings/appsettings.h"
#include "core/text/inputtext.h"
#include "core/text/numbertext.h"
#include "core/text/ratetext.h"
#include "tests/support/testenv.h"

#include <cfloat>
#include <cmath>
#include <functional>
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
    EXPECT_EQ(InputText::plainNumber(QStringLiteral("0,5")), 0.0);
    EXPECT_EQ(InputText::plainNumber(QStringLiteral("2,5")), 2.0);
    EXPECT_EQ(InputText::plainNumber(QStringLiteral("0.5")), 0.5);
    EXPECT_EQ(InputText::plainNumber(QStringLiteral("")), 0.0);
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

TEST(LocalCurrency, FollowsTheYearInViewAndThePickersMoment) {
    struct Case {
        const char* year;
        QDateTime picker;
        const char* name;
        const char* suffix;
    };
    const QDateTime any(QDate(2026, 3, 5), QTime(10, 0));
    const Case cases[] = {
        {"2004", QDateTime(QDate(2005, 8, 1), QTime(9, 0)), "LEI", ""},
        {"2005", QDateTime(QDate(2005, 6, 30), QTime(14, 0)), "LEI", ""},
        {"2005", QDateTime(QDate(2005, 7, 1), QTime(9, 30)), "LEI NOI", "RON"},
        {"2005", QDateTime(QDate(2005, 7, 1), QTime(0, 0)), "LEI", ""}, // midnight itself is still the old leu
        {"2006", QDateTime(QDate(2005, 6, 1), QTime(0, 0)), "LEI", ""},
        {"2006", QDateTime(QDate(2006, 2, 1), QTime(0, 0)), "LEI NOI", "RON"},
        {"2010", QDateTime(QDate(1999, 1, 1), QTime(0, 0)), "LEI NOI", "RON"},
        {"2007", any, "LEI NOI", "RON"},
        {"", any, "LEI", ""},
        {"1998", any, "LEI", ""},
    };
    for (const Case& c : cases) {
        const LocalCurrency lc = LocalCurrency::forYearTable(QString::fromLatin1(c.year), c.picker);
        EXPECT_EQ(lc.name, QString::fromLatin1(c.name)) << c.year << " " << c.picker.toString().toStdString();
        EXPECT_EQ(lc.suffix, QString::fromLatin1(c.suffix)) << c.year;
    }
    // A date alone: 1 July 2005 is the new leu's first day.
    EXPECT_EQ(LocalCurrency::on(QDate(2005, 6, 30)).name, QStringLiteral("LEI"));
    EXPECT_EQ(LocalCurrency::on(QDate(2005, 7, 1)).suffix, QStringLiteral("RON"));
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

// The typed choices are stored as the texts earlier versions wrote and read back
// from whatever text another version left.
TEST(AppSettings, TypedChoicesKeepTheStoredTexts) {
    clearSettings();
    EXPECT_EQ(AppSettings::vatRate(), QStringLiteral("24"));
    EXPECT_TRUE(AppSettings::panelShown(0) && AppSettings::panelShown(1) && AppSettings::panelShown(2));
    EXPECT_FALSE(AppSettings::mainCurrenciesOnly()); // "Toate Valutele" ticked on a first start
    struct Case {
        std::function<void()> set;
        const char* key;
        const char* stored;
    } const writes[] = {
        {[] { AppSettings::setPanelShown(1, false); }, "chk1", "0"},
        {[] { AppSettings::setPanelShown(1, true); }, "chk1", "1"},
        {[] { AppSettings::setMainCurrenciesOnly(true); }, "principale", "0"},
        {[] { AppSettings::setMainCurrenciesOnly(false); }, "principale", "1"},
        {[] { AppSettings::setVatRate(QStringLiteral("19")); }, "TVA", "19"},
    };
    for (const Case& c : writes) {
        c.set();
        EXPECT_EQ(storedSetting(QString::fromLatin1(c.key)), QString::fromLatin1(c.stored)) << c.key << c.stored;
    }
    storeSetting(QStringLiteral("principale"), QStringLiteral("abc"));
    EXPECT_TRUE(AppSettings::mainCurrenciesOnly());
    storeSetting(QStringLiteral("chk2"), QStringLiteral(" -1"));
    EXPECT_TRUE(AppSettings::panelShown(2));
    clearSettings();
}
