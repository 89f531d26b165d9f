#pragma once

#include "core/store/sqldialect.h"

// The embedded engine: ISO date text, bound values, LIMIT instead of TOP.
class SqliteDialect : public SqlDialect {
public:
    SqlStatement newestRow(int year) const override;
    SqlStatement createYearTable(int year, const QStringList& columns) const override;
    SqlStatement insertDay(QDate day, const QStringList& columns, const QStringList& rates) const override;
    SqlStatement addColumn(int year, const QString& column) const override;
    SqlStatement firstRow(const QString& tableYear, const QString& suffix) const override;
    SqlStatement mainCurrencies(const QStringList& columns) const override;
    SqlStatement rowBefore(int tableYear, const QString& suffix, QDate day) const override;
    // Column names come from the database itself here: quoted as identifiers, whatever they hold.
    SqlStatement someColumns(const QString& tableYear, const QString& suffix,
                             const QStringList& columns) const override;

    static QString quoted(const QString& identifier);

    static QString dateText(QDate day);
};
