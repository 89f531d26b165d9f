#include "core/store/ratedb.h"

#include "core/access/accessfile.h"
#include "core/text/ratefield.h"

#include "core/store/ratesql.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <sqlite3.h>

namespace {

QAtomicInt connectionCounter;

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Runs a script of statements ending in ";" at line ends; "--" lines are comments.
Status runScript(QSqlDatabase& db, const QString& script) {
    QString statement;
    for (const QString& line : script.split(u'\n')) {
        if (line.trimmed().startsWith(QStringLiteral("--"))) continue;
        statement += line + u'\n';
        if (!line.trimmed().endsWith(u';')) continue;
        QSqlQuery q(db);
        if (!q.exec(statement.trimmed().chopped(1))) return Status::failure(q.lastError().text());
        statement.clear();
    }
    return succeeded();
}

} // namespace

std::optional<double> storedValue(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    // Another program may have left a rate as text: it reads as that rate, or as none, never as 0.
    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray) return RateField::value(v.toString());
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return std::nullopt;
    return d;
}

namespace {

// The decimal of at most six places that reads back as the value, found without printing it: every
// rate the bank writes. At a scale of at most a million and below a billion the product and the
// quotient are exact but for one rounding each, and only one whole number of millionths can read back
// as a double this size: it is the value's shortest form. Nothing where more places are needed.
std::optional<Decimal> withFewPlaces(double value) {
    if (!(std::fabs(value) < 1e9)) return std::nullopt;
    double scale = 1;
    for (int places = 0; places <= 6; ++places, scale *= 10) {
        const double units = std::nearbyint(value * scale);
        if (units / scale == value) return Decimal::of(Decimal::Int(units), places);
    }
    return std::nullopt;
}

} // namespace

std::optional<Decimal> storedDecimal(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    // Read for every stored rate of a year: the common case without text.
    if (auto few = withFewPlaces(value)) return few;
    char buffer[64];
    auto shortest = [&buffer](auto v) {
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
        return ec == std::errc() ? QString::fromLatin1(buffer, end - buffer) : QString();
    };
    auto d = Decimal::fromText(shortest(value));
    // A value that went through single precision once (an older program's file)
    // carries the binary tail of a float: its own shortest form is the bank's text.
    if (d && d->decimals() > 6 && double(float(value)) == value) d = Decimal::fromText(shortest(float(value)));
    return d;
}

std::optional<Decimal> storedDecimal(const QVariant& v) {
    const auto value = storedValue(v);
    return value ? storedDecimal(*value) : std::nullopt;
}

std::optional<Decimal> StoredDay::decimal(const QString& column) const {
    const auto value = rate(column);
    return value ? storedDecimal(*value) : std::nullopt;
}

std::optional<double> StoredDay::rate(const QString& column) const {
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].compare(column, Qt::CaseInsensitive) == 0) return storedValue(values[i]);
    return std::nullopt;
}

namespace {

// Why a file cannot be opened as a rate database before the engine is asked; empty when it may be one.
std::pair<QString, Cause> unopenable(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return {QStringLiteral("Lipseste baza de cursuri %1.").arg(shown(path)), Cause::DbMissing};
    if (!info.isFile() || !info.isReadable())
        return {QStringLiteral("Baza de cursuri %1 nu poate fi citita.").arg(shown(path)), Cause::DbUnreadable};
    // The engine would take an empty file for an empty database and write tables into it.
    if (info.size() == 0)
        return {QStringLiteral("Fisierul %1 este gol: nu este o baza de cursuri.").arg(shown(path)), Cause::DbDamaged};
    // A file that is no database of the engine at all (a list, an older program's file) says so
    // here, in the words of the update, not through the first statement that fails on it.
    if (QFile f(path); f.open(QIODevice::ReadOnly) && f.read(16) != QByteArray("SQLite format 3\0", 16)) {
        if (AccessFile::isAccess(path))
            return {QStringLiteral("Baza de cursuri %1 este o baza Access, din versiunea anterioara a programului: "
                                   "istoricul ei se aduce cu \"Importa istoric Access...\" sau zorvel --import-access.")
                        .arg(shown(path)),
                    Cause::DbDamaged};
        return {QStringLiteral("Baza de cursuri %1 este deteriorata.").arg(shown(path)), Cause::DbDamaged};
    }
    return {};
}

} // namespace

