#include "core/money/vatrates.h"

#include <iterator>

namespace VatRates {
namespace {

struct Change {
    int year, month, day;
    int percent;
};

// From the first day each rate applied, oldest first.
constexpr Change kStandard[] = {
    {2000, 1, 1, 19}, {2010, 7, 1, 24}, // law 58/2010
    {2016, 1, 1, 20},                   // law 227/2015, the new fiscal code
    {2017, 1, 1, 19}, {2025, 8, 1, 21}, // law 141/2025
};

} // namespace

QString standardOn(QDate day) {
    int percent = kStandard[0].percent;
    for (const Change& c : kStandard)
        if (day >= QDate(c.year, c.month, c.day)) percent = c.percent;
    return QString::number(percent);
}

} // namespace VatRates
