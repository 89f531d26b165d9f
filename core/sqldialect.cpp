#include "sqldialect.h"

#include <QRegularExpression>

QString SqlDialect::tableName(const QString& year, const QString& suffix) {
    return QStringLiteral("VALUTA") + year + suffix;
}

bool SqlDialect::isColumnName(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9]{1,7}$"));
    return re.match(name).hasMatch();
}

bool SqlDialect::isRateText(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^[0-9]+(?:[.,][0-9]+)?$"));
    return re.match(text).hasMatch();
}

namespace {

QString bracketed(const QStringList& columns) {
    QStringList out;
    for (const QString& c : columns)
        out << u'[' + c + u']';
    return out.join(u',');
}

QString placeholders(qsizetype n) {
    QStringList q;
    for (qsizetype i = 0; i < n; ++i)
        q << QStringLiteral("?");
    return q.join(u',');
}

} // namespace

// ---- SQLite

QString SqliteDialect::dateText(QDate day) {
    return day.toString(Qt::ISODate);
}

SqlStatement SqliteDialect::newestRow(int year) const {
    return {QStringLiteral("select * from valuta%1ron order by data desc limit 1").arg(year), {}};
}

SqlStatement SqliteDialect::deleteDay(QDate day) const {
    return {QStringLiteral("delete from valuta%1ron where data=?").arg(day.year()), {dateText(day)}};
}

SqlStatement SqliteDialect::createYearTable(int year, const QStringList& columns) const {
    QString text = QStringLiteral("CREATE TABLE VALUTA%1RON (DATA DATETIME UNIQUE PRIMARY KEY").arg(year);
    for (const QString& c : columns)
        text += QStringLiteral(",[") + c + QStringLiteral("] real");
    return {text + u')', {}};
}

SqlStatement SqliteDialect::insertDay(QDate day, const QStringList& columns, const QStringList& rates) const {
    SqlStatement s;
    s.text = QStringLiteral("insert into valuta%1ron (data%2%3) values (?%4%5)")
                 .arg(day.year())
                 .arg(columns.isEmpty() ? QString() : QStringLiteral(","), bracketed(columns),
                      columns.isEmpty() ? QString() : QStringLiteral(","), placeholders(columns.size()));
    s.values << dateText(day);
    for (const QString& r : rates)
        s.values << QString(r).replace(u',', u'.').toDouble();
    return s;
}

SqlStatement SqliteDialect::addColumn(int year, const QString& column) const {
    return {QStringLiteral("alter table valuta%1ron add column [%2] real").arg(year).arg(column), {}};
}

SqlStatement SqliteDialect::allColumns(const QString& tableYear, const QString& suffix) const {
    return {QStringLiteral("SELECT * FROM ") + tableName(tableYear, suffix), {}};
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

SqlStatement SqliteDialect::someColumns(const QString& tableYear, const QString& suffix,
                                        const QStringList& columns) const {
    return {QStringLiteral("SELECT DATA,") + bracketed(columns) + QStringLiteral(" FROM ") +
                tableName(tableYear, suffix),
            {}};
}

SqlStatement SqliteDialect::rowBefore(int tableYear, const QString& suffix, QDate day) const {
    return {QStringLiteral("SELECT * FROM ") + tableName(QString::number(tableYear), suffix) +
                QStringLiteral(" WHERE DATA<? ORDER BY DATA DESC LIMIT 1"),
            {dateText(day)}};
}

// ---- Jet

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

SqlStatement JetDialect::allColumns(const QString& tableYear, const QString& suffix) const {
    return {QStringLiteral("SELECT * FROM ") + tableName(tableYear, suffix), {}};
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

SqlStatement JetDialect::someColumns(const QString& tableYear, const QString& suffix,
                                     const QStringList& columns) const {
    return {QStringLiteral("SELECT DATA,") + bracketed(columns) + QStringLiteral(" FROM ") +
                tableName(tableYear, suffix),
            {}};
}

SqlStatement JetDialect::rowBefore(int tableYear, const QString& suffix, QDate day) const {
    return {QStringLiteral("SELECT TOP 1 * FROM ") + tableName(QString::number(tableYear), suffix) +
                QStringLiteral(" WHERE DATA<") + dateLiteral(day) + QStringLiteral(" ORDER BY DATA DESC"),
            {}};
}