RateDb::RateDb(const QString& path, int busyWaitMs) : m_path(path) {
    m_name = QStringLiteral("zorvel-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    if (auto [why, cause] = unopenable(path); !why.isEmpty()) {
        m_error = why;
        m_cause = cause;
        return;
    }
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyWaitMs));
    m_open = m_db.open();
    if (!m_open) {
        const Status s = failed(m_db.lastError());
        m_error = s.error();
        m_cause = s.cause() == Cause::Other ? Cause::DbUnreadable : s.cause();
    }
}

RateDb::~RateDb() {
    // The engine closes a connection only once its statements are gone.
    for (sqlite3_stmt* st : std::as_const(m_selects))
        sqlite3_finalize(st);
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

Status RateDb::failed(const QSqlError& e) const {
    return failed(e.nativeErrorCode().toInt(), e.text());
}

namespace {

// A failed commit comes without the engine's code: its own words tell the cause.
int codeFromText(const QString& text) {
    static const std::pair<const char*, int> known[] = {
        {"disk is full", 13},   {"database is locked", 5}, {"readonly database", 8}, {"disk I/O error", 10},
        {"not a database", 26}, {"malformed", 11},         {"unable to open", 14},
    };
    for (const auto& [words, code] : known)
        if (text.contains(QLatin1String(words), Qt::CaseInsensitive)) return code;
    return 0;
}

} // namespace

Status RateDb::failed(int nativeCode, const QString& text) const {
    const int code = (nativeCode != 0 ? nativeCode : codeFromText(text)) & 0xff;
    const QString file = shown(m_path);
    switch (code) {
    case 5: // busy
    case 6: // locked
        return Status::failure(QStringLiteral("Baza de cursuri %1 este folosita de alt program. "
                                              "Inchideti-l si incercati din nou.")
                                   .arg(file),
                               Cause::DbBusy);
    case 8: // read only
        return Status::failure(QStringLiteral("Baza de cursuri %1 nu poate fi scrisa.").arg(file), Cause::DbReadOnly);
    case 11: // corrupt
    case 26: // not a database
        return Status::failure(QStringLiteral("Baza de cursuri %1 este deteriorata.").arg(file), Cause::DbDamaged);
    case 10: // disk I/O
    case 14: // cannot open
    case 23: // not authorised
        return Status::failure(QStringLiteral("Baza de cursuri %1 nu poate fi citita.").arg(file), Cause::DbUnreadable);
    case 13: // full
        return Status::failure(QStringLiteral("Nu mai este loc pe disc pentru baza de cursuri %1.").arg(file),
                               Cause::DbReadOnly);
    default:
        return Status::failure(text);
    }
}

QString RateDb::uniqueSibling(const QString& path) {
    return QStringLiteral("%1.new-%2-%3")
        .arg(path)
        .arg(QCoreApplication::applicationPid())
        .arg(connectionCounter.fetchAndAddRelaxed(1));
}

Status RateDb::createShipped(const QString& path) {
    // Another start made it meanwhile: that file is the one to use.
    if (QFileInfo::exists(path)) return succeeded();
    QFile source(QStringLiteral(":/zorvel/valuta.sql"));
    if (!source.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("Lipseste baza de cursuri %1.").arg(shown(path)), Cause::DbMissing);
    const QString script = QString::fromUtf8(source.readAll());
    // A name of this start's own: two first starts at once never write into one file.
    const QString temp = uniqueSibling(path);
    Status made = succeeded();
    const QString name = QStringLiteral("zorvel-new-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(temp);
        made = db.open() ? runScript(db, script) : Status::failure(db.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    // Made aside and renamed, so a crash never leaves half a database under the real name;
    // rename also refuses to replace a file that appeared meanwhile, which is then the one to use.
    const bool placed = made && QFile::rename(temp, path);
    QFile::remove(temp);
    if (!placed && !(made && QFileInfo(path).size() > 0))
        return Status::failure(QStringLiteral("Lipseste baza de cursuri %1 si nu poate fi creata.").arg(shown(path)),
                               Cause::DbMissing);
    return succeeded();
}

Status RateDb::check() {
    if (!m_open) return Status::failure(m_error, m_cause);
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("pragma quick_check")) || !q.next()) return failed(q.lastError());
    if (q.value(0).toString() != u"ok")
        return Status::failure(QStringLiteral("Baza de cursuri %1 este deteriorata.").arg(shown(m_path)),
                               Cause::DbDamaged);
    q.finish();
    if (!q.exec(QStringLiteral("select count(*) from sqlite_master where type='table' and "
                               "(name like 'valuta%' or name like 'principale')")) ||
        !q.next())
        return failed(q.lastError());
    if (q.value(0).toInt() == 0)
        return Status::failure(QStringLiteral("Fisierul %1 nu este o baza de cursuri.").arg(shown(m_path)),
                               Cause::DbDamaged);
    return succeeded();
}

Outcome<bool> RateDb::hasTable(const QString& name) {
    if (!m_open) return Outcome<bool>::failure(m_error, m_cause);
    const auto rows =
        select({QStringLiteral("select 1 from sqlite_master where type='table' and name=? collate nocase"), {name}});
    if (!rows) return Outcome<bool>::failure(rows);
    return !rows->rows.empty();
}

Status RateDb::exec(const SqlStatement& s) {
    QSqlQuery q(m_db);
    if (!q.prepare(s.text)) return failed(q.lastError());
    for (const QVariant& v : s.values)
        q.addBindValue(v);
    if (!q.exec()) return failed(q.lastError());
    return succeeded();
}

namespace {

void bind(sqlite3_stmt* st, int at, const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
        sqlite3_bind_int64(st, at, v.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(st, at, v.toDouble());
        break;
    default:
        if (v.isNull()) {
            sqlite3_bind_null(st, at);
        } else {
            const QByteArray text = v.toString().toUtf8();
            sqlite3_bind_text(st, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
    }
}

// A cell as the engine keeps it: whole numbers, doubles and text as themselves, NULL as a null value.
QVariant cell(sqlite3_stmt* st, int column) {
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(st, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(st, column);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, column)),
                                 sqlite3_column_bytes(st, column));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, column)), sqlite3_column_bytes(st, column));
    default:
        return {};
    }
}

} // namespace

