#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>

// One statement of the rate database: its text and the values bound to its
// placeholders, in order. Names in the text are checked before they get there;
// values from outside never go into the text.
struct SqlStatement {
    QString text;
    QVariantList values;
};

// The text of every statement the rate database runs, in one place. Year tables
// are "VALUTA" + year + suffix; new days always go to "...RON" tables. Dates are
// ISO text; values are bound, never written into the text.
class RateSql {
public:
    static inline const QString kNewLeu = QStringLiteral("RON");
    // Newest row of a year's table.
    static SqlStatement newestRow(int year);
    // A year's table with the columns of its first day; suffix "RON" for the new leu, empty for the old.
    static SqlStatement createYearTable(int year, const QStringList& columns, const QString& suffix = kNewLeu);
    // One day, unless that day is already stored; rates are decimal text with a point.
    static SqlStatement insertDay(QDate day, const QStringList& columns, const QStringList& rates);
    // The same statement's text alone, prepared once for every day of a year.
    static QString insertDayText(int year, const QStringList& columns, const QString& suffix = kNewLeu);
    static SqlStatement addColumn(int year, const QString& column, const QString& suffix = kNewLeu);
    // Display queries of the rate table.
    // The condition that keeps a year table's reads to its own year's days.
    static QString ofItsYear(int year);
    // The days a year's table holds of other years.
    static SqlStatement otherYearsRows(int year, const QString& suffix);
    static SqlStatement allColumns(const QString& tableYear, const QString& suffix);
    static SqlStatement firstRow(const QString& tableYear, const QString& suffix);
    static SqlStatement mainCurrencies(const QStringList& columns);
    // Column names come from the database itself here: quoted as identifiers, whatever they hold.
    static SqlStatement someColumns(const QString& tableYear, const QString& suffix, const QStringList& columns);
    // Newest row before a day, in the table of tableYear (the day's year or the one before).
    static SqlStatement rowBefore(int tableYear, const QString& suffix, QDate day);

    static QString tableName(const QString& year, const QString& suffix);
    static QString quoted(const QString& identifier);
    static QString dateText(QDate day);

private:
    // "[EUR],[100HUF]": names in brackets, as digit-leading column names need.
    static QString bracketed(const QStringList& columns);
    static QString placeholders(qsizetype n);
};
