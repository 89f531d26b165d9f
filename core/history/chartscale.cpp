#include "core/history/chartscale.h"

#include <algorithm>
#include <cmath>

namespace {

// About five steps between the ends: enough to read a value off, few enough that labels never touch.
constexpr double kSteps = 5;

double roundStep(double span) {
    const double raw = span / kSteps;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw * 0.999) return m * power;
    return 10 * power;
}

} // namespace

ChartScale::Values ChartScale::values(double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high) || low > high) return {};
    // A flat line still gets a readable band around it.
    const double span = high > low ? high - low : std::max(std::fabs(high) * 0.01, 0.0001);
    Values v;
    v.step = roundStep(span);
    // A tenth of the span above and below, so the extremes' labels stay inside.
    v.min = std::floor((low - span * 0.1) / v.step) * v.step;
    v.max = std::ceil((high + span * 0.1) / v.step) * v.step;
    if (low >= 0) v.min = std::max(v.min, 0.0);
    v.decimals = std::max(0, int(-std::floor(std::log10(v.step) + 1e-9)));
    return v;
}

QList<ChartScale::DateTick> ChartScale::dateTicks(int fromYear, int toYear) {
    static const char* months[12] = {"ian", "feb", "mar", "apr", "mai", "iun",
                                     "iul", "aug", "sep", "oct", "noi", "dec"};
    QList<DateTick> out;
    if (fromYear > toYear) return out;
    if (fromYear == toYear) {
        for (int m = 1; m <= 12; ++m)
            out.append({QDate(fromYear, m, 1), QString::fromLatin1(months[m - 1])});
        return out;
    }
    const int years = toYear - fromYear + 1;
    const int every = years <= 12 ? 1 : years <= 24 ? 2 : 5;
    for (int y = fromYear; y <= toYear; ++y)
        if ((y - fromYear) % every == 0) out.append({QDate(y, 1, 1), QString::number(y)});
    return out;
}