sqlite3* RateDb::engine() const {
    const QVariant handle = m_db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(handle.data());
}

// Every read of rows goes to the engine itself: a year of 33 currencies through the generic
// layer costs several times the engine's own work.
Outcome<StoredRows> RateDb::select(const SqlStatement& s) {
    using R = Outcome<StoredRows>;
    if (!m_open) return R::failure(m_error, m_cause);
    sqlite3* db = engine();
    if (!db) return R::failure(QStringLiteral("Motor de baze de date necunoscut"));
    // A statement is made once for the length of this connection: a list asks the same few for every date.
    sqlite3_stmt* raw = m_selects.value(s.text);
    if (!raw) {
        const QByteArray text = s.text.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
            return R::failure(failed(sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))));
        m_selects.insert(s.text, raw);
    }
    // Left ready for its next use, and holding no lock meanwhile, however the reading ends.
    const std::unique_ptr<sqlite3_stmt, void (*)(sqlite3_stmt*)> done(raw, [](sqlite3_stmt* st) {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    });
    for (qsizetype i = 0; i < s.values.size(); ++i)
        bind(raw, int(i) + 1, s.values[i]);
    StoredRows t;
    int columns = 0;
    for (bool first = true;; first = false) {
        const int rc = sqlite3_step(raw);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return R::failure(failed(sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))));
        // Named after the first step: a table changed since the statement was made is read as it is now.
        if (first) {
            columns = sqlite3_column_count(raw);
            for (int i = 0; i < columns; ++i)
                t.names << QString::fromUtf8(sqlite3_column_name(raw, i));
        }
        if (rc == SQLITE_DONE) break;
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << cell(raw, i);
        t.rows.push_back(std::move(row));
    }
    return t;
}

Outcome<RateDb::Newest> RateDb::newestDay(int year) {
    using R = Outcome<Newest>;
    auto exists = hasTable(RateSql::tableName(QString::number(year), QStringLiteral("RON")));
    if (!exists) return R::failure(exists);
    if (!*exists) return Newest{};
    auto t = select(RateSql::newestRow(year));
    if (!t) return R::failure(t);
    if (t->rows.empty()) return Newest{true, {}};
    const QDate d = QDate::fromString(t->rows.front().value(0).toString().left(10), Qt::ISODate);
    if (!d.isValid())
        return R::failure(
            QStringLiteral("Baza de cursuri %1 are o data necunoscuta in anul %2.").arg(shown(m_path)).arg(year),
            Cause::DbDamaged);
    return Newest{true, d};
}

