#pragma once

#include "core/history/rateaverages.h"
#include "core/outcome.h"

#include <QList>
#include <QString>
#include <vector>

// One currency's stored rates over a span of years, with their averages, and the
// texts the history window hands on: a table to paste into a spreadsheet and a CSV
// file as Romanian spreadsheets open it.
class RateDb;

class CurrencyHistory {
public:
    QString currency; // as asked
    QString column;   // as the tables name it ("100HUF"); empty when no year holds it
    int unit = 1;     // units one quoted rate is for: 100 for "100HUF"
    int fromYear = 0;
    int toYear = 0;
    std::vector<DatedRate> days; // as quoted, oldest first
    std::vector<RateAverages::Year> averages;
    QList<int> yearsWithoutTable;
    QList<int> yearsWithoutRates; // a table, but no day of this currency

    QDate today = QDate::currentDate();

    static Outcome<CurrencyHistory> load(const QString& dbPath, const QString& currency, int fromYear, int toYear);
    // The years between the first and the last that hold any rate, oldest first; empty when none does.
    static Outcome<QList<int>> yearsWithRates(const QString& dbPath);
    // The currencies any year of the span has a column for, each once.
    static QStringList currencies(const QString& dbPath, int fromYear, int toYear);
    // The same on a connection already open: a window that asks all three opens the history once.
    static Outcome<CurrencyHistory> load(RateDb& db, const QString& currency, int fromYear, int toYear);
    static Outcome<QList<int>> yearsWithRates(RateDb& db);
    static QStringList currencies(RateDb& db, int fromYear, int toYear);

    // What the window says of years it cannot show; empty when there is nothing to say.
    QString notice() const;
    // Year, month, average and days, tab-separated, numbers with the given decimal separator.
    QString averagesTable(const QString& decimalPoint) const;
    // The daily rates, then the averages: semicolons and decimal commas.
    QString csv() const;
    // What one quoted rate is for: "EUR", or "100 HUF" where the bank quotes a hundred.
    QString quotedUnit() const;
    // "lei pentru 1 EUR", "lei pentru 100 HUF": the unit every number of the window is in.
    QString perUnit() const;
    // A year whose average is not final: not over yet, or its stored days start well
    // after New Year or end well before the year's end (where the history starts or stops).
    bool isPartial(const RateAverages::Year& year) const;
    // The label of a year's average row: "Anual", or "Anual partial".
    QString annualLabel(const RateAverages::Year& year) const;

    static QString monthName(int month);
};
