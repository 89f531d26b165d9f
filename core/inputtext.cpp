#include "core/inputtext.h"

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

// The leading number of the text, blanks skipped wherever they stand.
double leadingNumber(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto skip = [&] {
        while (i < n && isBlank(text[i]))
            ++i;
    };
    std::string digits;
    skip();
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool anyDigit = false, point = false;
    for (;;) {
        skip();
        if (i >= n) break;
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            digits += char(c.unicode());
            anyDigit = true;
        } else if (c == u'.' && !point) {
            digits += '.';
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!anyDigit) return 0.0;
    // An exponent counts only when digits follow the letter.
    qsizetype save = i;
    skip();
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        std::string exponent = "e";
        skip();
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            exponent += char(text[i].unicode());
            ++i;
        }
        bool expDigit = false;
        for (;;) {
            skip();
            if (i < n && text[i] >= u'0' && text[i] <= u'9') {
                exponent += char(text[i].unicode());
                expDigit = true;
                ++i;
            } else {
                break;
            }
        }
        if (expDigit)
            digits += exponent;
        else
            i = save;
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Either far too large or far too small: tell them apart by the exponent sign.
        const bool tiny = digits.find("e-") != std::string::npos;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
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

float ParseNumber(const QString& text) {
    QString replaced = text;
    replaced.replace(u',', u'.');
    // What the program itself wrote under a locale whose separator is neither (Arabic "٫").
    const QString point = QLocale().decimalPoint();
    if (point != u"." && point != u",") replaced.replace(point, QStringLiteral("."));
    const double value = leadingNumber(replaced);
    if (std::fabs(value) > double(FLT_MAX)) return std::copysign(std::numeric_limits<float>::infinity(), float(value));
    return float(value);
}

double plainNumber(const QString& text) {
    return leadingNumber(text);
}

int settingNumber(const QString& text) {
    const double value = std::nearbyint(leadingNumber(text));
    if (!(value > -32768.0)) return -32768;
    if (value > 32767.0) return 32767;
    return int(value);
}

} // namespace InputText
