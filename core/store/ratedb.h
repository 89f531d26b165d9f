#pragma once

#include "core/history/rateaverages.h"
#include "core/money/decimal.h"
#include "core/outcome.h"
#include "core/store/ratesql.h"

#include <QDate>
#include <QHash>
#include <QMap>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

class QSqlError;
struct sqlite3;
struct sqlite3_stmt;

// One rate, as the bank's file gives it: the column it belongs to and its value
// as decimal text with a point.
struct FeedRate {
    QString column;
    QString text;
    // The text's value when the reader has already checked it; 0 where it has not.
    double value = 0;
};

struct FeedDay {
    QDate date;
    std::vector<FeedRate> rates;
    // Currencies whose rate the file gave in a form we could not read: they stay empty that day.
    QStringList unreadable{};
};

// A stored rate's value: a number, or text another program left that reads as one; nothing otherwise.
std::optional<double> storedValue(const QVariant& v);
// The same as the bank wrote it: the engine keeps the double nearest to the bank's text, and that
// text comes back; a value kept once in single precision (4.9264002) is the bank's four decimals.
std::optional<Decimal> storedDecimal(double value);
std::optional<Decimal> storedDecimal(const QVariant& v);

// One row of a query: field names in table order and their values (null where no rate).
struct StoredDay {
    QStringList names;
    QVariantList values;

    // The value of a column, names compared without case; nothing when absent or null.
    std::optional<double> rate(const QString& column) const;
    // The same as the bank's decimal.
    std::optional<Decimal> decimal(const QString& column) const;
};

struct StoredRows {
    QStringList names;
    std::vector<QVariantList> rows;
};

// A connection to valuta.mdb for the length of one operation: it opens in the
// constructor and is gone when the object is. The file is never created here.
// What callers ask is done by the store's parts over this connection: RateReads,
// DayWriter, NoRatesRecord and HistoryRepair; the connection keeps the engine's
// statements, the transactions and the words of every failure.
class RateDb {
public:
    // How long a read or write waits for another program's lock before giving up.
    static constexpr int kBusyWaitMs = 5000;

    explicit RateDb(const QString& path, int busyWaitMs = kBusyWaitMs);
    ~RateDb();
    RateDb(const RateDb&) = delete;
    RateDb& operator=(const RateDb&) = delete;

    bool isOpen() const { return m_open; }
    const QString& openError() const { return m_error; }
    Cause openCause() const { return m_cause; }
    const QString& path() const { return m_path; }

    // Makes a new rate database from the one shipped inside the program. It
    // never writes over a file that is there: that file may be a user's history.
    static Status createShipped(const QString& path);
    // A name beside the file, of this process and call alone, for making a file aside.
    static QString uniqueSibling(const QString& path);
    // Whether the file reads as a sound rate database: the engine's own quick
    // check, and at least one table of ours.
    Status check();

    // Whether a table of that name exists, compared without case; a failed read is an error, not a no.
    Outcome<bool> hasTable(const QString& name);
    struct Newest {
        bool tableExists = false;
        std::optional<QDate> day; // empty when the table holds no row
    };
    // Newest stored day of a new-leu year table.
    Outcome<Newest> newestDay(int year);
    // Every stored day of the new-leu tables from a year on, oldest first, and the
    // years whose table is there but holds no row.
    struct History {
        std::vector<QDate> days;
        QList<int> emptyYears;
    };
    Outcome<History> history(int fromYear);

    // Weekdays the bank published no rates for though the calendar expected them:
    // first seen lacking on one day, and confirmed when still lacking on a later
    // one. An update no longer asks for a confirmed day.
    struct NoRatesDay {
        QDate seen;
        bool confirmed = false;
    };
    static constexpr char NoRatesTable[] = "ZILEFARACURS";
    // Empty where the record was never written (a database of an earlier version).
    Outcome<QHash<QDate, NoRatesDay>> daysWithoutRates();
    // In one transaction: days found lacking today (first sightings; a day first seen
    // on an earlier day becomes confirmed), and days the bank itself said it has no
    // rates for (confirmed at once).
    Status noteDaysWithoutRates(const QList<QDate>& lacking, const QList<QDate>& saidNone, QDate today);
    // Forgets the whole record: every day in it is asked for again at the next update.
    Status clearDaysWithoutRates();

    // The years that have a rate table: true where it is a new-leu ("RON") table.
    Outcome<QMap<int, bool>> yearTables();
    // The years whose table (of either leu) holds at least one day, oldest first.
    Outcome<QList<int>> yearsWithRates();

