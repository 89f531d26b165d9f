// Conversion arithmetic, the leu of a date and the VAT line, without widgets.
#include "core/money/converter.h"
#include "core/money/localcurrency.h"
#include "core/money/vatcalculator.h"
#include "tests/support/testenv.h"

#include <QMap>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QString kLeiNoi = QStringLiteral("LEI NOI");

StoredDay rates() {
    return StoredDay{{"DATA", "EUR", "USD", "100HUF", "XYZ", "ZER"},
                     {QStringLiteral("2022-01-03"), 4.321, 4.0, 1.2655, QVariant(), 0.0}};
}

TEST(Converter, FourDirectionsWithSingleArithmeticAndHalvesToEven) {
    struct Case {
        const char* amount;
        const char* source;
        const char* target;
        double expected;
    } const cases[] = {
        {"0,125", "LEI NOI", "LEI NOI", 0.12}, // halves to even
        {"0,375", "LEI NOI", "LEI NOI", 0.38}, {"", "LEI NOI", "LEI NOI", 0.0},  {"abc", "EUR", "LEI NOI", 0.0},
        {"100", "EUR", "LEI NOI", 432.1},      {"1", "100HUF", "LEI NOI", 1.27}, // a block of 100 forint
        {"100", "LEI NOI", "USD", 25.0},       {"100", "USD", "EUR", 92.57},     {"-100", "EUR", "LEI NOI", -432.1},
        {"10", "ZER", "LEI NOI", 0.0}, // a zero source rate is still a rate
    };
    forEachRow(cases, [&](const Case& c) {
        const Converter::Request r{QString::fromLatin1(c.amount), QString::fromLatin1(c.source),
                                   QString::fromLatin1(c.target), kLeiNoi};
        const auto v = Converter::convert(r, rates());
        ASSERT_TRUE(v.ok()) << c.amount << " " << c.source << " " << v.error().toStdString();
        EXPECT_DOUBLE_EQ(*v, c.expected) << c.amount << " " << c.source << "->" << c.target;
    });
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
        {"hundredfold amount beyond single range", "1e37", "LEI NOI", "LEI NOI", true},
        {"amount beyond single range", "1e39", "LEI NOI", "LEI NOI", true},
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
    void type(int i, const char* t) {
        calc.gotFocus(i);
        setText(i, QString::fromLatin1(t));
    }
    QString box[6] = {"1", "0", "0", "0", "0", "24"};
    QString currency = kLeiNoi;
    QList<int> writes;
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
        {"whole, big value",
         "LEI",
         {{1, "150000"}, {5, "24"}},
         0,
         "100",
         {"100", "150000", "1,5E+07", "3600000", "1,86E+07", "24"}},
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
        {"product beyond single range", "LEI NOI", {{1, "1e38"}}, 0, "10", {"10", "1e38", "0", "0", "0", "24"}},
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