Outcome<QMultiMap<int, QString>> RateDb::yearTableNames(bool newLeuOnly) {
    using R = Outcome<QMultiMap<int, QString>>;
    if (!m_open) return R::failure(m_error, m_cause);
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    // LIKE ignores case for ASCII: every spelling of the table names is found.
    const QString newLeu = QStringLiteral("name like 'valuta____ron'");
    if (!q.exec(QStringLiteral("select name from sqlite_master where type='table' and (%1)")
                    .arg(newLeuOnly ? newLeu : newLeu + QStringLiteral(" or name like 'valuta____'"))))
        return R::failure(failed(q.lastError()));
    QMultiMap<int, QString> out;
    while (q.next()) {
        const QString name = q.value(0).toString();
        bool ok = false;
        const int year = name.mid(6, 4).toInt(&ok);
        if (ok) out.insert(year, name);
    }
    if (q.lastError().isValid()) return R::failure(failed(q.lastError()));
    return out;
}

Outcome<RateDb::History> RateDb::history(int fromYear) {
    using R = Outcome<History>;
    const auto tables = yearTableNames(true);
    if (!tables) return R::failure(tables);
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    History out;
    for (auto it = tables->lowerBound(fromYear); it != tables->cend(); ++it) {
        if (!q.exec(QStringLiteral("select DATA from %1 order by DATA").arg(RateSql::quoted(it.value()))))
            return R::failure(failed(q.lastError()));
        const size_t before = out.days.size();
        while (q.next()) {
            const QDate d = QDate::fromString(q.value(0).toString().left(10), Qt::ISODate);
            // A row of another year in this table is no day of the history: it never blocks an update.
            if (d.isValid() && d.year() == it.key()) out.days.push_back(d);
        }
        if (q.lastError().isValid()) return R::failure(failed(q.lastError()));
        if (out.days.size() == before) out.emptyYears << it.key();
    }
    std::sort(out.days.begin(), out.days.end());
    return out;
}

Outcome<QMap<int, bool>> RateDb::yearTables() {
    const auto tables = yearTableNames(false);
    if (!tables) return Outcome<QMap<int, bool>>::failure(tables);
    QMap<int, bool> out;
    for (auto it = tables->cbegin(); it != tables->cend(); ++it)
        out[it.key()] = out.value(it.key()) || it.value().size() == 13;
    return out;
}

Outcome<QList<int>> RateDb::yearsWithRates() {
    using R = Outcome<QList<int>>;
    const auto tables = yearTableNames(false);
    if (!tables) return R::failure(tables);
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    QList<int> out;
    for (auto it = tables->cbegin(); it != tables->cend(); ++it) {
        if (out.contains(it.key())) continue;
        if (!q.exec(QStringLiteral("select 1 from %1 limit 1").arg(RateSql::quoted(it.value()))))
            return R::failure(failed(q.lastError()));
        if (q.next()) out << it.key();
        if (q.lastError().isValid()) return R::failure(failed(q.lastError()));
        q.finish();
    }
    return out;
}

Status RateDb::inTransaction(const std::function<Status()>& work) {
    if (!m_open) return Status::failure(m_error, m_cause);
    if (!m_db.transaction()) return failed(m_db.lastError());
    const Status s = work();
    if (s && m_db.commit()) return s;
    const Status why = s ? failed(m_db.lastError()) : s;
    m_db.rollback();
    return why;
}

Status RateDb::applyChanges(const std::vector<Change>& changes) {
    return inTransaction([&] { return applyAll(changes); });
}

Status RateDb::applyAll(const std::vector<Change>& changes) {
    std::vector<FeedDay> inserts;
    for (const Change& c : changes)
        if (c.kind == Change::Kind::Insert) inserts.push_back(c.day);
    int stored = 0;
    if (!inserts.empty())
        if (Status s = storeAll(inserts, &stored); !s) return s;
    QHash<int, QStringList> columnsByYear;
    for (const Change& c : changes) {
        Status s = succeeded();
        if (c.kind == Change::Kind::Delete)
            s = exec(
                {QStringLiteral("delete from %1 where DATA = ?").arg(yearTable(c.date)), {RateSql::dateText(c.date)}});
        else if (c.kind == Change::Kind::Set)
            s = setRate(c, columnsByYear);
        if (!s) return s;
    }
    return succeeded();
}

