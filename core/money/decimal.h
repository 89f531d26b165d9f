#pragma once

#include <QChar>
#include <QString>
#include <QStringView>
#include <optional>

// An exact decimal number: a whole number of units of 10^-scale. Money and rates
// are what the user typed and what the bank wrote, so every figure between them
// is worked out in decimal and rounded once, where a bookkeeper rounds it.
// Every operation that could leave the range says so instead of wrapping.
class Decimal {
public:
    using Int = __int128;
    // The largest scale kept; products of two numbers of this scale still fit.
    static constexpr int kMaxScale = 30;

    constexpr Decimal() = default;
    static Decimal whole(long long value);
    // units x 10^-scale; nothing when the scale is out of range.
    static std::optional<Decimal> of(Int units, int scale);
    // Plain decimal text as a program writes it: an optional sign, digits with at
    // most one point, an optional exponent ("-12.5", ".5", "2e3"); nothing for any other text.
    static std::optional<Decimal> fromText(QStringView text);

    std::optional<Decimal> plus(const Decimal& other) const;
    std::optional<Decimal> minus(const Decimal& other) const;
    std::optional<Decimal> times(const Decimal& other) const;
    // The exact quotient rounded to `decimals` places, a tie going to the even
    // neighbour; nothing for a zero divisor or a result out of range.
    std::optional<Decimal> dividedBy(const Decimal& divisor, int decimals) const;
    // Rounded to `decimals` places, ties to the even neighbour.
    Decimal rounded(int decimals) const;
    // Whether the value lies exactly halfway between two neighbours of that many places.
    bool isTieAt(int decimals) const;

    int sign() const { return m_units > 0 ? 1 : m_units < 0 ? -1 : 0; }
    bool isZero() const { return m_units == 0; }
    Decimal abs() const { return m_units < 0 ? Decimal(-m_units, m_scale) : *this; }
    Decimal negated() const { return Decimal(-m_units, m_scale); }
    // Places after the point once trailing zeros are dropped.
    int decimals() const;
    // Digits before the point (0 for a value below one).
    int wholeDigits() const;

    // Trailing zeros dropped, no exponent, "-" for a negative value: "2470600", "99,99".
    QString toString(QChar point = u'.') const;
    // Exactly that many places, rounded half to even: "4,9490".
    QString fixed(int decimals, QChar point = u'.') const;

    friend bool operator==(const Decimal& a, const Decimal& b) { return compare(a, b) == 0; }
    friend bool operator!=(const Decimal& a, const Decimal& b) { return compare(a, b) != 0; }
    friend bool operator<(const Decimal& a, const Decimal& b) { return compare(a, b) < 0; }
    friend bool operator>(const Decimal& a, const Decimal& b) { return compare(a, b) > 0; }
    friend bool operator<=(const Decimal& a, const Decimal& b) { return compare(a, b) <= 0; }
    friend bool operator>=(const Decimal& a, const Decimal& b) { return compare(a, b) >= 0; }
    static int compare(const Decimal& a, const Decimal& b);

private:
    constexpr Decimal(Int units, int scale) : m_units(units), m_scale(scale) {}
    Decimal trimmed() const;

    Int m_units = 0;
    int m_scale = 0;
};
