#include "core/text/inputtext.h"

#include "core/money/decimal.h"

#include <QLocale>
#include <QRegularExpression>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace InputText {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

// Reads a number's characters, skipping blanks wherever they stand.
struct BlankSkipper {
    const QString& text;
    qsizetype i = 0;

    // The next character that is not a blank; a null character at the end.
    QChar next() {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        return i < text.size() ? text[i] : QChar();
    }
    // The sign standing next, taken; 0 when there is none.
    char sign() {
        const QChar c = next();
        if (c != u'+' && c != u'-') return 0;
        ++i;
        return char(c.unicode());
    }
    // Appends the digits standing next (and one point, where allowed); how many digits came.
    int digitsInto(std::string& out, bool pointAllowed) {
        int count = 0;
        for (QChar c = next();; c = next()) {
            if (c >= u'0' && c <= u'9') {
                out += char(c.unicode());
                ++count;
            } else if (c == u'.' && pointAllowed) {
                out += '.';
                pointAllowed = false;
            } else {
                return count;
            }
            ++i;
        }
    }
};

double fromDigits(const std::string& digits) {
    double value = 0.0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Either far too large or far too small: tell them apart by the exponent sign.
        const bool tiny = digits.find("e-") != std::string::npos;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return value;
}

// The characters of the text's leading number, blanks skipped wherever they stand:
// "-1234.5e3"; empty when the text does not begin with a number.
std::string leadingNumberText(const QString& text) {
    BlankSkipper in{text};
    std::string digits;
    if (in.sign() == '-') digits += '-';
    if (in.digitsInto(digits, true) == 0) return {};
    // An exponent counts only when digits follow the letter.
    if (const QChar e = in.next(); e == u'e' || e == u'E') {
        const qsizetype letter = in.i++;
        std::string exponent = "e";
        if (const char sign = in.sign()) exponent += sign;
        if (in.digitsInto(exponent, false) > 0)
            digits += exponent;
        else
            in.i = letter;
    }
    return digits;
}

double leadingNumber(const QString& text) {
    const std::string digits = leadingNumberText(text);
    return digits.empty() ? 0.0 : fromDigits(digits);
}

// A number within what an amount may be: below 10^15, at most 18 places.
std::optional<Decimal> bounded(const std::string& digits) {
    if (digits.empty()) return Decimal();
    const auto d = Decimal::fromText(QString::fromLatin1(digits.data(), qsizetype(digits.size())));
    if (!d || d->wholeDigits() > kMaxWholeDigits || d->decimals() > kMaxDecimals) return std::nullopt;
    return d;
}

std::optional<QDate> isoDate(const QString& text) {
    static const QRegularExpression iso(QStringLiteral(R"(^\s*(\d{4})-(\d{2})-(\d{2})(?:[T ][0-9:.]*)?\s*$)"));
    const auto m = iso.match(text);
    if (!m.hasMatch()) return std::nullopt;
    QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid()) return std::nullopt;
    return d;
}

std::optional<QDate> localeDate(const QString& text) {
    const QLocale locale;
    const QString trimmed = text.trimmed();
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    // A two-digit year reads in the window 1930-2029, as the desktop's own dialogs do.
    const bool shortYear = !format.contains(QStringLiteral("yyyy"));
    const auto windowed = [shortYear](QDate d) { return shortYear && d.year() < 1930 ? d.addYears(100) : d; };
    QDate d = locale.toDate(trimmed, format);
    if (d.isValid()) return windowed(d);
    // A time of day after the date is allowed and dropped.
    const qsizetype blank = trimmed.indexOf(u' ');
    if (blank > 0) {
        d = locale.toDate(trimmed.left(blank), format);
        if (d.isValid()) return windowed(d);
    }
    return std::nullopt;
}

} // namespace

QString YMD(QDate date) {
    auto two = [](int v) { return (QStringLiteral("0") + QString::number(v)).right(2); };
    return QString::number(date.year()) + u'/' + two(date.month()) + u'/' + two(date.day());
}

std::optional<QString> YMD(const QString& qdate) {
    auto d = isoDate(qdate);
    if (!d) d = localeDate(qdate);
    if (!d) return std::nullopt;
    return YMD(*d);
}

