#include "core/store/ratedb.h"

#include "core/access/accessfile.h"
#include "core/text/ratefield.h"

#include "core/store/daywriter.h"
#include "core/store/historyrepair.h"
#include "core/store/noratesrecord.h"
#include "core/store/ratereads.h"
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
#include <cerrno>
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
        return Status::failure(QStringLiteral("Baza de cursuri %1 nu poate fi scrisa%2.")
                                   .arg(file, QFileInfo(QFileInfo(m_path).absolutePath()).isWritable()
                                                  ? QString()
                                                  : QStringLiteral(": dosarul ei nu poate fi scris")),
                               Cause::DbReadOnly);
    case 11: // corrupt
    case 26: // not a database
        return Status::failure(QStringLiteral("Baza de cursuri %1 este deteriorata.").arg(file), Cause::DbDamaged);
    case 10: // disk I/O
        return ioFailure();
    case 14: // cannot open
    case 23: // not authorised
        return Status::failure(QStringLiteral("Baza de cursuri %1 nu poate fi citita.").arg(file), Cause::DbUnreadable);
    case 13: // full
        return Status::failure(QStringLiteral("Nu mai este loc pe disc pentru baza de cursuri %1.").arg(file),
                               Cause::DbReadOnly);
    default:
        // The engine's own words are English and name its internals: the user hears what failed, with its
        // code for whoever helps them.
        return Status::failure(
            QStringLiteral("Baza de cursuri %1 nu poate fi folosita (eroare %2).").arg(file).arg(code), Cause::Other);
    }
}

// A write that failed is said by what the system answered: a full disk or a file size limit is no unreadable file.
Status RateDb::ioFailure() const {
    sqlite3* db = engine();
    const int system = db ? sqlite3_system_errno(db) : 0;
    const int extended = db ? sqlite3_extended_errcode(db) : 0;
#ifdef _WIN32
    const bool full = system == 112 || system == 39, tooLarge = system == 223; // disk full, handle disk full, too large
#else
    const bool full = system == ENOSPC, tooLarge = system == EFBIG;
#endif
    const QString file = shown(m_path);
    if (full)
        return Status::failure(QStringLiteral("Nu mai este loc pe disc pentru baza de cursuri %1.").arg(file),
                               Cause::DbReadOnly);
    if (tooLarge)
        return Status::failure(
            QStringLiteral("Baza de cursuri %1 nu poate fi scrisa: depaseste marimea permisa unui fisier.").arg(file),
            Cause::DbReadOnly);
    const int writes[] = {SQLITE_IOERR_WRITE, SQLITE_IOERR_FSYNC, SQLITE_IOERR_DIR_FSYNC, SQLITE_IOERR_TRUNCATE};
    if (std::find(std::begin(writes), std::end(writes), extended) != std::end(writes))
        return Status::failure(QStringLiteral("Baza de cursuri %1 nu poate fi scrisa pe disc.").arg(file),
                               Cause::DbReadOnly);
    return Status::failure(QStringLiteral("Baza de cursuri %1 nu poate fi citita.").arg(file), Cause::DbUnreadable);
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
    m_columns.clear();
    m_yearTables.clear();
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

// A statement is made once for the length of this connection: a list asks the same few for every date.
Outcome<sqlite3_stmt*> RateDb::statement(const QString& text) {
    if (sqlite3_stmt* ready = m_selects.value(text)) return ready;
    sqlite3* db = engine();
    if (!db) return Outcome<sqlite3_stmt*>::failure(QStringLiteral("Motor de baze de date necunoscut"));
    const QByteArray utf8 = text.toUtf8();
    sqlite3_stmt* made = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &made, nullptr) != SQLITE_OK)
        return Outcome<sqlite3_stmt*>::failure(failed(sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))));
    m_selects.insert(text, made);
    return made;
}

