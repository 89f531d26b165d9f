#pragma once

#include "core/outcome.h"
#include "core/rateaverages.h"

#include <QList>
#include <QString>
#include <vector>

// One currency's stored rates over a span of years, with their averages, and the
// texts the history window hands on: a table to paste into a spreadsheet and a CSV
// file as Romanian spreadsheets open it.
class CurrencyHistory {
public:
    QString currency; // as asked
    QString column;   // as the tables name it ("100HUF"); empty when no year holds it
    int unit = 1;     // units one quoted rate is for: 100 for "100HUF"
    int fromYear = 0;
    int toYear = 0;
    std::vector<DayRate> days; // as quoted, oldest first
    std::vector<RateAverages::Year> averages;
    QList<int> yearsWithoutTable;
    QList<int> yearsWithoutRates; // a table, but no day of this currency

    static Outcome<CurrencyHistory> load(const QString& dbPath, const QString& currency, int fromYear, int toYear);

    // What the window says of years it cannot show; empty when there is nothing to say.
    QString notice() const;
    // Year, month, average and days, tab-separated, numbers with the given decimal separator.
    QString averagesTable(const QString& decimalPoint) const;
    // The daily rates, then the averages: semicolons and decimal commas.
    QString csv() const;
    // The currency's name per unit, for the chart ("HUF (1 unitate, cotat la 100)").
    QString unitLabel() const;

    static QString monthName(int month);
};
