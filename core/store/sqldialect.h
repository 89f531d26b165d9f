#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

// One statement of the rate database: its text and the values bound to its
// placeholders, in order. Names in the text are checked before they get there;
// values from outside never go into the text of the embedded engine.
struct SqlStatement {
    QString text;
    QVariantList values;
};

// The statement forms of the rate database, rendered for one engine.
// Year tables are "VALUTA" + year + suffix; new days always go to "...RON" tables.
class SqlDialect {
public:
    virtual ~SqlDialect() = default;

    // Newest row of a year's table.
    virtual SqlStatement newestRow(int year) const = 0;
    // A year's table with the columns of its first day.
    virtual SqlStatement createYearTable(int year, const QStringList& columns) const = 0;
    // One day, unless that day is already stored; rates are decimal text with a point.
    virtual SqlStatement insertDay(QDate day, const QStringList& columns, const QStringList& rates) const = 0;
    virtual SqlStatement addColumn(int year, const QString& column) const = 0;
    // Display queries of the rate table.
    // These two read the same in every engine.
    virtual SqlStatement allColumns(const QString& tableYear, const QString& suffix) const;
    virtual SqlStatement firstRow(const QString& tableYear, const QString& suffix) const = 0;
    virtual SqlStatement mainCurrencies(const QStringList& columns) const = 0;
    virtual SqlStatement someColumns(const QString& tableYear, const QString& suffix, const QStringList& columns) const;
    // Newest row before a day, in the table of tableYear (the day's year or the one before).
    virtual SqlStatement rowBefore(int tableYear, const QString& suffix, QDate day) const = 0;

    static QString tableName(const QString& year, const QString& suffix);
    // The column that holds a currency as a user writes its code: "EUR", or "HUF"
    // for "100HUF" (the bank quotes some currencies per hundred units). An exact
    // name wins; empty when none matches.
    static QString columnForCode(const QStringList& columns, const QString& code);
    // Letters and digits only, one to seven of them: safe to name a column.
    static bool isColumnName(const QString& name);
    // The value of a plain decimal number of sane length, point or comma; nothing for any other text.
    static std::optional<double> rateValue(QStringView text);

protected:
    // "[EUR],[100HUF]": names in brackets, as digit-leading column names need.
    static QString bracketed(const QStringList& columns);
    static QString placeholders(qsizetype n);
};
