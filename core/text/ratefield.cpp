#include "core/text/ratefield.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

// Written out by hand: these run for every rate of every day imported.
QString RateField::columnForCode(const QStringList& columns, const QString& code) {
    QString perUnits;
    for (const QString& c : columns) {
        if (c.compare(code, Qt::CaseInsensitive) == 0) return c;
        const qsizetype digits = c.size() - code.size();
        if (perUnits.isEmpty() && digits > 0 && c.endsWith(code, Qt::CaseInsensitive) && c.left(digits).toInt() > 0)
            perUnits = c;
    }
    return perUnits;
}

QStringList RateField::columnsForCode(const QStringList& columns, const QString& code) {
    QStringList exact, perUnits;
    for (const QString& c : columns) {
        const qsizetype digits = c.size() - code.size();
        if (c.compare(code, Qt::CaseInsensitive) == 0)
            exact << c;
        else if (digits > 0 && c.endsWith(code, Qt::CaseInsensitive) && c.left(digits).toInt() > 0)
            perUnits << c;
    }
    return exact + perUnits;
}

bool RateField::isColumnName(const QString& name) {
    if (name.isEmpty() || name.size() > 7) return false;
    for (QChar c : name)
        if (!isAsciiDigit(c) && !((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))) return false;
    return true;
}

namespace {

// Digits, one point or comma after at least one digit, at most twelve digits on either side.
template <typename Char> std::optional<double> plainValue(const Char* begin, const Char* end) {
    constexpr qsizetype maxDigits = 12;
    char ascii[2 * maxDigits + 2];
    qsizetype whole = 0, fraction = -1, n = 0;
    for (const Char* p = begin; p != end; ++p) {
        const char16_t c = char16_t(*p);
        if (c >= u'0' && c <= u'9') {
            if (fraction < 0 ? ++whole > maxDigits : ++fraction > maxDigits) return std::nullopt;
            ascii[n++] = char(c);
        } else if ((c == u'.' || c == u',') && fraction < 0 && whole > 0) {
            fraction = 0;
            ascii[n++] = '.';
        } else {
            return std::nullopt;
        }
    }
    if (whole == 0 || fraction == 0) return std::nullopt;
    // Up to fifteen digits the digits and the power of ten are exact doubles, and their quotient is
    // rounded once: the same double as reading the text, without the general reader.
    if (const qsizetype places = std::max<qsizetype>(fraction, 0); whole + places <= 15) {
        static constexpr double powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
        std::int64_t digits = 0;
        for (qsizetype i = 0; i < n; ++i)
            if (ascii[i] != '.') digits = digits * 10 + (ascii[i] - '0');
        return double(digits) / powers[places];
    }
    double value = 0;
    const auto [last, error] = std::from_chars(ascii, ascii + n, value);
    if (error != std::errc() || last != ascii + n) return std::nullopt;
    return value;
}

} // namespace

std::optional<double> RateField::value(QStringView text) {
    return plainValue(text.utf16(), text.utf16() + text.size());
}

std::optional<double> RateField::value(QByteArrayView text) {
    // Bytes as unsigned: one above 127 is no digit, never a negative char that passes a test.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    return plainValue(bytes, bytes + text.size());
}
