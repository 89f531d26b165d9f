#include "core/store/sqlitedialect.h"

#include <cstdio>

QString SqliteDialect::dateText(QDate day) {
    // By hand: the date text of every stored day goes through here.
    char text[11];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year(), day.month(), day.day());
    return QString::fromLatin1(text, 10);
}

SqlStatement SqliteDialect::newestRow(int year) const {
    return {QStringLiteral("select * from valuta%1ron order by data desc limit 1").arg(year), {}};
}

SqlStatement SqliteDialect::createYearTable(int year, const QStringList& columns) const {
    QString text = QStringLiteral("CREATE TABLE VALUTA%1RON (DATA DATETIME UNIQUE PRIMARY KEY").arg(year);
    for (const QString& c : columns)
        text += QStringLiteral(",[") + c + QStringLiteral("] real");
    return {text + u')', {}};
}

SqlStatement SqliteDialect::insertDay(QDate day, const QStringList& columns, const QStringList& rates) const {
    SqlStatement s;
    s.text = QStringLiteral("insert or ignore into valuta%1ron (data%2%3) values (?%4%5)")
                 .arg(day.year())
                 .arg(columns.isEmpty() ? QString() : QStringLiteral(","), bracketed(columns),
                      columns.isEmpty() ? QString() : QStringLiteral(","), placeholders(columns.size()));
    s.values << dateText(day);
    for (const QString& r : rates)
        s.values << SqlDialect::rateValue(r).value_or(0);
    return s;
}

SqlStatement SqliteDialect::addColumn(int year, const QString& column) const {
    return {QStringLiteral("alter table valuta%1ron add column [%2] real").arg(year).arg(column), {}};
}

SqlStatement SqliteDialect::firstRow(const QString& tableYear, const QString& suffix) const {
    return {QStringLiteral("select * from ") + tableName(tableYear, suffix) + QStringLiteral(" limit 1"), {}};
}

SqlStatement SqliteDialect::mainCurrencies(const QStringList& columns) const {
    SqlStatement s{QStringLiteral("select * from principale where principala=true and valuta in(%1)")
                       .arg(placeholders(columns.size())),
                   {}};
    for (const QString& c : columns)
        s.values << c;
    return s;
}

QString SqliteDialect::quoted(const QString& identifier) {
    return u'"' + QString(identifier).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

SqlStatement SqliteDialect::someColumns(const QString& tableYear, const QString& suffix,
                                        const QStringList& columns) const {
    QStringList names;
    for (const QString& c : columns)
        names << quoted(c);
    return {QStringLiteral("SELECT DATA,") + names.join(u',') + QStringLiteral(" FROM ") + tableName(tableYear, suffix),
            {}};
}

SqlStatement SqliteDialect::rowBefore(int tableYear, const QString& suffix, QDate day) const {
    return {QStringLiteral("SELECT * FROM ") + tableName(QString::number(tableYear), suffix) +
                QStringLiteral(" WHERE DATA<? ORDER BY DATA DESC LIMIT 1"),
            {dateText(day)}};
}
