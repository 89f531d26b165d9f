#pragma once

#include "core/store/ratedb.h"

// Changes to stored days, never made by an update: a repair the user confirmed (days added, set or
// taken out) and days merged from another history, where a stored day is compared, never written.
class HistoryRepair {
public:
    explicit HistoryRepair(RateDb& store) : m_store(store) {}

    Status applyChanges(const std::vector<RateDb::Change>& changes);
    Outcome<std::vector<RateDb::Merged>> mergeDays(size_t count, const RateDb::DayAt& dayAt);

private:
    Status applyAll(const std::vector<RateDb::Change>& changes);
    Status setRate(const RateDb::Change& c, QHash<int, QStringList>& columnsByYear);
    static QString yearTable(QDate day);
    Status mergeAll(size_t count, const RateDb::DayAt& dayAt, std::vector<RateDb::Merged>& fates);

    RateDb& m_store;
};
