#include "core/store/daywriter.h"

#include "core/text/ratefield.h"

#include <QSet>
#include <QSqlError>
#include <sqlite3.h>

// The engine's own statements, for the one loop that runs for every day of a
// yearly file: binding through the generic layer costs more than the insert itself.
class DayWriter::Inserts {
public:
    explicit Inserts(sqlite3* db) : m_engine(db) {}
    ~Inserts() {
        for (sqlite3_stmt* s : std::as_const(m_statements))
            sqlite3_finalize(s);
    }
    Inserts(const Inserts&) = delete;
    Inserts& operator=(const Inserts&) = delete;

    sqlite3_stmt* find(const QString& key) const { return m_statements.value(key); }
    int prepare(const QString& key, const QString& text, sqlite3_stmt** out) {
        const QByteArray utf8 = text.toUtf8();
        const int rc = sqlite3_prepare_v2(m_engine, utf8.constData(), int(utf8.size()), out, nullptr);
        if (rc == SQLITE_OK) m_statements.insert(key, *out);
        return rc;
    }

private:
    sqlite3* m_engine;
    QHash<QString, sqlite3_stmt*> m_statements;
};

Status DayWriter::storeDay(const FeedDay& day) {
    int stored = 0;
    return storeDays({day}, &stored);
}

Status DayWriter::storeDays(const std::vector<FeedDay>& days, int* stored) {
    *stored = 0;
    const Status s = m_store.inTransaction([&] { return storeAll(days, stored); });
    if (!s) *stored = 0; // rolled back: nothing of the batch is stored
    return s;
}

QMap<int, QStringList> DayWriter::columnsByYearOf(const std::vector<FeedDay>& days) {
    QMap<int, QStringList> out;
    QHash<int, QSet<QString>> seen;
    for (const FeedDay& day : days) {
        const int year = day.date.year();
        QSet<QString>& known = seen[year];
        for (const FeedRate& e : day.rates)
            if (!known.contains(e.column) && RateField::isColumnName(e.column)) {
                known.insert(e.column);
                out[year] << e.column;
            }
    }
    return out;
}

Status DayWriter::storeAll(const std::vector<FeedDay>& days, int* stored, const QString& suffix) {
    sqlite3* engine = m_store.engine();
    if (!engine) return Status::failure(QStringLiteral("Motor de baze de date necunoscut"));
    Inserts inserts(engine);
    QHash<int, QStringList> columnsByYear; // what each year's table holds, as far as this batch knows
    QStringList columns, previousColumns;
    int previousYear = 0;
    sqlite3_stmt* insert = nullptr;
    std::vector<double> values;
    // Each year's table gets every column of the batch at once: adding columns one
    // at a time as days bring them rewrites the table's schema each time.
    const QMap<int, QStringList> allByYear = columnsByYearOf(days);
    for (auto it = allByYear.cbegin(); it != allByYear.cend(); ++it)
        if (!it.value().isEmpty())
            if (auto q = prepareInsert(it.key(), suffix, it.value(), columnsByYear, inserts); !q)
                return Status::failure(q);
    for (const FeedDay& day : days) {
        if (Status s = checkedRow(day, columns, values); !s) return s;
        const int year = day.date.year();
        // Most days of a file carry the same currencies as the day before: nothing to look up then.
        if (year != previousYear || columns != previousColumns) {
            auto q = prepareInsert(year, suffix, columns, columnsByYear, inserts);
            if (!q) return Status::failure(q);
            insert = *q;
            previousYear = year;
            previousColumns = columns;
        }
        if (!insertRow(insert, day.date, values))
            return m_store.failed(sqlite3_errcode(engine), QString::fromUtf8(sqlite3_errmsg(engine)));
        if (sqlite3_changes(engine) > 0) ++*stored;
    }
    return succeeded();
}

bool DayWriter::insertRow(sqlite3_stmt* insert, QDate day, const std::vector<double>& values) {
    const QByteArray date = RateSql::dateText(day).toLatin1();
    sqlite3_reset(insert);
    sqlite3_bind_text(insert, 1, date.constData(), int(date.size()), SQLITE_TRANSIENT);
    for (size_t i = 0; i < values.size(); ++i)
        sqlite3_bind_double(insert, int(i) + 2, values[i]);
    return sqlite3_step(insert) == SQLITE_DONE;
}

Status DayWriter::checkedRow(const FeedDay& day, QStringList& columns, std::vector<double>& values) {
    columns.clear();
    values.clear();
    for (const FeedRate& e : day.rates) {
        if (!RateField::isColumnName(e.column)) return Status::failure(QStringLiteral("Coloana invalida: ") + e.column);
        const auto v = e.value > 0 ? std::optional<double>(e.value) : RateField::value(e.text);
        if (!v) return Status::failure(QStringLiteral("Curs invalid: ") + e.text.left(20));
        columns << e.column;
        values.push_back(*v);
    }
    if (columns.isEmpty()) return Status::failure(QStringLiteral("Zi fara cursuri: ") + day.date.toString(Qt::ISODate));
    return succeeded();
}

Outcome<sqlite3_stmt*> DayWriter::prepareInsert(int year, const QString& suffix, const QStringList& columns,
                                                QHash<int, QStringList>& columnsByYear, Inserts& inserts) {
    using R = Outcome<sqlite3_stmt*>;
    auto known = columnsByYear.find(year);
    if (known == columnsByYear.end()) {
        auto have = m_store.columnsOf(year, suffix);
        if (!have) return R::failure(have);
        if (have->isEmpty()) {
            if (Status c = m_store.exec(RateSql::createYearTable(year, columns, suffix)); !c) return R::failure(c);
            have = QStringList{QStringLiteral("DATA")} + columns;
        }
        known = columnsByYear.insert(year, *have);
    }
    for (const QString& c : columns) {
        if (known->contains(c, Qt::CaseInsensitive)) continue;
        if (Status a = m_store.exec(RateSql::addColumn(year, c, suffix)); !a) return R::failure(a);
        known->append(c);
    }
    const QString key = QString::number(year) + suffix + u':' + columns.join(u',');
    if (sqlite3_stmt* ready = inserts.find(key)) return ready;
    const QString text = RateSql::insertDayText(year, columns, suffix);
    sqlite3_stmt* made = nullptr;
    if (const int rc = inserts.prepare(key, text, &made); rc != SQLITE_OK)
        return R::failure(m_store.failed(rc, QString::fromUtf8(sqlite3_errmsg(m_store.engine()))));
    return made;
}