QString RateDb::yearTable(QDate day) {
    return RateSql::quoted(QStringLiteral("valuta%1ron").arg(day.year()));
}

Status RateDb::setRate(const Change& c, QHash<int, QStringList>& columnsByYear) {
    if (!RateField::isColumnName(c.column)) return Status::failure(QStringLiteral("Coloana invalida: ") + c.column);
    auto known = columnsByYear.find(c.date.year());
    if (known == columnsByYear.end()) {
        auto have = columnsOf(c.date.year());
        if (!have) return Status::failure(have);
        known = columnsByYear.insert(c.date.year(), *have);
    }
    if (!known->contains(c.column, Qt::CaseInsensitive)) {
        if (Status a = exec(RateSql::addColumn(c.date.year(), c.column)); !a) return a;
        known->append(c.column);
    }
    return exec(
        {QStringLiteral("update %1 set %2 = ? where DATA = ?").arg(yearTable(c.date), RateSql::quoted(c.column)),
         {c.value, RateSql::dateText(c.date)}});
}

Outcome<QHash<QDate, RateDb::NoRatesDay>> RateDb::daysWithoutRates() {
    using R = Outcome<QHash<QDate, NoRatesDay>>;
    if (m_noRates) return *m_noRates;
    auto has = hasTable(QLatin1String(NoRatesTable));
    if (!has) return R::failure(has);
    QHash<QDate, NoRatesDay> out;
    if (!*has) return *(m_noRates = out);
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select DATA, VAZUT, CONFIRMAT from %1").arg(QLatin1String(NoRatesTable))))
        return R::failure(failed(q.lastError()));
    while (q.next()) {
        const QDate d = QDate::fromString(q.value(0).toString().left(10), Qt::ISODate);
        if (d.isValid())
            out.insert(d, {QDate::fromString(q.value(1).toString().left(10), Qt::ISODate), q.value(2).toInt() != 0});
    }
    if (q.lastError().isValid()) return R::failure(failed(q.lastError()));
    return *(m_noRates = std::move(out));
}

Status RateDb::noteDaysWithoutRates(const QList<QDate>& lacking, const QList<QDate>& saidNone, QDate today) {
    if (!m_open) return Status::failure(m_error, m_cause);
    if (lacking.isEmpty() && saidNone.isEmpty()) return succeeded();
    m_noRates.reset();
    return inTransaction([&] { return noteDays(lacking, saidNone, today); });
}

Status RateDb::clearDaysWithoutRates() {
    if (!m_open) return Status::failure(m_error, m_cause);
    m_noRates.reset();
    auto has = hasTable(QLatin1String(NoRatesTable));
    if (!has) return Status::failure(has);
    if (!*has) return succeeded();
    return inTransaction([&] { return exec({QStringLiteral("delete from %1").arg(QLatin1String(NoRatesTable)), {}}); });
}

Status RateDb::noteDays(const QList<QDate>& lacking, const QList<QDate>& saidNone, QDate today) {
    const auto run = [this](const QString& sql, QDate day, QDate seen) {
        QSqlQuery q(m_db);
        // A statement the engine refused (a lock, a damaged file) is said as such, never as Qt's own words.
        if (!q.prepare(sql)) return failed(q.lastError());
        q.addBindValue(RateSql::dateText(day));
        q.addBindValue(RateSql::dateText(seen));
        return q.exec() ? succeeded() : failed(q.lastError());
    };
    const QString table = QLatin1String(NoRatesTable);
    Status s = exec({QStringLiteral("create table if not exists %1 (DATA TEXT PRIMARY KEY, VAZUT TEXT NOT NULL, "
                                    "CONFIRMAT INTEGER NOT NULL DEFAULT 0)")
                         .arg(table),
                     {}});
    // A day seen lacking again on a later day is confirmed; one the bank said it has no rates for, at once.
    const std::pair<const QList<QDate>*, QString> notes[] = {
        {&lacking, QStringLiteral("insert into %1 (DATA, VAZUT) values (?, ?) "
                                  "on conflict(DATA) do update set CONFIRMAT = 1 where VAZUT < excluded.VAZUT")},
        {&saidNone, QStringLiteral("insert into %1 (DATA, VAZUT, CONFIRMAT) values (?, ?, 1) "
                                   "on conflict(DATA) do update set CONFIRMAT = 1")},
    };
    for (const auto& [days, sql] : notes)
        for (QDate d : *days) {
            if (!s) return s;
            s = run(sql.arg(table), d, today);
        }
    return s;
}

