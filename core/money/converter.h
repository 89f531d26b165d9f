#pragma once

#include "core/money/decimal.h"
#include "core/money/ratebook.h"
#include "core/outcome.h"
#include "core/store/ratedb.h"

#include <QString>
#include <optional>

// Converts an amount at one day's stored rates, exactly: the typed amount times
// the bank's rates, rounded once to the ban, halves to the even ban.
class Converter {
public:
    struct Request {
        QString amountText;
        // A currency as a stored column names it ("EUR", "100HUF": a block of a hundred),
        // as a user writes it ("HUF": one forint), or the local currency's name.
        QString source;
        QString target;
        QString localCurrency;
    };
    struct Result {
        Decimal amount;                          // as typed, every digit
        Decimal value;                           // to the ban
        std::optional<RateBook::Quote> from, to; // empty on the local currency's side
    };

    // Whether the request needs a stored rate at all (local to local does not).
    static bool needsRates(const Request& r);
    // row is the day's rates; empty when no stored day lies before the date. An amount
    // or a result beyond what an amount may hold fails with Cause::OutOfRange.
    static Outcome<Result> convert(const Request& r, const std::optional<StoredDay>& row);
    static QString tooLargeText();
    // Why a typed amount is not read: thousands separators out of place, else too large.
    static QString refusalOf(const QString& amountText);

    // The day and rates a conversion used: "Curs BNR din 07.03.2022: 1 EUR = 4,9490 LEI NOI",
    // and the day that should have applied when the history lacks it; empty when it used none.
    static QString ratesUsed(const Result& result, const RateBook::Day& day, QChar point);
    // One line ready for a document, its arithmetic written out:
    // "3088,50 LEI NOI (2500 x 100 HUF x 1,2354, curs BNR din 02.01.2023)".
    static QString documentLine(const Result& result, const std::optional<RateBook::Day>& day,
                                const QString& localCurrency, QChar point);
    // The rate as the lines above write it: the bank's places, the given separator.
    static QString rateText(const RateBook::Quote& q, QChar point);
};
