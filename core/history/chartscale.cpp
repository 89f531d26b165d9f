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

std::vector<DatedRate> ChartScale::drawn(const std::vector<DatedRate>& days, int columns) {
    if (columns <= 0 || days.size() <= size_t(columns) * 4) return days;
    std::vector<DatedRate> out;
    out.reserve(size_t(columns) * 4);
    const qint64 first = days.front().day.toJulianDay(), span = days.back().day.toJulianDay() - first + 1;
    size_t i = 0;
    while (i < days.size()) {
        // One column of time: the days whose place along the axis falls in it.
        const qint64 column = (days[i].day.toJulianDay() - first) * columns / span;
        size_t end = i;
        size_t low = i, high = i;
        while (end < days.size() && (days[end].day.toJulianDay() - first) * columns / span == column) {
            if (days[end].rate < days[low].rate) low = end;
            if (days[end].rate > days[high].rate) high = end;
            ++end;
        }
        // First, lowest and highest in the order they came, last: each once.
        size_t kept[] = {i, std::min(low, high), std::max(low, high), end - 1};
        for (size_t k = 0; k < 4; ++k)
            if (k == 0 || kept[k] != kept[k - 1]) out.push_back(days[kept[k]]);
        i = end;
    }
    return out;
}