    // One change a repair makes to the history.
    struct Change {
        enum class Kind { Insert, Set, Delete };
        Kind kind = Kind::Set;
        FeedDay day;    // Insert: the whole day
        QDate date;     // Set, Delete
        QString column; // Set: made when the table lacks it
        double value = 0;
    };
    // All changes in one transaction, or none.
    Status applyChanges(const std::vector<Change>& changes);

    // Stores one day in one transaction; see storeDays.
    Status storeDay(const FeedDay& day);
    // Stores days in one transaction: all of them or, on failure, none. A day
    // already stored is left as it is, never written again; the table and any
    // missing column are made as needed. stored tells how many rows went in.
    Status storeDays(const std::vector<FeedDay>& days, int* stored);
    // An imported day and the leu of its table: "RON", or empty for the old leu.
    struct MergeDay {
        QString suffix;
        FeedDay day;
    };
    struct Merged {
        // Lacking: the stored day has every rate that came as it came, but lacks some.
        enum class Fate { Stored, AlreadyStored, Differs, Lacking } fate = Fate::Stored;
        QStringList columns; // the currencies that differ, or that the stored day lacks
    };
    // Days brought from another history, in one transaction: a day not yet stored goes in
    // (tables and columns made as needed); a stored day is never written again, and is
    // told as the same, as differing, or as lacking rates that came. One a day, in order.
    // Days come one at a time, so many years of them need not sit in memory at once; those of one table
    // together cost one read of it.
    using DayAt = std::function<MergeDay(size_t)>;
    Outcome<std::vector<Merged>> mergeDays(size_t count, const DayAt& dayAt);

    // Newest row strictly before the day, from the day's year or, when that has
    // none, the newest earlier table of the same leu that has one. An empty row means none has.
    Outcome<std::optional<StoredDay>> rowBefore(QDate day, const QString& suffix);
    // One currency's stored days of one year, oldest first, from the year's new-leu
    // table or, where there is none, its old-leu table; empty rates are left out.
    // tableFound tells whether the year has a table at all.
    struct CurrencyYear {
        bool tableFound = false;
        QString column; // the currency's column as the table names it; empty when absent
        std::vector<DatedRate> days;
    };
    Outcome<CurrencyYear> currencyYear(const QString& currency, int year);
    // Days a new-leu year's table holds of other years (reads pass them over; a check names them).
    Outcome<QList<QDate>> otherYearsDays(int year);
    // The currency columns of a year's table, in table order.
    Outcome<QStringList> currencies(int year);
    // The rate table of a year: every column, or DATA and the main currencies.
    Outcome<StoredRows> yearTable(const QString& tableYear, const QString& suffix, bool allCurrencies);

    // The year table the window shows, on a connection of its own that is closed
    // again at once, so no file stays open between the user's actions.
    static Outcome<StoredRows> readYearTable(const QString& path, const QString& tableYear, const QString& suffix,
                                             bool allCurrencies);

private:
    // The parts of the store, each over this connection.
    friend class RateReads;
    friend class DayWriter;
    friend class NoRatesRecord;
    friend class HistoryRepair;

    // The engine under the connection, for the reads and inserts that run for every row; null for another engine.
    sqlite3* engine() const;
    // The year tables by year, of both leus or of the new one only, as the file spells them.
    Outcome<QMultiMap<int, QString>> yearTableNames(bool newLeuOnly);
    Status exec(const SqlStatement& s);
    // Runs the work in one transaction: committed when it succeeds, rolled back otherwise.
    Status inTransaction(const std::function<Status()>& work);
    Outcome<QStringList> columnsOf(int year, const QString& suffix = RateSql::kNewLeu);
    Outcome<QStringList> columnsOfTable(const QString& table);
    // The year's table: "valuta<year>ron", else "valuta<year>"; empty when neither exists.
    Outcome<QString> yearTableName(int year);
    Outcome<sqlite3_stmt*> statement(const QString& text);
    // Rows of a statement, through the engine's own statements kept for this connection.
    Outcome<StoredRows> select(const SqlStatement& s);
    // A failed statement as the user should hear it, with its cause.
    Status failed(const QSqlError& e) const;
    Status failed(int nativeCode, const QString& text) const;
    Status ioFailure() const;

    QString m_path;
    QString m_name;
    // The record of days without rates as read on this connection: a list asks for it once a date.
    std::optional<QHash<QDate, NoRatesDay>> m_noRates;
    QSqlDatabase m_db;
    bool m_open = false;
    QHash<QString, sqlite3_stmt*> m_selects; // the reads this connection made, by their text
    QHash<QString, QStringList> m_columns;   // tables' columns as read, by the table's name in lower case
    QHash<int, QString> m_yearTables;        // a year's table as found; empty when it has none
    QString m_error;
    Cause m_cause = Cause::Other;
};