Outcome<QStringList> RateDb::columnsOf(int year, const QString& suffix) {
    return columnsOfTable(QStringLiteral("valuta%1").arg(year) + suffix.toLower());
}

Outcome<QStringList> RateDb::columnsOfTable(const QString& table) {
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("pragma table_info(%1)").arg(RateSql::quoted(table))))
        return Outcome<QStringList>::failure(failed(q.lastError()));
    QStringList names;
    while (q.next())
        names << q.value(1).toString();
    return names;
}

Outcome<QString> RateDb::yearTableName(int year) {
    for (const QString& suffix : {QStringLiteral("RON"), QString()}) {
        const QString name = RateSql::tableName(QString::number(year), suffix);
        auto has = hasTable(name);
        if (!has) return Outcome<QString>::failure(has);
        if (*has) return name;
    }
    return QString();
}

Outcome<QStringList> RateDb::currencies(int year) {
    if (!m_open) return Outcome<QStringList>::failure(m_error, m_cause);
    auto table = yearTableName(year);
    if (!table) return Outcome<QStringList>::failure(table);
    if (table->isEmpty()) return QStringList();
    auto columns = columnsOfTable(*table);
    if (columns)
        columns->removeIf([](const QString& c) { return c.compare(QStringLiteral("DATA"), Qt::CaseInsensitive) == 0; });
    return columns;
}

Outcome<QList<QDate>> RateDb::otherYearsDays(int year) {
    const auto rows = select(RateSql::otherYearsRows(year, QStringLiteral("RON")));
    if (!rows) return Outcome<QList<QDate>>::failure(rows);
    QList<QDate> out;
    for (const QVariantList& r : rows->rows)
        out << QDate::fromString(r.value(0).toString().left(10), Qt::ISODate);
    return out;
}

Outcome<RateDb::CurrencyYear> RateDb::currencyYear(const QString& currency, int year) {
    using R = Outcome<CurrencyYear>;
    if (!m_open) return R::failure(m_error, m_cause);
    auto table = yearTableName(year);
    if (!table) return R::failure(table);
    CurrencyYear out;
    if (table->isEmpty()) return out;
    out.tableFound = true;
    auto columns = columnsOfTable(*table);
    if (!columns) return R::failure(columns);
    out.column = RateField::columnForCode(*columns, currency);
    if (out.column.isEmpty()) return out;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    const QString sql = QStringLiteral("select DATA, %1 from %2 where %1 is not null order by DATA")
                            .arg(RateSql::quoted(out.column), RateSql::quoted(*table));
    if (!q.exec(sql)) return R::failure(failed(q.lastError()));
    while (q.next()) {
        const QDate d = QDate::fromString(q.value(0).toString().left(10), Qt::ISODate);
        // A rate kept as text reads as that rate, or not at all; a row of another year is not this year's day.
        const std::optional<double> v = storedValue(q.value(1));
        if (d.isValid() && d.year() == year && v) out.days.push_back({d, *v});
    }
    if (q.lastError().isValid()) return R::failure(failed(q.lastError()));
    return out;
}

Status RateDb::storeDay(const FeedDay& day) {
    int stored = 0;
    return storeDays({day}, &stored);
}

Status RateDb::storeDays(const std::vector<FeedDay>& days, int* stored) {
    *stored = 0;
    const Status s = inTransaction([&] { return storeAll(days, stored); });
    if (!s) *stored = 0; // rolled back: nothing of the batch is stored
    return s;
}

// The engine's own statements, for the one loop that runs for every day of a
// yearly file: binding through the generic layer costs more than the insert itself.
class RateDb::Inserts {
public:
    explicit Inserts(sqlite3* db) : m_db(db) {}
    ~Inserts() {
        for (sqlite3_stmt* s : std::as_const(m_statements))
            sqlite3_finalize(s);
    }
    Inserts(const Inserts&) = delete;
    Inserts& operator=(const Inserts&) = delete;

