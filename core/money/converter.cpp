#include "core/money/converter.h"

#include "core/text/daytext.h"
#include "core/text/inputtext.h"
#include "core/text/numbertext.h"

#include <QLocale>
#include <cmath>

namespace {

using NumberText::fitsSingle;
using NumberText::roundHalfEven;

// Products and quotients of two singles stay single unless they leave its range.
double single(double v) {
    return fitsSingle(v) ? double(float(v)) : v;
}

Outcome<double> fail(const QString& why) {
    return Outcome<double>::failure(why);
}

Outcome<double> rateOf(const std::optional<StoredDay>& row, const QString& column, bool divisor) {
    if (!row) return fail(QStringLiteral("nicio zi inainte de data aleasa"));
    const auto r = row->rate(column);
    if (!r) return fail(QStringLiteral("lipseste cursul pentru ") + column);
    const double v = double(float(*r));
    if (divisor && v == 0.0) return fail(QStringLiteral("curs zero pentru ") + column);
    return v;
}

Outcome<double> finish(double hundredfold) {
    const double v = roundHalfEven(hundredfold) / 100.0;
    if (!std::isfinite(v)) return fail(QStringLiteral("rezultat in afara domeniului"));
    return v;
}

} // namespace

bool Converter::needsRates(const Request& r) {
    return !(r.source == r.localCurrency && r.target == r.localCurrency);
}

Outcome<double> Converter::convert(const Request& r, const std::optional<StoredDay>& row) {
    const float amount = InputText::ParseNumber(r.amountText);
    const double h100 = double(amount) * 100.0;
    if (!fitsSingle(h100)) return fail(QStringLiteral("suma prea mare"));
    const double h = double(float(h100));

    if (r.source != r.localCurrency) {
        const auto source = rateOf(row, r.source, false);
        if (!source) return source;
        const double inLocal = single(*source * h);
        if (r.target == r.localCurrency) return finish(inLocal);
        const auto target = rateOf(row, r.target, true);
        if (!target) return target;
        return finish(single(inLocal / *target));
    }
    if (r.target == r.localCurrency) return finish(h);
    const auto target = rateOf(row, r.target, true);
    if (!target) return target;
    return finish(single(h / *target));
}

namespace {

QString localeFixed(double v, int decimals) {
    QLocale l;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(v, 'f', decimals);
}

QString dayOf(const StoredDay& row) {
    return DayText::shown(QDate::fromString(row.values.value(0).toString().left(10), Qt::ISODate));
}

// "100HUF" is quoted for 100 units: "100 HUF".
QString unitsOf(const QString& column) {
    qsizetype digits = 0;
    while (digits < column.size() && column[digits].isDigit())
        ++digits;
    return digits == 0 ? QStringLiteral("1 ") + column : column.left(digits) + u' ' + column.mid(digits);
}

} // namespace

QString Converter::ratesUsed(const Request& r, const StoredDay& row) {
    if (!needsRates(r)) return {};
    QStringList parts;
    for (const QString& c : {r.source, r.target})
        if (c != r.localCurrency)
            if (const auto v = row.rate(c))
                parts
                    << QStringLiteral("%1 = %2 %3").arg(unitsOf(c), localeFixed(double(float(*v)), 4), r.localCurrency);
    if (parts.isEmpty()) return {};
    return QStringLiteral("Curs BNR din %1: %2").arg(dayOf(row), parts.join(QStringLiteral(", ")));
}

QString Converter::documentLine(const Request& r, const StoredDay& row, double result) {
    const QString amount = NumberText::general(double(InputText::ParseNumber(r.amountText)));
    if (!needsRates(r)) return localeFixed(result, 2) + u' ' + r.target;
    QString how = amount + u' ' + r.source;
    if (r.source != r.localCurrency)
        how += QStringLiteral(" x ") + localeFixed(double(float(row.rate(r.source).value_or(0))), 4);
    if (r.target != r.localCurrency)
        how += QStringLiteral(" / ") + localeFixed(double(float(row.rate(r.target).value_or(0))), 4);
    return QStringLiteral("%1 %2 (%3, curs BNR din %4)").arg(localeFixed(result, 2), r.target, how, dayOf(row));
}
