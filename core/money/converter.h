#pragma once

#include "core/outcome.h"
#include "core/store/ratedb.h"

#include <QString>
#include <optional>

// Converts an amount at one day's stored rates, in single precision as the rates
// are kept, rounding the hundredfold result half to even.
class Converter {
public:
    struct Request {
        QString amountText;
        QString source; // a stored column ("EUR", "100HUF") or the local currency's name
        QString target;
        QString localCurrency;
    };

    // Whether the request needs a stored rate at all (local to local does not).
    static bool needsRates(const Request& r);
    // row is the day's rates; empty when no stored day lies before the date.
    static Outcome<double> convert(const Request& r, const std::optional<StoredDay>& row);

    // The day and rates a conversion used, in the user's decimal separator:
    // "Curs BNR din 07.03.2022: 1 EUR = 4,9490 LEI NOI"; empty when it used none.
    static QString ratesUsed(const Request& r, const StoredDay& row);
    // One line ready for a document: "494,90 LEI NOI (100 EUR x 4,9490, curs BNR din 07.03.2022)".
    static QString documentLine(const Request& r, const StoredDay& row, double result);
};