    sqlite3_stmt* find(const QString& key) const { return m_statements.value(key); }
    int prepare(const QString& key, const QString& text, sqlite3_stmt** out) {
        const QByteArray utf8 = text.toUtf8();
        const int rc = sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), out, nullptr);
        if (rc == SQLITE_OK) m_statements.insert(key, *out);
        return rc;
    }

private:
    sqlite3* m_db;
    QHash<QString, sqlite3_stmt*> m_statements;
};

Outcome<StoredRows> RateDb::readYearTable(const QString& path, const QString& tableYear, const QString& suffix,
                                          bool allCurrencies) {
    RateDb db(path);
    if (!db.isOpen()) return Outcome<StoredRows>::failure(db.openError(), db.openCause());
    return db.yearTable(tableYear, suffix, allCurrencies);
}

QMap<int, QStringList> RateDb::columnsByYearOf(const std::vector<FeedDay>& days) {
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

Status RateDb::storeAll(const std::vector<FeedDay>& days, int* stored, const QString& suffix) {
    sqlite3* engine = this->engine();
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
            return failed(sqlite3_errcode(engine), QString::fromUtf8(sqlite3_errmsg(engine)));
        if (sqlite3_changes(engine) > 0) ++*stored;
    }
    return succeeded();
}

Outcome<std::vector<RateDb::Merged>> RateDb::mergeDays(const std::vector<MergeDay>& days) {
    std::vector<Merged> fates;
    if (Status s = inTransaction([&] { return mergeAll(days, fates); }); !s)
        return Outcome<std::vector<Merged>>::failure(s);
    return fates;
}

Outcome<QHash<QDate, StoredDay>> RateDb::storedDays(int year, const QString& suffix) {
    using R = Outcome<QHash<QDate, StoredDay>>;
    const QString table = RateSql::tableName(QString::number(year), suffix);
    auto has = hasTable(table);
    if (!has) return R::failure(has);
    QHash<QDate, StoredDay> out;
    if (!*has) return out;
    auto rows = select({QStringLiteral("select * from ") + RateSql::quoted(table), {}});
    if (!rows) return R::failure(rows);
    for (const QVariantList& row : rows->rows) {
        const QDate day = row.isEmpty() ? QDate() : QDate::fromString(row.first().toString().left(10), Qt::ISODate);
        if (day.isValid()) out.insert(day, {rows->names, row});
    }
    return out;
}

// How a day that came stands to the stored one, rate by rate.
static RateDb::Merged comparedToStored(const FeedDay& day, const StoredDay& stored) {
    RateDb::Merged m{RateDb::Merged::Fate::AlreadyStored, {}};
    QStringList lacking;
    for (const FeedRate& r : day.rates) {
        const auto have = stored.decimal(r.column);
        const auto came = Decimal::fromText(r.text);
        if (!have)
            lacking << r.column;
        else if (!came || *have != *came)
            m.columns << r.column;
    }
    if (!m.columns.isEmpty())
        m.fate = RateDb::Merged::Fate::Differs;
    else if (!lacking.isEmpty())
        m = {RateDb::Merged::Fate::Lacking, lacking};
    return m;
}

Status RateDb::mergeAll(const std::vector<MergeDay>& days, std::vector<Merged>& fates) {
    fates.assign(days.size(), Merged{});
    QHash<QString, QHash<QDate, StoredDay>> storedByTable;
    QHash<QString, std::vector<FeedDay>> newBySuffix;
    for (size_t i = 0; i < days.size(); ++i) {
        const MergeDay& m = days[i];
        const QString key = QString::number(m.day.date.year()) + m.suffix;
        auto known = storedByTable.find(key);
        if (known == storedByTable.end()) {
            auto read = storedDays(m.day.date.year(), m.suffix);
            if (!read) return Status::failure(read);
            known = storedByTable.insert(key, *read);
        }
        const auto stored = known->constFind(m.day.date);
        if (stored == known->cend()) {
            newBySuffix[m.suffix].push_back(m.day);
            continue;
        }
        fates[i] = comparedToStored(m.day, *stored);
    }
    for (auto it = newBySuffix.cbegin(); it != newBySuffix.cend(); ++it) {
        int stored = 0;
        if (Status s = storeAll(it.value(), &stored, it.key()); !s) return s;
    }
    return succeeded();
}

