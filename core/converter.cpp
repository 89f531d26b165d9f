#include "core/converter.h"

#include "core/inputtext.h"
#include "core/numbertext.h"

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

Outcome<double> rateOf(const std::optional<RateRow>& row, const QString& column, bool divisor) {
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
    return !(r.source == r.localCurrency && r.targetIndex == 0);
}

Outcome<double> Converter::convert(const Request& r, const std::optional<RateRow>& row) {
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
    if (r.targetIndex == 0) return finish(h);
    const auto target = rateOf(row, r.target, true);
    if (!target) return target;
    return finish(single(h / *target));
}
