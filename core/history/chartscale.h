#pragma once

#include "core/history/rateaverages.h"

#include <QDate>
#include <QList>
#include <QString>
#include <vector>

// Where a chart's ticks go: rates on round steps (1, 2 or 5 times a power of ten)
// with just the decimals the step needs, and dates on the first of each month
// within a year, or of each year (or every second or fifth) across years, so no
// two labels read the same.
class ChartScale {
public:
    struct Values {
        double min = 0;
        double max = 1;
        double step = 0.2;
        int decimals = 1;
    };
    // A range holding low..high with room above and below for the extremes' labels.
    static Values values(double low, double high);

    struct DateTick {
        QDate day;
        QString label;
    };
    // From the first of January of fromYear; the axis ends on the first of January after toYear.
    static QList<DateTick> dateTicks(int fromYear, int toYear);

    // The days a line needs to look as all of them would at that many columns: where a column
    // holds more than two days, its lowest and highest in their order, and its first and last
    // so that the line between columns runs as it does. Fewer days come back whole.
    static std::vector<DatedRate> drawn(const std::vector<DatedRate>& days, int columns);
};
