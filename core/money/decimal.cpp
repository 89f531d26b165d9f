#include "core/money/decimal.h"

#include <algorithm>
#include <string>

namespace {

using Int = Decimal::Int;

// 10^n, for n up to 38 (the largest power an Int holds); nothing beyond.
std::optional<Int> power(int n) {
    if (n < 0 || n > 38) return std::nullopt;
    Int p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

std::optional<Int> mul(Int a, Int b) {
    Int r = 0;
    if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
    return r;
}

std::optional<Int> add(Int a, Int b) {
    Int r = 0;
    if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
    return r;
}

Int magnitude(Int v) {
    return v < 0 ? -v : v;
}

// n / d rounded to a whole number, a tie to the even neighbour; d is never 0.
Int divideHalfEven(Int n, Int d) {
    if (d < 0) {
        n = -n;
        d = -d;
    }
    Int q = n / d;
    const Int r = magnitude(n % d);
    // r compared with what is left of d, so that 2r cannot overflow.
    const Int rest = d - r;
    const bool up = r > rest || (r == rest && (q % 2 != 0));
    if (up) q += n < 0 ? -1 : 1;
    return q;
}

std::string digitsOf(Int v) {
    std::string s;
    Int m = magnitude(v);
    do {
        s.insert(s.begin(), char('0' + int(m % 10)));
        m /= 10;
    } while (m != 0);
    return s;
}

} // namespace

Decimal Decimal::whole(long long value) {
    return Decimal(Int(value), 0);
}

std::optional<Decimal> Decimal::of(Int units, int scale) {
    if (scale < 0) {
        const auto p = power(-scale);
        if (!p) return units == 0 ? std::optional<Decimal>(Decimal()) : std::nullopt;
        const auto u = mul(units, *p);
        if (!u) return std::nullopt;
        return Decimal(*u, 0);
    }
    const Decimal d = Decimal(units, scale).trimmed();
    if (d.m_scale > kMaxScale) return std::nullopt;
    return d;
}

Decimal Decimal::trimmed() const {
    Decimal d = *this;
    while (d.m_scale > 0 && d.m_units % 10 == 0) {
        d.m_units /= 10;
        --d.m_scale;
    }
    if (d.m_units == 0) d.m_scale = 0;
    return d;
}

namespace {

// Reads a number's text from left to right, a part at a time.
struct NumberReader {
    QStringView text;
    qsizetype i = 0;

