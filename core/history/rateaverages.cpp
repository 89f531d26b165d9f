#include "core/history/rateaverages.h"

#include <cmath>
#include <map>

double RateAverages::rounded(long double value) {
    const long double scaled = value * 10000.0L;
    // Half away from zero, after a nudge for the binary tail of a decimal tie.
    return double(std::copysign(std::floor(std::fabs(scaled) + 0.5L + 1e-9L), scaled) / 10000.0L);
}

namespace {

// 128 bits: a year of the largest rates the store accepts (twelve digits) in millionths cannot overflow them.
using Wide = __int128;

double meanOf(Wide sumMillionths, int count) {
    if (count <= 0) return 0;
    // Ten-thousandths, half away from zero: (2s + sign*c*100) / (2*c*100) in integers.
    const Wide unit = Wide(100) * count;
    const Wide twice = 2 * sumMillionths + (sumMillionths >= 0 ? unit : -unit);
    return double(twice / (2 * unit)) / 10000.0;
}

} // namespace

double RateAverages::roundedMean(long long sumMillionths, int count) {
    return meanOf(sumMillionths, count);
}

namespace {

// A year's rates summed in millionths, so that means come out exact.
struct Sums {
    std::array<Wide, 12> month{};
    std::array<int, 12> monthDays{};
    int yearDays = 0;
    QDate first, last;
};

std::map<int, Sums> sumsByYear(const std::vector<DatedRate>& days) {
    std::map<int, Sums> byYear;
    for (const DatedRate& d : days) {
        // Beyond what the store accepts (a hand-edited 1e300, say) is no rate to average.
        if (!d.day.isValid() || !std::isfinite(d.rate) || std::fabs(d.rate) >= 1e12) continue;
        Sums& s = byYear[d.day.year()];
        s.month[size_t(d.day.month() - 1)] += Wide(std::llround(d.rate * 1e6));
        ++s.monthDays[size_t(d.day.month() - 1)];
        ++s.yearDays;
        if (!s.first.isValid() || d.day < s.first) s.first = d.day;
        if (!s.last.isValid() || d.day > s.last) s.last = d.day;
    }
    return byYear;
}

} // namespace

std::vector<RateAverages::Year> RateAverages::compute(const std::vector<DatedRate>& days) {
    std::vector<Year> out;
    for (const auto& [year, s] : sumsByYear(days)) {
        Year y;
        y.year = year;
        y.first = s.first;
        y.last = s.last;
        long double monthlySum = 0; // of exact monthly means, in millionths
        int months = 0;
        for (size_t m = 0; m < 12; ++m) {
            y.months[m] = {s.monthDays[m], meanOf(s.month[m], s.monthDays[m])};
            if (s.monthDays[m] == 0) continue;
            monthlySum += (long double)s.month[m] / s.monthDays[m];
            ++months;
        }
        y.annual = {s.yearDays, rounded(monthlySum / months / 1e6L)};
        out.push_back(y);
    }
    return out;
}
