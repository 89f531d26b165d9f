#pragma once

#include "core/store/ratedb.h"

// The record of weekdays the bank published no rates for: read once a connection, written in one
// transaction, cleared on the user's word.
class NoRatesRecord {
public:
    explicit NoRatesRecord(RateDb& store) : m_store(store) {}

    Outcome<QHash<QDate, RateDb::NoRatesDay>> daysWithoutRates();
    Status noteDaysWithoutRates(const QList<QDate>& lacking, const QList<QDate>& saidNone, QDate today);
    Status clearDaysWithoutRates();

private:
    Status noteDays(const QList<QDate>& lacking, const QList<QDate>& saidNone, QDate today);

    RateDb& m_store;
};