    bool at(char16_t c) const { return i < text.size() && text[i] == c; }
    bool digit() const { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; }
    // A sign standing next, taken: whether it was "-".
    bool minus() {
        if (!at(u'+') && !at(u'-')) return false;
        return text[i++] == u'-';
    }
    std::string digits() {
        std::string out;
        while (digit())
            out += char(text[i++].unicode());
        return out;
    }
    // "e" and its digits; 0 without one, nothing for an "e" that no digit follows.
    std::optional<long> exponent() {
        if (!at(u'e') && !at(u'E')) return 0L;
        ++i;
        const bool negative = minus();
        if (!digit()) return std::nullopt;
        long e = 0;
        // Far past any range: kept from growing, judged by the caller.
        while (digit())
            e = std::min(e * 10 + (text[i++].unicode() - u'0'), 100000L);
        return negative ? -e : e;
    }
};

// The digits as one whole number; nothing past what an Int holds.
std::optional<Int> unitsOf(const std::string& digits) {
    Int units = 0;
    for (const char c : digits) {
        const auto shifted = mul(units, 10);
        const auto next = shifted ? add(*shifted, c - '0') : std::nullopt;
        if (!next) return std::nullopt;
        units = *next;
    }
    return units;
}

} // namespace

std::optional<Decimal> Decimal::fromText(QStringView text) {
    NumberReader in{text};
    const bool negative = in.minus();
    const std::string whole = in.digits();
    std::string fraction;
    if (in.at(u'.')) {
        ++in.i;
        fraction = in.digits();
    }
    if (whole.empty() && fraction.empty()) return std::nullopt;
    const auto exponent = in.exponent();
    if (!exponent || in.i != text.size()) return std::nullopt;
    // Trailing zeros of the fraction add nothing but size.
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    const auto units = unitsOf(whole + fraction);
    if (!units) return std::nullopt;
    if (*units == 0) return Decimal();
    const long scale = long(fraction.size()) - *exponent;
    if (scale < -38 || scale > 100000) return std::nullopt;
    return of(negative ? -*units : *units, int(scale));
}

std::optional<Decimal> Decimal::plus(const Decimal& other) const {
    const int scale = std::max(m_scale, other.m_scale);
    const auto pa = power(scale - m_scale), pb = power(scale - other.m_scale);
    if (!pa || !pb) return std::nullopt;
    const auto a = mul(m_units, *pa), b = mul(other.m_units, *pb);
    if (!a || !b) return std::nullopt;
    const auto sum = add(*a, *b);
    if (!sum) return std::nullopt;
    return Decimal(*sum, scale).trimmed();
}

std::optional<Decimal> Decimal::minus(const Decimal& other) const {
    return plus(other.negated());
}

std::optional<Decimal> Decimal::times(const Decimal& other) const {
    const auto u = mul(m_units, other.m_units);
    if (!u) return std::nullopt;
    return of(*u, m_scale + other.m_scale);
}

std::optional<Decimal> Decimal::dividedBy(const Decimal& divisor, int decimals) const {
    if (divisor.m_units == 0 || decimals < 0 || decimals > kMaxScale) return std::nullopt;
    // (a / 10^sa) / (b / 10^sb) x 10^d = a x 10^(sb + d - sa) / b
    const int shift = divisor.m_scale + decimals - m_scale;
    Int n = m_units, d = divisor.m_units;
    if (shift >= 0) {
        const auto p = power(shift);
        const auto scaled = p ? mul(n, *p) : std::nullopt;
        if (!scaled) return std::nullopt;
        n = *scaled;
    } else {
        const auto p = power(-shift);
        const auto scaled = p ? mul(d, *p) : std::nullopt;
        // A divisor beyond range makes the quotient round to nothing at this scale.
        if (!scaled) return Decimal();
        d = *scaled;
    }
    return Decimal(divideHalfEven(n, d), decimals).trimmed();
}

Decimal Decimal::rounded(int decimals) const {
    if (decimals < 0) decimals = 0;
    if (m_scale <= decimals) return *this;
    const auto p = power(m_scale - decimals);
    if (!p) return Decimal();
    return Decimal(divideHalfEven(m_units, *p), decimals).trimmed();
}

bool Decimal::isTieAt(int decimals) const {
    if (m_scale <= decimals) return false;
    const auto p = power(m_scale - decimals);
    if (!p) return false;
    return magnitude(m_units % *p) == *p / 2;
}

int Decimal::decimals() const {
    return trimmed().m_scale;
}

int Decimal::wholeDigits() const {
    const std::string digits = digitsOf(m_units);
    return std::max(0, int(digits.size()) - m_scale);
}

QString Decimal::toString(QChar point) const {
    const Decimal d = trimmed();
    std::string digits = digitsOf(d.m_units);
    if (int(digits.size()) <= d.m_scale) digits.insert(0, size_t(d.m_scale) + 1 - digits.size(), '0');
    QString text = QString::fromLatin1(digits.data(), qsizetype(digits.size()));
    if (d.m_scale > 0) text.insert(text.size() - d.m_scale, point);
    if (d.m_units < 0) text.prepend(u'-');
    return text;
}

QString Decimal::fixed(int decimals, QChar point) const {
    const Decimal r = rounded(decimals);
    QString text = r.toString(point);
    if (decimals <= 0) return text;
    const int have = r.decimals();
    if (have == 0) text += point;
    return text + QString(decimals - have, u'0');
}

int Decimal::compare(const Decimal& a, const Decimal& b) {
    if (const auto d = a.minus(b)) return d->sign();
    // Too far apart for a difference: the signs, else the whole parts, tell.
    if (a.sign() != b.sign()) return a.sign() < b.sign() ? -1 : 1;
    const Decimal wa = a.rounded(0), wb = b.rounded(0);
    return wa.m_units < wb.m_units ? -1 : wa.m_units > wb.m_units ? 1 : 0;
}
