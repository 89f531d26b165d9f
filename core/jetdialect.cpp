#include "core/jetdialect.h"

QString JetDialect::dateLiteral(QDate day) {
    return QStringLiteral("#%1/%2/%3#").arg(day.month()).arg(day.day()).arg(day.year());
}

QString JetDialect::cdate(QDate day) const {
    return QStringLiteral("cdate('") + day.toString(m_shortDateFormat) + QStringLiteral("')");
}

SqlStatement JetDialect::newestRow(int year) const {
    return {QStringLiteral("select top 1 * from valuta%1ron order by data desc").arg(year), {}};
}

SqlStatement JetDialect::deleteDay(QDate day) const {
    return {QStringLiteral("delete * from valuta%1ron where data=").arg(day.year()) + cdate(day), {}};
}

SqlStatement JetDialect::createYearTable(int year, const QStringList& columns) const {
    QString text = QStringLiteral("CREATE TABLE VALUTA%1RON (DATA DATETIME UNIQUE PRIMARY KEY").arg(year);
    for (const QString& c : columns)
        text += u',' + c + QStringLiteral(" real");
    return {text + u')', {}};
}

SqlStatement JetDialect::insertDay(QDate day, const QStringList& columns, const QStringList& rates) const {
    QString names = QStringLiteral("data");
    QString values = cdate(day);
    for (const QString& c : columns)
        names += u',' + c;
    for (const QString& r : rates)
        values += QStringLiteral(",0") + QString(r).replace(u',', u'.');
    return {QStringLiteral("insert into valuta%1ron (%2) values (%3)").arg(day.year()).arg(names, values), {}};
}

SqlStatement JetDialect::addColumn(int year, const QString& column) const {
    return {QStringLiteral("alter table valuta%1ron add column [%2] real").arg(year).arg(column), {}};
}

SqlStatement JetDialect::firstRow(const QString& tableYear, const QString& suffix) const {
    return {QStringLiteral("select top 1 * from ") + tableName(tableYear, suffix), {}};
}

SqlStatement JetDialect::mainCurrencies(const QStringList& columns) const {
    QStringList quoted;
    for (const QString& c : columns)
        quoted << u'\'' + c + u'\'';
    return {QStringLiteral("select * from principale where principala=true and valuta in(") + quoted.join(u',') + u')',
            {}};
}

SqlStatement JetDialect::rowBefore(int tableYear, const QString& suffix, QDate day) const {
    return {QStringLiteral("SELECT TOP 1 * FROM ") + tableName(QString::number(tableYear), suffix) +
                QStringLiteral(" WHERE DATA<") + dateLiteral(day) + QStringLiteral(" ORDER BY DATA DESC"),
            {}};
}
