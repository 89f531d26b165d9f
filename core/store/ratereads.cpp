#include "core/store/ratereads.h"

#include "core/text/ratefield.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <memory>
#include <sqlite3.h>

Outcome<RateDb::Newest> RateReads::newestDay(int year) {
    using R = Outcome<RateDb::Newest>;
    auto exists = m_store.hasTable(RateSql::tableName(QString::number(year), QStringLiteral("RON")));
    if (!exists) return R::failure(exists);
    if (!*exists) return RateDb::Newest{};
    auto t = m_store.select(RateSql::newestRow(year));
    if (!t) return R::failure(t);
    if (t->rows.empty()) return RateDb::Newest{true, {}};
    const QDate d = QDate::fromString(t->rows.front().value(0).toString().left(10), Qt::ISODate);
    if (!d.isValid())
        return R::failure(QStringLiteral("Baza de cursuri %1 are o data necunoscuta in anul %2.")
                              .arg(QDir::toNativeSeparators(m_store.path()))
                              .arg(year),
                          Cause::DbDamaged);
    return RateDb::Newest{true, d};
}

Outcome<RateDb::History> RateReads::history(int fromYear) {
    using R = Outcome<RateDb::History>;
    const auto tables = m_store.yearTableNames(true);
    if (!tables) return R::failure(tables);
    QSqlQuery q(m_store.m_db);
    q.setForwardOnly(true);
    RateDb::History out;
    for (auto it = tables->lowerBound(fromYear); it != tables->cend(); ++it) {
        if (!q.exec(QStringLiteral("select DATA from %1 order by DATA").arg(RateSql::quoted(it.value()))))
            return R::failure(m_store.failed(q.lastError()));
        const size_t before = out.days.size();
        while (q.next()) {
            const QDate d = QDate::fromString(q.value(0).toString().left(10), Qt::ISODate);
            // A row of another year in this table is no day of the history: it never blocks an update.
            if (d.isValid() && d.year() == it.key()) out.days.push_back(d);
        }
        if (q.lastError().isValid()) return R::failure(m_store.failed(q.lastError()));
        if (out.days.size() == before) out.emptyYears << it.key();
    }
    std::sort(out.days.begin(), out.days.end());
    return out;
}

Outcome<QList<int>> RateReads::yearsWithRates() {
    using R = Outcome<QList<int>>;
    const auto tables = m_store.yearTableNames(false);
    if (!tables) return R::failure(tables);
    QSqlQuery q(m_store.m_db);
    q.setForwardOnly(true);
    QList<int> out;
    for (auto it = tables->cbegin(); it != tables->cend(); ++it) {
        if (out.contains(it.key())) continue;
        if (!q.exec(QStringLiteral("select 1 from %1 limit 1").arg(RateSql::quoted(it.value()))))
            return R::failure(m_store.failed(q.lastError()));
        if (q.next()) out << it.key();
        if (q.lastError().isValid()) return R::failure(m_store.failed(q.lastError()));
        q.finish();
    }
    return out;
}

Outcome<QStringList> RateReads::currencies(int year) {
    if (!m_store.m_open) return Outcome<QStringList>::failure(m_store.m_error, m_store.m_cause);
    auto table = m_store.yearTableName(year);
    if (!table) return Outcome<QStringList>::failure(table);
    if (table->isEmpty()) return QStringList();
    auto columns = m_store.columnsOfTable(*table);
    if (columns)
        columns->removeIf([](const QString& c) { return c.compare(QStringLiteral("DATA"), Qt::CaseInsensitive) == 0; });
    return columns;
}

Outcome<QList<QDate>> RateReads::otherYearsDays(int year) {
    const auto rows = m_store.select(RateSql::otherYearsRows(year, QStringLiteral("RON")));
    if (!rows) return Outcome<QList<QDate>>::failure(rows);
    QList<QDate> out;
    for (const QVariantList& r : rows->rows)
        out << QDate::fromString(r.value(0).toString().left(10), Qt::ISODate);
    return out;
}

namespace {

// A stored day as its text begins, "2022-03-07...", read by hand: the window reads thousands at a time.
QDate dayOf(sqlite3_stmt* st) {
    const auto* t = sqlite3_column_text(st, 0);
    if (!t || sqlite3_column_bytes(st, 0) < 10 || t[4] != '-' || t[7] != '-') return {};
    int parts[3] = {0, 0, 0};
    const int at[3][2] = {{0, 4}, {5, 7}, {8, 10}};
    for (int p = 0; p < 3; ++p)
        for (int i = at[p][0]; i < at[p][1]; ++i) {
            if (t[i] < '0' || t[i] > '9') return {};
            parts[p] = parts[p] * 10 + (t[i] - '0');
        }
    return QDate(parts[0], parts[1], parts[2]);
}

// A number as stored; text another program left is read as the rate it writes, or as none.
std::optional<double> valueOf(sqlite3_stmt* st) {
    switch (sqlite3_column_type(st, 1)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        const double d = sqlite3_column_double(st, 1);
        return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
    }
    case SQLITE_TEXT:
        return storedValue(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), sqlite3_column_bytes(st, 1)));
    default:
        return std::nullopt;
    }
}

} // namespace

