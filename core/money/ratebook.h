#pragma once

#include "core/money/decimal.h"
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
        // The banking day whose rates should apply; later than `date` when the
        // history stops short of it or has a hole there.
        QDate expected;
        bool isLate() const { return expected.isValid() && date < expected; }
        // "lipseste cursul din 14.12.2023"; empty when the day used is the one that applies.
        QString lateText() const;
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
        QString column; // as stored: "100HUF"
        QString code;   // the three letters: "HUF"
        int units = 1;  // what the value is for, as the code asked names it: "HUF" 1, "100HUF" 100
        Decimal value;  // lei (or old lei) for that many units, as the bank wrote it
        // Places the rate is shown with: the bank's four, six for one unit of a currency quoted per hundred.
        int decimals() const;
        // The code for those units: "HUF", "100HUF".
        QString name() const;
        // "100 HUF", "1 EUR": the units a rate is for, as a line of text names them.
        QString unitsText() const;
    };
    // The banking day whose rates apply to a date under a rule, by the bank's calendar.
    static QDate expectedDay(QDate date, Rule rule);
    // A currency as a user names it: three letters, with the units before them ("100HUF"), never 0.
    static bool isCode(const QString& code);
    // A currency's rate on a day for the units its code names; nothing when the day has no
    // rate for it or the code is no currency ("0HUF", "EURO").
    static std::optional<Quote> quote(const StoredDay& row, const QString& code);
};
