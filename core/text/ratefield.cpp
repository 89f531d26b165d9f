#include "core/text/ratefield.h"

#include <charconv>

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

std::optional<double> RateField::value(QStringView text) {
    constexpr qsizetype maxDigits = 12;
    char ascii[2 * maxDigits + 2];
    qsizetype whole = 0, fraction = -1, n = 0;
    for (QChar c : text) {
        if (isAsciiDigit(c)) {
            if (fraction < 0 ? ++whole > maxDigits : ++fraction > maxDigits) return std::nullopt;
            ascii[n++] = char(c.unicode());
        } else if ((c == u'.' || c == u',') && fraction < 0 && whole > 0) {
            fraction = 0;
            ascii[n++] = '.';
        } else {
            return std::nullopt;
        }
    }
    if (whole == 0 || fraction == 0) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(ascii, ascii + n, value);
    if (error != std::errc() || end != ascii + n) return std::nullopt;
    return value;
}
