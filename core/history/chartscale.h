#pragma once

#include <QDate>
#include <QList>
#include <QString>

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
};