bool RateDb::insertRow(sqlite3_stmt* insert, QDate day, const std::vector<double>& values) {
    const QByteArray date = RateSql::dateText(day).toLatin1();
    sqlite3_reset(insert);
    sqlite3_bind_text(insert, 1, date.constData(), int(date.size()), SQLITE_TRANSIENT);
    for (size_t i = 0; i < values.size(); ++i)
        sqlite3_bind_double(insert, int(i) + 2, values[i]);
    return sqlite3_step(insert) == SQLITE_DONE;
}

Status RateDb::checkedRow(const FeedDay& day, QStringList& columns, std::vector<double>& values) {
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

Outcome<sqlite3_stmt*> RateDb::prepareInsert(int year, const QString& suffix, const QStringList& columns,
                                             QHash<int, QStringList>& columnsByYear, Inserts& inserts) {
    using R = Outcome<sqlite3_stmt*>;
    auto known = columnsByYear.find(year);
    if (known == columnsByYear.end()) {
        auto have = columnsOf(year, suffix);
        if (!have) return R::failure(have);
        if (have->isEmpty()) {
            if (Status c = exec(RateSql::createYearTable(year, columns, suffix)); !c) return R::failure(c);
            have = QStringList{QStringLiteral("DATA")} + columns;
        }
        known = columnsByYear.insert(year, *have);
    }
    for (const QString& c : columns) {
        if (known->contains(c, Qt::CaseInsensitive)) continue;
        if (Status a = exec(RateSql::addColumn(year, c, suffix)); !a) return R::failure(a);
        known->append(c);
    }
    const QString key = QString::number(year) + suffix + u':' + columns.join(u',');
    if (sqlite3_stmt* ready = inserts.find(key)) return ready;
    const QString text = RateSql::insertDayText(year, columns, suffix);
    sqlite3_stmt* made = nullptr;
    if (const int rc = inserts.prepare(key, text, &made); rc != SQLITE_OK)
        return R::failure(failed(rc, QString::fromUtf8(sqlite3_errmsg(engine()))));
    return made;
}

Outcome<std::optional<StoredDay>> RateDb::rowBefore(QDate day, const QString& suffix) {
    using R = Outcome<std::optional<StoredDay>>;
    if (!m_open) return R::failure(m_error, m_cause);
    const auto rowOf = [&](int year) -> R {
        auto t = select(RateSql::rowBefore(year, suffix, day));
        if (!t) return R::failure(t);
        if (t->rows.empty()) return std::optional<StoredDay>();
        return std::optional<StoredDay>(StoredDay{t->names, t->rows.front()});
    };
    // A year without a table yet (early January, before the bank's first day) leads to the year before.
    for (int year : {day.year(), day.year() - 1}) {
        auto has = hasTable(RateSql::tableName(QString::number(year), suffix));
        if (!has) return R::failure(has);
        if (!*has) continue;
        auto row = rowOf(year);
        if (!row || row->has_value()) return row;
    }
    // A history that stopped years ago still has a last day: the tables of the same leu, newest first.
    const bool newLeu = !suffix.isEmpty();
    auto tables = yearTableNames(newLeu);
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

Outcome<StoredRows> RateDb::yearTable(const QString& tableYear, const QString& suffix, bool allCurrencies) {
    if (!m_open) return Outcome<StoredRows>::failure(m_error, m_cause);
    if (allCurrencies) return select(RateSql::allColumns(tableYear, suffix));
    auto first = select(RateSql::firstRow(tableYear, suffix));
    if (!first) return first;
    auto main = select(RateSql::mainCurrencies(first->names));
    if (!main) return main;
    const qsizetype valuta = main->names.indexOf(QStringLiteral("valuta"));
    QStringList columns;
    for (const QVariantList& row : main->rows) {
        // Only names the year's table itself holds as columns, spelt as it spells them.
        const QString name = row.value(valuta).toString();
        for (const QString& column : first->names)
            if (column.compare(name, Qt::CaseInsensitive) == 0 && !columns.contains(column)) columns << column;
    }
    if (columns.isEmpty()) return select(RateSql::allColumns(tableYear, suffix));
    return select(RateSql::someColumns(tableYear, suffix, columns));
}
