#include "core/store/ratesql.h"

#include <algorithm>

#include "core/text/ratefield.h"

#include <cstdio>

QString RateSql::tableName(const QString& year, const QString& suffix) {
    return QStringLiteral("VALUTA") + year + suffix;
}

QString RateSql::dateText(QDate day) {
    // By hand: the date text of every stored day goes through here.
    char text[11];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year(), day.month(), day.day());
    return QString::fromLatin1(text, 10);
}

QString RateSql::bracketed(const QStringList& columns) {
    QStringList out;
    for (const QString& c : columns)
        out << u'[' + c + u']';
    return out.join(u',');
}

QString RateSql::placeholders(qsizetype n) {
    QStringList q;
    for (qsizetype i = 0; i < n; ++i)
        q << QStringLiteral("?");
    return q.join(u',');
}

QString RateSql::quoted(const QString& identifier) {
    return u'"' + QString(identifier).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

SqlStatement RateSql::newestRow(int year) {
    return {QStringLiteral("select * from valuta%1ron order by data desc limit 1").arg(year), {}};
}

SqlStatement RateSql::createYearTable(int year, const QStringList& columns, const QString& suffix) {
    QString text = QStringLiteral("CREATE TABLE VALUTA%1%2 (DATA DATETIME UNIQUE PRIMARY KEY").arg(year).arg(suffix);
    for (const QString& c : columns)
        text += QStringLiteral(",[") + c + QStringLiteral("] real");
    return {text + u')', {}};
}

QString RateSql::insertDayText(int year, const QStringList& columns, const QString& suffix) {
    return QStringLiteral("insert or ignore into valuta%1%2 (data%3%4) values (?%5%6)")
        .arg(year)
        .arg(suffix.toLower())
        .arg(columns.isEmpty() ? QString() : QStringLiteral(","), bracketed(columns),
             columns.isEmpty() ? QString() : QStringLiteral(","), placeholders(columns.size()));
}

SqlStatement RateSql::insertDay(QDate day, const QStringList& columns, const QStringList& rates) {
    SqlStatement s;
    s.text = insertDayText(day.year(), columns);
    s.values << dateText(day);
    for (const QString& r : rates)
        s.values << RateField::value(r).value_or(0);
    return s;
}

SqlStatement RateSql::addColumn(int year, const QString& column, const QString& suffix) {
    return {QStringLiteral("alter table valuta%1%2 add column [%3] real").arg(year).arg(suffix.toLower(), column), {}};
}

QString RateSql::ofItsYear(int year) {
    // A row of another year in a year's table is no day of that year: reads pass it over.
    return QStringLiteral(" WHERE DATA>='%1-01-01' AND DATA<'%2-01-01'").arg(year).arg(year + 1);
}

SqlStatement RateSql::allColumns(const QString& tableYear, const QString& suffix) {
    return {QStringLiteral("SELECT * FROM ") + tableName(tableYear, suffix) + ofItsYear(tableYear.toInt()), {}};
}

SqlStatement RateSql::firstRow(const QString& tableYear, const QString& suffix) {
    return {QStringLiteral("select * from ") + tableName(tableYear, suffix) + QStringLiteral(" limit 1"), {}};
}

SqlStatement RateSql::otherYearsRows(int year, const QString& suffix) {
    return {
        QStringLiteral("SELECT DATA FROM ") + tableName(QString::number(year), suffix) +
            QStringLiteral(" WHERE NOT (DATA>='%1-01-01' AND DATA<'%2-01-01') ORDER BY DATA").arg(year).arg(year + 1),
        {}};
}

SqlStatement RateSql::mainCurrencies(const QStringList& columns) {
    SqlStatement s{QStringLiteral("select * from principale where principala=true and valuta in(%1)")
                       .arg(placeholders(columns.size())),
                   {}};
    for (const QString& c : columns)
        s.values << c;
    return s;
}

SqlStatement RateSql::someColumns(const QString& tableYear, const QString& suffix, const QStringList& columns) {
    QStringList names;
    for (const QString& c : columns)
        names << quoted(c);
    return {QStringLiteral("SELECT DATA,") + names.join(u',') + QStringLiteral(" FROM ") +
                tableName(tableYear, suffix) + ofItsYear(tableYear.toInt()),
            {}};
}

SqlStatement RateSql::rowBefore(int tableYear, const QString& suffix, QDate day) {
    // One upper bound, the nearer of the day and the year's end: with two the engine walks back from the
    // year's end over every later row instead of seeking the day.
    const QDate bound = std::min(day, QDate(tableYear + 1, 1, 1));
    return {QStringLiteral("SELECT * FROM ") + tableName(QString::number(tableYear), suffix) +
                QStringLiteral(" WHERE DATA>='%1-01-01' AND DATA<? ORDER BY DATA DESC LIMIT 1").arg(tableYear),
            {dateText(bound)}};
}