Outcome<RateDb::CurrencyYear> RateReads::currencyYear(const QString& currency, int year) {
    using R = Outcome<RateDb::CurrencyYear>;
    if (!m_store.m_open) return R::failure(m_store.m_error, m_store.m_cause);
    auto table = m_store.yearTableName(year);
    if (!table) return R::failure(table);
    RateDb::CurrencyYear out;
    if (table->isEmpty()) return out;
    out.tableFound = true;
    auto columns = m_store.columnsOfTable(*table);
    if (!columns) return R::failure(columns);
    out.column = RateField::columnForCode(*columns, currency);
    if (out.column.isEmpty()) return out;
    // Through the engine's own statement, cell by cell: a span of years is a few thousand rows of two cells.
    auto prepared = m_store.statement(QStringLiteral("select DATA, %1 from %2 where %1 is not null order by DATA")
                                          .arg(RateSql::quoted(out.column), RateSql::quoted(*table)));
    if (!prepared) return R::failure(prepared);
    sqlite3_stmt* st = *prepared;
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> done(st, sqlite3_reset);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const QDate d = dayOf(st);
        // A rate kept as text reads as that rate, or not at all; a row of another year is not this year's day.
        const std::optional<double> v = valueOf(st);
        if (d.isValid() && d.year() == year && v) out.days.push_back({d, *v});
    }
    if (rc != SQLITE_DONE) return R::failure(m_store.failed(rc, QString::fromUtf8(sqlite3_errmsg(m_store.engine()))));
    return out;
}

Outcome<QHash<QDate, StoredDay>> RateReads::storedDays(int year, const QString& suffix) {
    using R = Outcome<QHash<QDate, StoredDay>>;
    const QString table = RateSql::tableName(QString::number(year), suffix);
    auto has = m_store.hasTable(table);
    if (!has) return R::failure(has);
    QHash<QDate, StoredDay> out;
    if (!*has) return out;
    auto rows = m_store.select({QStringLiteral("select * from ") + RateSql::quoted(table), {}});
    if (!rows) return R::failure(rows);
    for (const QVariantList& row : rows->rows) {
        const QDate day = row.isEmpty() ? QDate() : QDate::fromString(row.first().toString().left(10), Qt::ISODate);
        if (day.isValid()) out.insert(day, {rows->names, row});
    }
    return out;
}

Outcome<std::optional<StoredDay>> RateReads::rowBefore(QDate day, const QString& suffix) {
    using R = Outcome<std::optional<StoredDay>>;
    if (!m_store.m_open) return R::failure(m_store.m_error, m_store.m_cause);
    const auto rowOf = [&](int year) -> R {
        auto t = m_store.select(RateSql::rowBefore(year, suffix, day));
        if (!t) return R::failure(t);
        if (t->rows.empty()) return std::optional<StoredDay>();
        return std::optional<StoredDay>(StoredDay{t->names, t->rows.front()});
    };
    // A year without a table yet (early January, before the bank's first day) leads to the year before.
    for (int year : {day.year(), day.year() - 1}) {
        auto has = m_store.hasTable(RateSql::tableName(QString::number(year), suffix));
        if (!has) return R::failure(has);
        if (!*has) continue;
        auto row = rowOf(year);
        if (!row || row->has_value()) return row;
    }
    // A history that stopped years ago still has a last day: the tables of the same leu, newest first.
    const bool newLeu = !suffix.isEmpty();
    auto tables = m_store.yearTableNames(newLeu);
    if (!tables) return R::failure(tables);
    QList<int> years;
    for (auto it = tables->cbegin(); it != tables->cend(); ++it)
        if (it.key() < day.year() - 1 && it.value().endsWith(QStringLiteral("ron"), Qt::CaseInsensitive) == newLeu &&
            !years.contains(it.key()))
            years.prepend(it.key());
    for (int year : years) {
        auto row = rowOf(year);
        if (!row || row->has_value()) return row;
    }
    return std::optional<StoredDay>();
}

Outcome<StoredRows> RateReads::yearTable(const QString& tableYear, const QString& suffix, bool allCurrencies) {
    if (!m_store.m_open) return Outcome<StoredRows>::failure(m_store.m_error, m_store.m_cause);
    if (allCurrencies) return m_store.select(RateSql::allColumns(tableYear, suffix));
    auto first = m_store.select(RateSql::firstRow(tableYear, suffix));
    if (!first) return first;
    auto main = m_store.select(RateSql::mainCurrencies(first->names));
    if (!main) return main;
    const qsizetype valuta = main->names.indexOf(QStringLiteral("valuta"));
    QStringList columns;
    for (const QVariantList& row : main->rows) {
        // Only names the year's table itself holds as columns, spelt as it spells them.
        const QString name = row.value(valuta).toString();
        for (const QString& column : first->names)
            if (column.compare(name, Qt::CaseInsensitive) == 0 && !columns.contains(column)) columns << column;
    }
    if (columns.isEmpty()) return m_store.select(RateSql::allColumns(tableYear, suffix));
    return m_store.select(RateSql::someColumns(tableYear, suffix, columns));
}
