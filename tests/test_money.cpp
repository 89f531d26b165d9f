// Conversion arithmetic, the leu of a date and the VAT line, without widgets.
#include "core/money/converter.h"
#include "core/money/localcurrency.h"
#include "core/money/ratebook.h"
#include "core/money/vatcalculator.h"
#include "core/money/vatrates.h"
#include "tests/support/testenv.h"

#include <QMap>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QString kLeiNoi = QStringLiteral("LEI NOI");

StoredDay rates() {
    return StoredDay{{"DATA", "EUR", "USD", "100HUF", "XYZ", "ZER", "ZZZ"},
                     {QStringLiteral("2022-01-03"), 4.321, 4.0, 1.2655, QVariant(), 0.0, 0.0001}};
}

StoredDay bankDay() {
    return StoredDay{{"DATA", "EUR", "USD", "100HUF", "100JPY"},
                     {QStringLiteral("2023-01-02"), 4.9412, 4.5, 1.2354, 3.5797}};
}

// Expected figures worked out apart from the program, in exact decimals: the typed
// amount times the bank's rates, rounded once to the ban, a half ban to the even one.
TEST(Converter, FourDirectionsExactToTheBan) {
    struct Case {
        const char* amount;
        const char* source;
        const char* target;
        const char* expected;
        bool bank; // the rates of bankDay(); else those of rates()
    } const cases[] = {
        {"0,125", "LEI NOI", "LEI NOI", "0.12", false}, // halves to even
        {"0,375", "LEI NOI", "LEI NOI", "0.38", false},
        {"", "LEI NOI", "LEI NOI", "0", false},
        {"abc", "EUR", "LEI NOI", "0", false},
        {"100", "EUR", "LEI NOI", "432.1", false},
        {"1", "100HUF", "LEI NOI", "1.27", false}, // a block of 100 forint
        {"100", "LEI NOI", "USD", "25", false},
        {"100", "USD", "EUR", "92.57", false},
        {"-100", "EUR", "LEI NOI", "-432.1", false},
        {"10", "ZER", "LEI NOI", "0", false}, // a zero source rate is still a rate
        {"100", "LEI NOI", "EUR", "23.14", false},
        // Past what single precision holds: every ban.
        {"5753,51", "EUR", "LEI NOI", "28429.24", true},
        {"500000", "EUR", "LEI NOI", "2470600", true},
        {"1234567,89", "EUR", "LEI NOI", "6100246.86", true},
        {"1000000000000", "EUR", "LEI NOI", "4941200000000", true},
        {"999999999999", "EUR", "USD", "1098044444443.35", true},
        {"16777217", "LEI NOI", "LEI NOI", "16777217", true},
        // "100HUF" is the bank's block of a hundred; "HUF" one forint.
        {"2500", "100HUF", "LEI NOI", "3088.5", true},
        {"2500", "HUF", "LEI NOI", "30.88", true}, // 30,885: the even ban
        {"1000", "100JPY", "LEI NOI", "3579.7", true},
        {"44273,75", "EUR", "LEI NOI", "218765.45", true},
        {"3088,5", "LEI NOI", "100HUF", "2500", true},
    };
    forEachRow(cases, [&](const Case& c) {
        const Converter::Request r{QString::fromLatin1(c.amount), QString::fromLatin1(c.source),
                                   QString::fromLatin1(c.target), kLeiNoi};
        const auto v = Converter::convert(r, c.bank ? bankDay() : rates());
        ASSERT_TRUE(v.ok()) << c.amount << " " << c.source << " " << v.error().toStdString();
        EXPECT_EQ(v->value.toString(), QString::fromLatin1(c.expected))
            << c.amount << " " << c.source << "->" << c.target;
    });
}

