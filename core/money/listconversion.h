#pragma once

#include "core/money/ratebook.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

// A list of amounts converted at once, as a bookkeeper needs at month's end or
// for a yearly return: rows of date, amount, currency and, optionally, the
// amount in lei as booked, from a CSV file or a spreadsheet's paste. Each row
// comes back with the rate's day, the rate per unit and the amount in lei; a
// row that cannot be converted says why, never a silent zero.
class ListConversion {
public:
    struct Input {
        int line = 0; // in the text, from 1
        QStringList fields;
    };
    struct Row {
        int line = 0;
        QStringList given; // the fields as read
        QDate date;
        double amount = 0;
        QString currency; // as the rate names it: "EUR", "HUF" (per unit), "100HUF"
        std::optional<double> booked;
        QDate rateDay;
        double rate = 0; // lei for one unit of the currency as named: one forint for "HUF", 100 for "100HUF"
        int rateDecimals = 4;
        double lei = 0; // rounded to bani
        QString local;  // "LEI NOI" or "LEI"
        QString error;  // why the row was not converted; empty when it was
        std::optional<double> difference() const;
    };
    struct Total {
        QString currency;
        double amount = 0;
        double lei = 0;
        int rows = 0;
    };
    struct Result {
        std::vector<Row> rows;
        std::vector<Total> totals;
        int failed = 0;
    };

    // Rows of a text: tab separated (a spreadsheet's paste), else by semicolons,
    // else by commas, with quoted fields; a header row is recognised and skipped.
    static std::vector<Input> read(const QString& text);
    static Outcome<Result> convert(const QString& dbPath, const std::vector<Input>& rows,
                                   RateBook::Rule rule = RateBook::Rule::Before);

    // For a file: semicolons, decimal commas, a header row; totals after the rows.
    static QString csv(const Result& result);
    // For the clipboard, as a spreadsheet pastes it: tabs, the user's decimal separator.
    static QString tsv(const Result& result);
    static QStringList header();
    // One row's cells as text, with the given decimal separator.
    static QStringList cells(const Row& row, QChar decimal);
};
