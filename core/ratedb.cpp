#include "ratedb.h"

#include "sqlitedialect.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QAtomicInt connectionCounter;

const QString kNoColumn = QStringLiteral("has no column named ");

} // namespace

std::optional<double> RateRow::rate(const QString& column) const {
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].compare(column, Qt::CaseInsensitive) == 0) {
            const QVariant& v = values[i];
            if (v.isNull()) return std::nullopt;
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok) return std::nullopt;
            return d;
        }
    }
    return std::nullopt;
}

const SqlDialect& RateDb::dialect() {
    static const SqliteDialect d;
    return d;
}

RateDb::RateDb(const QString& path) {
    m_name = QStringLiteral("zorvel-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    if (!QFileInfo(path).isFile()) {
        m_error = QStringLiteral("Lipseste baza de date: ") + path;
        return;
    }
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    m_open = m_db.open();
    if (!m_open) m_error = m_db.lastError().text();
}

RateDb::~RateDb() {
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

bool RateDb::hasTable(const QString& name) {
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("select 1 from sqlite_master where type='table' and name=? collate nocase"));
    q.addBindValue(name);
    return q.exec() && q.next();
}

Status RateDb::exec(const SqlStatement& s, QString* nativeError) {
    QSqlQuery q(m_db);
    if (!q.prepare(s.text)) {
        if (nativeError) *nativeError = q.lastError().databaseText();
        return Status::failure(q.lastError().text());
    }
    for (const QVariant& v : s.values)
        q.addBindValue(v);
    if (!q.exec()) {
        if (nativeError) *nativeError = q.lastError().databaseText();
        return Status::failure(q.lastError().text());
    }
    return succeeded();
}

Outcome<RateTable> RateDb::select(const SqlStatement& s) {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(s.text)) return Outcome<RateTable>::failure(q.lastError().text());
    for (const QVariant& v : s.values)
        q.addBindValue(v);
    if (!q.exec()) return Outcome<RateTable>::failure(q.lastError().text());
    RateTable t;
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i)
        t.names << rec.fieldName(i);
    while (q.next()) {
        QVariantList row;
        row.reserve(rec.count());
        for (int i = 0; i < rec.count(); ++i)
            row << q.value(i);
        t.rows.push_back(std::move(row));
    }
    return t;
}

Outcome<std::optional<QDate>> RateDb::newestDay(int year) {
    using R = Outcome<std::optional<QDate>>;
    if (!hasTable(SqlDialect::tableName(QString::number(year), QStringLiteral("RON"))))
        return R::failure(QStringLiteral("no table"));
    auto t = select(dialect().newestRow(year));
    if (!t) return R::failure(t.error());
    if (t->rows.empty()) return std::optional<QDate>();
    const QDate d = QDate::fromString(t->rows.front().value(0).toString().left(10), Qt::ISODate);
    if (!d.isValid()) return R::failure(QStringLiteral("Data necunoscuta in baza de date"));
    return std::optional<QDate>(d);
}

Status RateDb::storeDayInTransaction(const DayRates& day) {
    QStringList columns, rates;
    for (const RateEntry& e : day.rates) {
        if (!SqlDialect::isColumnName(e.column))
            return Status::failure(QStringLiteral("Coloana invalida: ") + e.column);
        if (!SqlDialect::isRateText(e.text)) return Status::failure(QStringLiteral("Curs invalid: ") + e.text);
        columns << e.column;
        rates << e.text;
    }
    const int year = day.date.year();
    if (!hasTable(SqlDialect::tableName(QString::number(year), QStringLiteral("RON")))) {
        if (auto s = exec(dialect().createYearTable(year, columns)); !s) return s;
    } else if (auto s = exec(dialect().deleteDay(day.date)); !s) {
        return s;
    }
    // Each pass may add one missing column; more passes than columns means adding did not help.
    QString lastAdded;
    for (qsizetype pass = 0; pass <= columns.size(); ++pass) {
        QString native;
        const Status s = exec(dialect().insertDay(day.date, columns, rates), &native);
        if (s) return s;
        const qsizetype at = native.indexOf(kNoColumn);
        if (at < 0) return s;
        const QString column = native.mid(at + kNoColumn.size()).trimmed();
        if (!SqlDialect::isColumnName(column) || column.compare(lastAdded, Qt::CaseInsensitive) == 0)
            return Status::failure(QStringLiteral("Coloana nu poate fi adaugata: ") + column);
        if (auto a = exec(dialect().addColumn(year, column)); !a) return a;
        lastAdded = column;
    }
    return Status::failure(QStringLiteral("Ziua nu poate fi scrisa"));
}

Status RateDb::storeDay(const DayRates& day) {
    int stored = 0;
    return storeDays({day}, &stored);
}

Status RateDb::storeDays(const std::vector<DayRates>& days, int* stored) {
    *stored = 0;
    if (!m_open) return Status::failure(m_error);
    if (!m_db.transaction()) return Status::failure(m_db.lastError().text());
    QSqlQuery sp(m_db);
    for (const DayRates& day : days) {
        sp.exec(QStringLiteral("savepoint day"));
        const Status s = storeDayInTransaction(day);
        if (!s) {
            sp.exec(QStringLiteral("rollback to savepoint day"));
            sp.exec(QStringLiteral("release savepoint day"));
            if (!m_db.commit()) m_db.rollback();
            return s;
        }
        sp.exec(QStringLiteral("release savepoint day"));
        ++*stored;
    }
    if (!m_db.commit()) {
        const QString e = m_db.lastError().text();
        m_db.rollback();
        *stored = 0;
        return Status::failure(e);
    }
    return succeeded();
}

Outcome<std::optional<RateRow>> RateDb::rowBefore(QDate day, const QString& suffix) {
    using R = Outcome<std::optional<RateRow>>;
    if (!m_open) return R::failure(m_error);
    for (int year : {day.year(), day.year() - 1}) {
        auto t = select(dialect().rowBefore(year, suffix, day));
        if (!t) return R::failure(t.error());
        if (!t->rows.empty() || year != day.year()) {
            if (t->rows.empty()) return std::optional<RateRow>();
            return std::optional<RateRow>(RateRow{t->names, t->rows.front()});
        }
    }
    return std::optional<RateRow>();
}

Outcome<RateTable> RateDb::yearTable(const QString& tableYear, const QString& suffix, bool allCurrencies) {
    if (!m_open) return Outcome<RateTable>::failure(m_error);
    if (allCurrencies) return select(dialect().allColumns(tableYear, suffix));
    auto first = select(dialect().firstRow(tableYear, suffix));
    if (!first) return first;
    auto main = select(dialect().mainCurrencies(first->names));
    if (!main) return main;
    const qsizetype valuta = main->names.indexOf(QStringLiteral("valuta"));
    QStringList columns;
    for (const QVariantList& row : main->rows) {
        const QString name = row.value(valuta).toString();
        // A name in principale that is no safe column name cannot be one of ours.
        if (SqlDialect::isColumnName(name)) columns << name;
    }
    if (columns.isEmpty()) return select(dialect().allColumns(tableYear, suffix));
    return select(dialect().someColumns(tableYear, suffix, columns));
}