TEST(Converter, DocumentLineReadsAsArithmeticThatHolds) {
    const RateBook::Day day{QDate(2023, 1, 2), bankDay(), LocalCurrency::newLeu(), QDate(2023, 1, 2)};
    RateBook::Day late = day;
    late.expected = QDate(2023, 1, 5);
    struct Case {
        const char* amount;
        const char* source;
        const char* target;
        const RateBook::Day* day;
        const char* line;
    } const cases[] = {
        {"500000", "EUR", "LEI NOI", &day, "2470600,00 LEI NOI (500000 EUR x 4,9412, curs BNR din 02.01.2023)"},
        {"2500", "100HUF", "LEI NOI", &day, "3088,50 LEI NOI (2500 x 100 HUF x 1,2354, curs BNR din 02.01.2023)"},
        {"2500", "HUF", "LEI NOI", &day, "30,88 LEI NOI (2500 HUF x 0,012354, curs BNR din 02.01.2023)"},
        {"100", "LEI NOI", "100HUF", &day, "80,95 x 100 HUF (100 LEI NOI / 1,2354, curs BNR din 02.01.2023)"},
        {"100", "USD", "EUR", &day, "91,07 EUR (100 USD x 4,5000 / 4,9412, curs BNR din 02.01.2023)"},
        {"0,125", "LEI NOI", "LEI NOI", &day, "0,12 LEI NOI"},
        {"100", "EUR", "LEI NOI", &late,
         "494,12 LEI NOI (100 EUR x 4,9412, curs BNR din 02.01.2023; lipseste cursul din 05.01.2023)"},
    };
    forEachRow(cases, [](const Case& c) {
        const Converter::Request r{QString::fromLatin1(c.amount), QString::fromLatin1(c.source),
                                   QString::fromLatin1(c.target), kLeiNoi};
        const auto v = Converter::convert(r, c.day->row);
        ASSERT_TRUE(v.ok()) << c.amount;
        EXPECT_EQ(Converter::documentLine(*v, *c.day, kLeiNoi, u','), QString::fromUtf8(c.line));
    });
    const auto v = Converter::convert({QStringLiteral("1"), QStringLiteral("EUR"), kLeiNoi, kLeiNoi}, day.row);
    EXPECT_EQ(Converter::ratesUsed(*v, late, u','),
              QStringLiteral("Curs BNR din 02.01.2023: 1 EUR = 4,9412 LEI NOI; lipseste cursul din 05.01.2023"));
}

