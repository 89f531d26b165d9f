#pragma once

#include "core/store/ratedb.h"

// The reads of the rate history: the newest day, the days stored, a year's table, a currency's
// days and the rates before a day. Over a connection the caller holds; every failed read is an error.
class RateReads {
public:
    explicit RateReads(RateDb& store) : m_store(store) {}

    Outcome<RateDb::Newest> newestDay(int year);
    Outcome<RateDb::History> history(int fromYear);
    Outcome<QList<int>> yearsWithRates();
    Outcome<QStringList> currencies(int year);
    Outcome<QList<QDate>> otherYearsDays(int year);
    Outcome<RateDb::CurrencyYear> currencyYear(const QString& currency, int year);
    // The stored days of a year's table of one leu, by day; empty when there is no such table.
    Outcome<QHash<QDate, StoredDay>> storedDays(int year, const QString& suffix);
    Outcome<std::optional<StoredDay>> rowBefore(QDate day, const QString& suffix);
    Outcome<StoredRows> yearTable(const QString& tableYear, const QString& suffix, bool allCurrencies);

private:
    RateDb& m_store;
};