namespace {

// "1.234,56" and "1,234.56": where a text holds both, the last of them is the decimal separator and the other
// groups thousands. One of them once is a decimal separator ("1.234" is one point two three four); one of them
// more than once groups thousands ("1.234.567"), and must stand where groups of three digits put it. Nothing
// for a text whose separators stand elsewhere ("1.2.3"): no reading of it is safe. While an amount is being
// typed its last group may still lack digits ("1.234.5" on the way to "1.234.567"): its digits so far are read.
std::optional<QString> withDecimalPoint(const QString& text, bool typing = false) {
    QString out = text;
    const qsizetype dot = out.lastIndexOf(u'.'), comma = out.lastIndexOf(u',');
    if (dot >= 0 && comma >= 0) {
        out.remove(dot > comma ? u',' : u'.');
    } else if (const QChar group = dot >= 0 ? u'.' : u','; out.count(group) > 1) {
        QString plain = out;
        plain.remove(u' ').remove(u'\t').remove(u'\n');
        const QString g = QRegularExpression::escape(QString(group));
        const QRegularExpression whole(QStringLiteral(R"(^[+-]?\d{1,3}(%1\d{3})+(?![\d%1]))").arg(g));
        const QRegularExpression partial(QStringLiteral(R"(^[+-]?\d{1,3}(%1\d{3})*%1\d{0,2}(?![\d%1]))").arg(g));
        if (!whole.match(plain).hasMatch() && !(typing && partial.match(plain).hasMatch())) return std::nullopt;
        out.remove(group);
    }
    return out.replace(u',', u'.');
}

} // namespace

namespace {

// A number and nothing else: a sign, digits with at most one point, an exponent. By hand: a list reads it
// for every row.
bool isPlainNumber(const QString& t) {
    qsizetype i = 0;
    const qsizetype n = t.size();
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < n && t[i] >= u'0' && t[i] <= u'9')
            ++i;
        return i - from;
    };
    if (i < n && (t[i] == u'+' || t[i] == u'-')) ++i;
    qsizetype mantissa = digits();
    if (i < n && t[i] == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-')) ++i;
        if (digits() == 0) return false;
    }
    return i == n;
}

struct AmountReading {
    std::optional<Decimal> value;
    AmountFault fault = AmountFault::None;
};

AmountReading readAmount(const QString& text) {
    auto plain = withDecimalPoint(text);
    if (!plain) return {std::nullopt, AmountFault::Grouping};
    if (plain->contains(u' ') || plain->contains(u'\t')) plain->remove(u' ').remove(u'\t');
    if (!isPlainNumber(*plain)) return {std::nullopt, AmountFault::NotANumber};
    const auto d = Decimal::fromText(*plain);
    if (!d || d->wholeDigits() > kMaxWholeDigits || d->decimals() > kMaxDecimals)
        return {std::nullopt, AmountFault::TooLarge};
    return {d, AmountFault::None};
}

} // namespace

AmountFault faultOf(const QString& text) {
    return readAmount(text).fault;
}

bool hasGroups(const QString& text) {
    const qsizetype dot = text.lastIndexOf(u'.'), comma = text.lastIndexOf(u',');
    return (dot >= 0 && comma >= 0) || text.count(u'.') > 1 || text.count(u',') > 1;
}

std::optional<Decimal> Amount(const QString& text) {
    return readAmount(text).value;
}

std::optional<Decimal> ParseNumber(const QString& text) {
    auto replaced = withDecimalPoint(text, true);
    if (!replaced) return std::nullopt;
    // What the program itself wrote under a locale whose separator is neither (Arabic "٫").
    const QString point = QLocale().decimalPoint();
    if (point != u"." && point != u",") replaced->replace(point, QStringLiteral("."));
    return bounded(leadingNumberText(*replaced));
}

double leadingDotNumber(const QString& text) {
    return leadingNumber(text);
}

int settingNumber(const QString& text) {
    const double value = std::nearbyint(leadingNumber(text));
    if (!(value > -32768.0)) return -32768;
    if (value > 32767.0) return 32767;
    return int(value);
}

} // namespace InputText
