#pragma once

#include "core/store/ratedb.h"

// Days of the bank written into the history: all of a batch in one transaction or none, a stored
// day never written again, the year's table and its columns made as needed.
class DayWriter {
public:
    explicit DayWriter(RateDb& store) : m_store(store) {}

    Status storeDay(const FeedDay& day);
    Status storeDays(const std::vector<FeedDay>& days, int* stored);
    // The same inside a transaction the caller holds, into the tables of one leu.
    Status storeAll(const std::vector<FeedDay>& days, int* stored, const QString& suffix = RateSql::kNewLeu);

private:
    class Inserts;
    // The currencies each year's days bring, in the order they first appear.
    static QMap<int, QStringList> columnsByYearOf(const std::vector<FeedDay>& days);
    // A day's columns and values, each checked again before it reaches the engine.
    static Status checkedRow(const FeedDay& day, QStringList& columns, std::vector<double>& values);
    // Binds and runs the year's insert for one day; false when the engine refused it.
    static bool insertRow(sqlite3_stmt* insert, QDate day, const std::vector<double>& values);
    // The insert for a year and a set of columns, making the table and any missing column first.
    Outcome<sqlite3_stmt*> prepareInsert(int year, const QString& suffix, const QStringList& columns,
                                         QHash<int, QStringList>& columnsByYear, Inserts& inserts);

    RateDb& m_store;
};
