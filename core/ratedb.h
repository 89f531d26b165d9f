#pragma once

#include "outcome.h"
#include "sqldialect.h"

#include <QDate>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

// One rate, as the bank's file gives it: the column it belongs to and its value
// as decimal text with a point.
struct RateEntry {
    QString column;
    QString text;
};

struct DayRates {
    QDate date;
    std::vector<RateEntry> rates;
};

// One row of a query: field names in table order and their values (null where no rate).
struct RateRow {
    QStringList names;
    QVariantList values;

    // The value of a column, names compared without case; nothing when absent or null.
    std::optional<double> rate(const QString& column) const;
};

struct RateTable {
    QStringList names;
    std::vector<QVariantList> rows;
};

// A connection to valuta.mdb for the length of one operation: it opens in the
// constructor and is gone when the object is. The file is never created here.
class RateDb {
public:
    explicit RateDb(const QString& path);
    ~RateDb();
    RateDb(const RateDb&) = delete;
    RateDb& operator=(const RateDb&) = delete;

    bool isOpen() const { return m_open; }
    const QString& openError() const { return m_error; }

    // Whether a table of that name exists, compared without case.
    bool hasTable(const QString& name);
    // Newest stored day of a new-leu year table; an empty value when the table is empty.
    Outcome<std::optional<QDate>> newestDay(int year);
    // Writes one day in one transaction: the day's old row goes, the table and
    // any missing column are made, the new row goes in; on failure nothing changes.
    Status storeDay(const DayRates& day);
    // Several days in one transaction, each day atomic of its own: a failing day
    // is undone alone and the days before it stay. stored tells how many went in.
    Status storeDays(const std::vector<DayRates>& days, int* stored);
    // Newest row strictly before the day, from the day's year or, when that has
    // none, the year before. An empty row means neither table has one.
    Outcome<std::optional<RateRow>> rowBefore(QDate day, const QString& suffix);
    // The rate table of a year: every column, or DATA and the main currencies.
    Outcome<RateTable> yearTable(const QString& tableYear, const QString& suffix, bool allCurrencies);

    static const SqlDialect& dialect();

private:
    Status exec(const SqlStatement& s, QString* nativeError = nullptr);
    Status storeDayInTransaction(const DayRates& day);
    Outcome<RateTable> select(const SqlStatement& s);

    QString m_name;
    QSqlDatabase m_db;
    bool m_open = false;
    QString m_error;
};