TEST(Converter, UnknownRatesFailInsteadOfShowingNonsense) {
    struct Case {
        const char* why;
        const char* amount;
        const char* source;
        const char* target;
        bool withRow;
    } const cases[] = {
        {"no column for the source", "1", "GBP", "LEI NOI", true},
        {"empty source rate", "1", "XYZ", "LEI NOI", true},
        {"no column for the target", "1", "LEI NOI", "GBP", true},
        {"empty target rate, foreign source", "1", "EUR", "XYZ", true},
        {"zero target rate", "1", "LEI NOI", "ZER", true},
        {"zero target rate, foreign source", "1", "EUR", "ZER", true},
        {"no stored day and a rate is needed", "1", "EUR", "LEI NOI", false},
        {"amount beyond what an amount holds", "1e15", "LEI NOI", "LEI NOI", true},
        {"amount far beyond", "1e39", "LEI NOI", "LEI NOI", true},
        {"a result beyond what a box reads back", "999999999999999", "LEI NOI", "ZZZ", true},
    };
    for (const Case& c : cases) {
        const Converter::Request r{QString::fromLatin1(c.amount), QString::fromLatin1(c.source),
                                   QString::fromLatin1(c.target), kLeiNoi};
        EXPECT_FALSE(Converter::convert(r, c.withRow ? std::optional<StoredDay>(rates()) : std::nullopt).ok()) << c.why;
    }
    // Local to local needs no stored day.
    EXPECT_TRUE(Converter::convert({QStringLiteral("5"), kLeiNoi, kLeiNoi, kLeiNoi}, std::nullopt).ok());
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

// Six text boxes that raise the change handler on every write, like the real ones.
class FakeBoxes : public VatBoxes {
public:
    FakeBoxes() : calc(*this) {}
    QString text(int i) const override { return box[i]; }
    void setText(int i, const QString& t) override {
        if (box[i] == t) return;
        box[i] = t;
        writes << i;
        calc.change(i, currency);
    }
    void set(std::initializer_list<std::pair<int, const char*>> values) {
        for (auto [i, t] : values)
            box[i] = QString::fromLatin1(t);
    }
    void refused(const QString& why) override { refusals << why; }
    void type(int i, const char* t) {
        calc.gotFocus(i);
        setText(i, QString::fromLatin1(t));
    }
    QString box[6] = {"1", "0", "0", "0", "0", "24"};
    QString currency = kLeiNoi;
    QList<int> writes;
    QStringList refusals;
    VatCalculator calc;
};

struct VatCase {
    const char* why;
    const char* currency;
    std::vector<std::pair<int, const char*>> start;
    int typedBox;
    const char* typed;
    const char* expected[6]; // Romanian texts; nullptr: not checked
};

class VatLine : public ::testing::TestWithParam<const char*> {};

TEST_P(VatLine, BoxesFollowTheTypedOne) {
    LocaleScope locale(QString::fromLatin1(GetParam()));
    const bool ro = QLocale().decimalPoint() == u",";
    const VatCase cases[] = {
        {"cents, quantity typed", "LEI NOI", {{1, "10"}, {5, "24"}}, 0, "3", {"3", "10", "30", "7,2", "37,2", "24"}},
        {"cents, ties to even",
         "LEI NOI",
         {{0, "5"}, {1, "1,25"}, {5, "10"}},
         0,
         "1",
         {"1", "1,25", "1,25", "0,12", "1,37", "10"}},
        {"cents, value typed", "LEI NOI", {{0, "3"}, {5, "24"}}, 2, "100", {"3", "33,33", "100", "24", "124", "24"}},
        {"cents, VAT typed", "LEI NOI", {{0, "2"}, {5, "20"}}, 3, "40", {"2", "100", "200", "40", "240", "20"}},
        {"whole, total typed", "LEI", {{0, "1"}, {5, "19"}}, 4, "1190", {"1", "1000", "1000", "190", "1190", "19"}},
        {"whole, value typed", "LEI", {{0, "3"}, {5, "24"}}, 2, "100", {"3", "33", "100", "24", "124", "24"}},
        {"whole, big value, no exponent",
         "LEI",
         {{1, "150000"}, {5, "24"}},
         0,
         "100",
         {"100", "150000", "15000000", "3600000", "18600000", "24"}},
        {"cents, total typed, no float tail",
         "LEI NOI",
         {{0, "3"}, {5, "21"}},
         4,
         "121",
         {"3", "33,33", "99,99", "21", "121", "21"}},
        {"cents, the converter's figure to the ban",
         "LEI NOI",
         {{5, "24"}},
         1,
         "2470599,84",
         {"1", "2470599,84", "2470599,84", "592943,96", "3063543,8", "24"}},
        {"cents, a trillion",
         "LEI NOI",
         {{0, "2"}, {1, "1000000000000"}, {5, "21"}},
         0,
         "1",
         {"1", "1000000000000", "1000000000000", "210000000000", "1210000000000", "21"}},
        {"no currency, nothing moves", "", {{1, "10"}}, 0, "3", {"3", "10", "0", "0", "0", "24"}},
        {"quantity 0, nothing moves", "LEI NOI", {{0, "0"}}, 1, "10", {"0", "10", "0", "0", "0", "24"}},
        {"zero quantity in back-calculation",
         "LEI NOI",
         {{0, "0"}, {1, "7"}},
         2,
         "100",
         {"0", "7", "100", "0", "0", "24"}},
        {"zero rate, VAT typed", "LEI NOI", {{1, "7"}, {5, "0"}}, 3, "5", {"1", "7", "0", "5", "0", "0"}},
        {"rate -100, total typed", "LEI NOI", {{1, "7"}, {5, "-100"}}, 4, "5", {"1", "7", "0", "0", "5", "-100"}},
        {"a price beyond what the boxes hold", "LEI NOI", {{1, "1e38"}}, 0, "10", {"10", "1e38", "", "", "", "24"}},
        {"a product beyond what the boxes hold",
         "LEI NOI",
         {{1, "100000000000000"}},
         0,
         "100",
         {"100", "100000000000000", "", "", "", "24"}},
    };
    for (const VatCase& c : cases) {
        FakeBoxes b;
        b.currency = QString::fromLatin1(c.currency);
        for (auto [i, t] : c.start)
            b.box[i] = QString::fromLatin1(t);
        b.type(c.typedBox, c.typed);
        for (int i = 0; i < 6; ++i) {
            if (!c.expected[i]) continue;
            QString expected = QString::fromLatin1(c.expected[i]);
            // Boxes the calculator wrote use the locale's separator; the rest stay as typed.
            if (!ro && i != c.typedBox && b.writes.contains(i)) expected.replace(u',', u'.');
            EXPECT_EQ(b.box[i], expected) << c.why << " box " << i << " " << GetParam();
        }
        EXPECT_FALSE(b.calc.VatBusy) << c.why;
        // An empty box is always said: the figure is beyond what the line holds.
        const bool emptied =
            std::any_of(std::begin(b.box), std::end(b.box), [](const QString& t) { return t.isEmpty(); });
        EXPECT_EQ(!b.refusals.isEmpty(), emptied) << c.why;
        for (const QString& t : b.box)
            EXPECT_FALSE(t.contains(QStringLiteral("inf")) || t.contains(QStringLiteral("nan"))) << c.why;
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, VatLine, ::testing::Values("ro_RO", "en_US"));

TEST(VatCalculator, FocusOnUnitPriceBlocksBackCalculation) {
    FakeBoxes b;
    b.set({{0, "3"}, {1, "10"}});
    b.calc.gotFocus(1);
    b.setText(2, QStringLiteral("100"));
    EXPECT_EQ(b.box[1], QStringLiteral("10"));
    EXPECT_EQ(b.writes, QList<int>{2});
}

TEST(VatCalculator, AWriteIntoTheUnitPriceRecomputesAllThreeDerivedBoxes) {
    FakeBoxes b;
    b.set({{0, "2"}, {2, "5"}, {3, "5"}, {4, "5"}});
    b.calc.gotFocus(3);
    // The converter resets the focus index before it writes its result.
    b.calc.VatFocusIndex = 0;
    b.setText(1, QStringLiteral("50"));
    EXPECT_EQ(b.box[2], QStringLiteral("100"));
    EXPECT_EQ(b.box[3], QStringLiteral("24"));
    EXPECT_EQ(b.box[4], QStringLiteral("124"));
}

TEST(VatRates, TheStandardRateInForceOnADay) {
    const std::pair<QDate, const char*> cases[] = {
        {QDate(2005, 7, 1), "19"},   {QDate(2010, 6, 30), "19"}, {QDate(2010, 7, 1), "24"},
        {QDate(2015, 12, 31), "24"}, {QDate(2016, 1, 1), "20"},  {QDate(2017, 1, 1), "19"},
        {QDate(2025, 7, 31), "19"},  {QDate(2025, 8, 1), "21"},  {QDate(2026, 12, 9), "21"},
    };
    for (const auto& [day, rate] : cases)
        EXPECT_EQ(VatRates::standardOn(day), QString::fromLatin1(rate)) << day.toString(Qt::ISODate).toStdString();
}

TEST(VatCalculator, LeavingQuantityOrRateBoxes) {
    const std::pair<const char*, const char*> quantity[] = {
        {"0,5", "1"}, {"2,5", "2,5"}, {"0.5", "0.5"}, {"", "1"}, {"x", "1"}};
    for (auto [in, out] : quantity)
        EXPECT_EQ(VatCalculator::quantityAfterEdit(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
    const std::pair<const char*, const char*> rate[] = {
        {"", "19"}, {"0", "19"}, {"0,9", "19"}, {"9", "9"}, {"24", "24"}};
    for (auto [in, out] : rate)
        EXPECT_EQ(VatCalculator::rateAfterEdit(QString::fromLatin1(in), QStringLiteral("19")), QString::fromLatin1(out))
            << in;
}

} // namespace
