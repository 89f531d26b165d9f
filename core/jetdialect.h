#pragma once

#include "core/sqldialect.h"

// A legacy Access file reached through ODBC: #month/day/year# literals and cdate()
// of the system's short date, as that file's engine expects.
class JetDialect : public SqlDialect {
public:
    explicit JetDialect(QString shortDateFormat) : m_shortDateFormat(std::move(shortDateFormat)) {}

    SqlStatement newestRow(int year) const override;
    SqlStatement deleteDay(QDate day) const override;
    SqlStatement createYearTable(int year, const QStringList& columns) const override;
    SqlStatement insertDay(QDate day, const QStringList& columns, const QStringList& rates) const override;
    SqlStatement addColumn(int year, const QString& column) const override;
    SqlStatement firstRow(const QString& tableYear, const QString& suffix) const override;
    SqlStatement mainCurrencies(const QStringList& columns) const override;
    SqlStatement rowBefore(int tableYear, const QString& suffix, QDate day) const override;

    static QString dateLiteral(QDate day);

private:
    QString cdate(QDate day) const;
    QString m_shortDateFormat;
};
