#pragma once

#include "core/money/ratebook.h"
#include "core/store/ratedb.h"

#include <QDate>
#include <QHash>
#include <QMap>
#include <QStringView>
#include <QString>
#include <optional>
#include <vector>

// A list of amounts converted at once, as a bookkeeper needs at month's end or
// for a yearly return: rows of date, amount, currency and, optionally, the
// amount in lei as booked, from a CSV file or a spreadsheet's paste. Each row
// comes back with the rate's day, the rate per unit and the amount in lei; a
// row that cannot be converted says why, never a silent zero.
class ListConversion {
public:
    struct Input {
        int line = 0; // in the text, from 1
        QStringList fields;
        QString problem{}; // why the line cannot be a row (bytes that are no text, too long); its fields are not kept
    };
    // What a list may be: a year of a large firm's invoices, many times over.
    static constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
    static constexpr qsizetype kMaxLineLength = 4096;
    struct Row {
        int line = 0;
        QStringList given; // the fields as read; kept for a row that failed, which shows them
        QDate date;
        Decimal amount;
        QString currency; // as the rate names it: "EUR", "HUF" (per unit), "100HUF"
        std::optional<Decimal> booked;
        QDate rateDay;
        Decimal rate; // lei for the currency as named: one forint for "HUF", a hundred for "100HUF"
        int rateDecimals = 4;
        Decimal lei;      // rounded to bani, halves to the even ban
        bool tie = false; // the exact figure ended in half a ban
        QString local;    // "LEI NOI" or "LEI"
        QString error;    // why the row was not converted; empty when it was
        // Converted, but at a day older than the one that applies: "lipseste cursul din 14.12.2023".
        QString late;
        // Computed minus booked. A booked figure that rounded an exact half ban the
        // other way (up, as some books do) is no difference: zero.
        std::optional<Decimal> difference() const;
        // The reason column: why the row failed, or what its figure lacks.
        QString reason() const { return error.isEmpty() ? late : error; }
    };
    struct Total {
        QString currency;
        Decimal amount;
        Decimal lei;
        int rows = 0;
    };
    struct Result {
        std::vector<Row> rows;
        std::vector<Total> totals;
        int failed = 0;
        int late = 0; // rows converted at an older day than the one that applies
    };

    // Converts rows one at a time, for a list held whole or one read as it goes: the days read
    // are kept for the rows after them, the counts and totals grow with each row.
    class Converter {
    public:
        Converter(RateDb& db, RateBook::Rule rule);
        // The row converted, or with the reason it is not; a failure only where the history cannot be read.
        Outcome<Row> convert(const Input& in);
        int failed() const { return m_failed; }
        int late() const { return m_late; }
        std::vector<Total> totals() const;

    private:
        void count(Row& row);
        RateDb& m_db;
        RateBook::Rule m_rule;
        QHash<QDate, Outcome<RateBook::Day>> m_days; // one read a date, however many rows share it
        QMap<QString, Total> m_totals;
        int m_failed = 0;
        int m_late = 0;
    };

    // The separator that gives the first lines of a list the shape of rows.
    static QChar separatorFor(const std::vector<QStringView>& lines);
    // One line as a row, or nothing for a blank line or (the first line) a header.
    static std::optional<Input> inputOf(int line, QStringView text, QChar separator, bool first);

    // Rows of a text: by tabs (a spreadsheet's paste), semicolons or commas, whichever gives
    // its lines the shape of a row, with quoted fields; a header row is recognised and skipped.
    // Every other line that is not blank comes back, as a row or with the reason it is none.
    static std::vector<Input> read(const QString& text);
    // A list file's text: UTF-8, or UTF-16 and UTF-32 by their byte order mark; bounded in size.
    static Outcome<QString> readFile(const QString& path);
    static Outcome<QString> decode(const QByteArray& bytes);
    // The rows are taken: their fields move into the result, so a long list is held once.
    static Outcome<Result> convert(const QString& dbPath, std::vector<Input> rows,
                                   RateBook::Rule rule = RateBook::Rule::Before);

    // For a file, as every CSV of the program is written (see CsvText): a header row, totals after the rows.
    static QString csv(const Result& result);
    // The same as UTF-8, as a file holds it, built without a copy of it in memory.
    static QByteArray csvBytes(const Result& result);
    // For the clipboard, as a spreadsheet pastes it: tabs, the user's decimal separator.
    static QString tsv(const Result& result);
    static QStringList header();
    // One row's cells as text, with the given decimal separator; days as a file gives them (yyyy-mm-dd) or as shown.
    static QStringList cells(const Row& row, QChar decimal, bool isoDays = false);
    // A currency's total line after the rows.
    static QStringList totalCells(const Total& t, QChar decimal);
};
