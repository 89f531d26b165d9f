#pragma once

#include <QDate>
#include <QString>
#include <array>
#include <vector>

// One stored banking day's rate of one currency, as the bank quotes it (a
// "100HUF" rate is for 100 forints).
struct DatedRate {
    QDate day;
    double rate = 0;
};

// Average rates as the bank publishes them: a month's average is the arithmetic
// mean of its banking days' rates, a year's is the mean of its monthly averages
// (this is the bank's annual average that foreign income is declared at; the mean
// of all the year's days differs from it in the third or fourth decimal). Sums are
// kept exactly (in millionths) and a mean is rounded to the bank's four decimals
// half away from zero, so nothing depends on the order of the days. A gap the
// update could not fill shows as a shorter count of days.
class RateAverages {
public:
    struct Mean {
        int days = 0;
        double value = 0; // rounded to four decimals; 0 when days is 0
    };
    struct Year {
        int year = 0;
        std::array<Mean, 12> months{};
        Mean annual;       // days: all the year's days; value: the mean of its monthly averages
        QDate first, last; // the year's first and last day with a rate
    };

    static std::vector<Year> compute(const std::vector<DatedRate>& days);
    // The mean of rates given in millionths, to four decimals.
    static double roundedMean(long long sumMillionths, int count);
    // A value to four decimals, half away from zero.
    static double rounded(long double value);
};
