#pragma once

#include "core/access/accessdump.h"
#include "core/money/decimal.h"
#include "core/outcome.h"
#include "core/store/ratedb.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// Brings the history of an Access valuta.mdb of the earlier generation into the rate
// database: every year table of either leu, day by day. The Access file is only read.
// A day already stored is never written again; one that differs is a conflict, told
// and left as stored. Nothing is taken from a table that was not read whole.
class AccessImport {
public:
    struct TableName {
        int year = 0;
        QString suffix; // "RON" for the new leu, empty for the old
    };
    // "VALUTA2003", "valuta2023ron": a year table; anything else is not.
    static std::optional<TableName> yearTable(const QString& name);
    // A column named as a currency ("EUR", "100HUF"), as the history spells it; nothing otherwise.
    static std::optional<QString> currencyCode(const QString& column);

    // A stored cell as a rate: the stored number rounded once, to the bank's four places.
    struct CellValue {
        enum class Kind { Rate, Empty, Refused } kind = Kind::Empty;
        Decimal rate;
        QString shown; // a refused value as the file holds it, for the report
    };
    static CellValue rateOf(const AccessCell& cell);
    // A Date/Time cell as its moment, to the second; nothing when it holds no date of a rate.
    static std::optional<QDateTime> momentOf(const AccessCell& cell);

    // What one table of the file gave.
    struct Year {
        QString table;
        TableName name;
        int rows = 0;
        int imported = 0;
        int alreadyStored = 0;
        int conflicts = 0;
        int lacking = 0;    // stored days without some of the file's rates: left as stored
        int emptyRates = 0; // empty cells: the currency had no rate that day
        int refused = 0;    // zero, negative or unreadable values, each in notes
        QStringList notes;
        QString problem; // the table could not be read whole: nothing of it is taken
    };
    struct Report {
        QString file;
        QString version;
        std::vector<Year> years;
        QStringList skipped;  // other tables and columns, with the reason
        bool damaged = false; // a table could not be read whole: nothing of the file was taken
        // Everything came over: no conflict, nothing refused, unreadable or skipped.
        bool complete() const;
        int importedDays() const;
        // One line a table, then what it holds that was not taken.
        QStringList lines() const;
        // What a file without a single year table is told.
        QString noRateTablesText() const;
    };

    struct Options {
        QString helper;
        std::function<bool()> keepGoing;
        std::function<void(int done, int total, const QString& text)> progress;
        QDate today = QDate::currentDate(); // no day after it is the bank's
    };
    static Outcome<Report> run(const QString& accessFile, const QString& dbPath, const Options& options);

    // A rate as a whole file's days are held until they are written: ten-thousandths of a leu.
    struct PlannedRate {
        qint64 units = 0;
        quint16 code = 0; // its place in Plan::codes
        friend bool operator==(const PlannedRate&, const PlannedRate&) = default;
    };
    struct PlannedDay {
        QDate date;
        quint32 year = 0; // its table's entry in the report
        bool newLeu = false;
        bool conflict = false;
        std::vector<PlannedRate> rates; // by code
    };
    // The days the tables bring, each once, in order of leu and day, and the report so far.
    struct Plan {
        std::vector<PlannedDay> days;
        QStringList codes;
        Report report;
        // The day as the history stores it; made only when it is written.
        RateDb::MergeDay mergeDay(size_t i) const;
    };
    static Plan plan(const std::vector<AccessTable>& tables, QDate today = QDate::currentDate());
    // Days a table of another year may hold across the year's end.
    static constexpr int kAcrossYearEnd = 7;
    // Why a day a table holds cannot be a day of the bank's rates (after today, a weekend, far from
    // the table's year); empty when it can. A holiday can: the bank has published on some.
    static QString implausibleDay(QDate day, const TableName& table, QDate today);
};