// Every read of rows goes to the engine itself: a year of 33 currencies through the generic
// layer costs several times the engine's own work.
Outcome<StoredRows> RateDb::select(const SqlStatement& s) {
    using R = Outcome<StoredRows>;
    if (!m_open) return R::failure(m_error, m_cause);
    auto prepared = statement(s.text);
    if (!prepared) return R::failure(prepared);
    sqlite3_stmt* raw = *prepared;
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
            return R::failure(failed(rc, QString::fromUtf8(sqlite3_errmsg(engine()))));
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

Outcome<QMap<int, bool>> RateDb::yearTables() {
    const auto tables = yearTableNames(false);
    if (!tables) return Outcome<QMap<int, bool>>::failure(tables);
    QMap<int, bool> out;
    for (auto it = tables->cbegin(); it != tables->cend(); ++it)
        out[it.key()] = out.value(it.key()) || it.value().size() == 13;
    return out;
}

Status RateDb::inTransaction(const std::function<Status()>& work) {
    if (!m_open) return Status::failure(m_error, m_cause);
    // Every transaction here writes: the write lock is taken at its start, where a busy history is waited
    // for. Taken later, after a read, a second writer is refused at once, since waiting could deadlock.
    if (QSqlQuery begin(m_db); !begin.exec(QStringLiteral("begin immediate"))) return failed(begin.lastError());
    const Status s = work();
    if (s && m_db.commit()) return s;
    const Status why = s ? failed(m_db.lastError()) : s;
    m_db.rollback();
    m_columns.clear(); // a table or a column made in the transaction is gone again
    m_yearTables.clear();
    return why;
}

Outcome<QStringList> RateDb::columnsOf(int year, const QString& suffix) {
    return columnsOfTable(QStringLiteral("valuta%1").arg(year) + suffix.toLower());
}

// A table's columns, read once for the connection until a statement of this connection may change them
// (every change of a table's columns goes through exec()): a span of years asks each several times.
Outcome<QStringList> RateDb::columnsOfTable(const QString& table) {
    const QString key = table.toLower();
    if (const auto known = m_columns.constFind(key); known != m_columns.cend()) return *known;
    const auto rows = select({QStringLiteral("select name from pragma_table_info(?)"), {table}});
    if (!rows) return Outcome<QStringList>::failure(rows);
    QStringList names;
    names.reserve(rows->rows.size());
    for (const QVariantList& row : rows->rows)
        names << row[0].toString();
    m_columns.insert(key, names);
    return names;
}

// Kept for the connection as the columns are, until a statement of its own may make a table.
Outcome<QString> RateDb::yearTableName(int year) {
    if (const auto known = m_yearTables.constFind(year); known != m_yearTables.cend()) return *known;
    for (const QString& suffix : {QStringLiteral("RON"), QString()}) {
        const QString name = RateSql::tableName(QString::number(year), suffix);
        auto has = hasTable(name);
        if (!has) return Outcome<QString>::failure(has);
        if (*has) return *m_yearTables.insert(year, name);
    }
    return *m_yearTables.insert(year, QString());
}

Outcome<StoredRows> RateDb::readYearTable(const QString& path, const QString& tableYear, const QString& suffix,
                                          bool allCurrencies) {
    RateDb db(path);
    if (!db.isOpen()) return Outcome<StoredRows>::failure(db.openError(), db.openCause());
    return db.yearTable(tableYear, suffix, allCurrencies);
}

// What callers ask of the history, each done by the part of the store that does it.

Outcome<RateDb::Newest> RateDb::newestDay(int year) {
    return RateReads(*this).newestDay(year);
}

Outcome<RateDb::History> RateDb::history(int fromYear) {
    return RateReads(*this).history(fromYear);
}

Outcome<QList<int>> RateDb::yearsWithRates() {
    return RateReads(*this).yearsWithRates();
}

Outcome<QStringList> RateDb::currencies(int year) {
    return RateReads(*this).currencies(year);
}

Outcome<QList<QDate>> RateDb::otherYearsDays(int year) {
    return RateReads(*this).otherYearsDays(year);
}

Outcome<RateDb::CurrencyYear> RateDb::currencyYear(const QString& currency, int year) {
    return RateReads(*this).currencyYear(currency, year);
}

Outcome<std::optional<StoredDay>> RateDb::rowBefore(QDate day, const QString& suffix) {
    return RateReads(*this).rowBefore(day, suffix);
}

Outcome<StoredRows> RateDb::yearTable(const QString& tableYear, const QString& suffix, bool allCurrencies) {
    return RateReads(*this).yearTable(tableYear, suffix, allCurrencies);
}

Status RateDb::storeDay(const FeedDay& day) {
    return DayWriter(*this).storeDay(day);
}

Status RateDb::storeDays(const std::vector<FeedDay>& days, int* stored) {
    return DayWriter(*this).storeDays(days, stored);
}

Outcome<QHash<QDate, RateDb::NoRatesDay>> RateDb::daysWithoutRates() {
    return NoRatesRecord(*this).daysWithoutRates();
}

Status RateDb::noteDaysWithoutRates(const QList<QDate>& lacking, const QList<QDate>& saidNone, QDate today) {
    return NoRatesRecord(*this).noteDaysWithoutRates(lacking, saidNone, today);
}

Status RateDb::clearDaysWithoutRates() {
    return NoRatesRecord(*this).clearDaysWithoutRates();
}

Status RateDb::applyChanges(const std::vector<Change>& changes) {
    return HistoryRepair(*this).applyChanges(changes);
}

Outcome<std::vector<RateDb::Merged>> RateDb::mergeDays(size_t count, const DayAt& dayAt) {
    return HistoryRepair(*this).mergeDays(count, dayAt);
}
