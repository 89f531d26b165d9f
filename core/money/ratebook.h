#pragma once

#include "core/money/localcurrency.h"
#include "core/outcome.h"
#include "core/store/ratedb.h"

#include <QDate>
#include <QString>
#include <optional>

// The rates a document uses: an invoice is booked at the bank's rates of the
// banking day before its date, a month-end balance at those of the day itself
// (or the last day before it, when it had none). One place answers "which stored
// day applies, and what is a currency worth on it", for every front end.
class RateBook {
public:
    enum class Rule { Before, Same };
    struct Day {
        QDate date; // the stored day whose rates apply
        StoredDay row;
        LocalCurrency local; // the leu of the date asked for
    };
    // Nothing stored before the date is a failure with the one text every front end shows.
    static Outcome<Day> ratesFor(const QString& dbPath, QDate date, Rule rule = Rule::Before);
    // The same on a connection already open, for many dates in a row.
    static Outcome<Day> ratesFor(RateDb& db, QDate date, Rule rule = Rule::Before);
    // Read from the tables of a leu chosen by the caller (the window follows the year table in view).
    static Outcome<Day> ratesFor(RateDb& db, QDate date, Rule rule, const LocalCurrency& local);
    static Outcome<Day> ratesFor(const QString& dbPath, QDate date, Rule rule, const LocalCurrency& local);
    static QString noRateText(QDate date, Rule rule = Rule::Before);

    struct Quote {
        QString column;   // as stored: "100HUF"
        QString code;     // the three letters: "HUF"
        int units = 1;    // what the value is for, as the code asked names it: "HUF" 1, "100HUF" 100
        double value = 0; // lei (or old lei) for that many units
        double perUnit() const { return value / units; }
    };
    // Lei of an amount at a rate, as a bookkeeper rounds the decimal product: to the ban, halves to the even one.
    // Computed from the stored rate itself, so a document's figure is the bank's rate times the amount.
    static double inBani(long double exactLei);
    // A currency as a user names it: three letters, with the units before them ("100HUF"), never 0.
    static bool isCode(const QString& code);
    // A currency's rate on a day for the units its code names; nothing when the day has no
    // rate for it or the code is no currency ("0HUF", "EURO").
    static std::optional<Quote> quote(const StoredDay& row, const QString& code);
};
