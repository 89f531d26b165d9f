#include "core/store/ratebackup.h"

#include "core/store/outputfile.h"
#include "core/store/ratedb.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <memory>
#include <sqlite3.h>

namespace {

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;

Connection open(const QString& path, int flags) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    Connection c(db);
    if (db) sqlite3_busy_timeout(db, RateDb::kBusyWaitMs);
    return c;
}

// What the engine said, in the user's words where the system gave a cause.
QString causeOf(sqlite3* db) {
    if (!db) return QStringLiteral("memorie insuficienta");
    if (const int e = sqlite3_system_errno(db); e != 0) return OutputFile::causeOf(e);
    switch (sqlite3_errcode(db)) {
    case SQLITE_FULL:
        return OutputFile::causeOf(ENOSPC);
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
        return QStringLiteral("directorul nu poate fi scris");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("baza de cursuri este folosita de alt program");
    default:
        return QString::fromUtf8(sqlite3_errmsg(db));
    }
}

QString failedCopy(const QString& copy, const QString& cause) {
    return QStringLiteral("Copia bazei de cursuri (%1) nu a putut fi scrisa: %2.")
        .arg(QDir::toNativeSeparators(copy), cause);
}

} // namespace

namespace {

// One table's rows into the hash, value by value with its type; false when the engine failed.
bool hashTable(sqlite3* db, const QString& table, QCryptographicHash& hash) {
    hash.addData(table.toUtf8());
    const QByteArray sql = QStringLiteral("select * from \"%1\" order by 1")
                               .arg(QString(table).replace(u'"', QStringLiteral("\"\"")))
                               .toUtf8();
    sqlite3_stmt* rows = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &rows, nullptr) != SQLITE_OK) return false;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(rows)) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(rows); ++c) {
            hash.addData(QByteArray::number(sqlite3_column_type(rows, c)));
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows, c));
            hash.addData(QByteArray(text ? text : "", sqlite3_column_bytes(rows, c)));
            hash.addData(QByteArrayView("\x1f", 1));
        }
    sqlite3_finalize(rows);
    return rc == SQLITE_DONE;
}

} // namespace

Outcome<QByteArray> RateBackup::digest(const QString& dbPath) {
    using R = Outcome<QByteArray>;
    Connection db = open(dbPath, SQLITE_OPEN_READONLY);
    if (!db || sqlite3_errcode(db.get()) != SQLITE_OK) return R::failure(causeOf(db.get()));
    // One read transaction: every table seen at the same moment.
    sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
    QStringList tables;
    sqlite3_stmt* list = nullptr;
    if (sqlite3_prepare_v2(db.get(), "select name from sqlite_master where type='table' order by name", -1, &list,
                           nullptr) != SQLITE_OK)
        return R::failure(causeOf(db.get()));
    while (sqlite3_step(list) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
    sqlite3_finalize(list);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& t : tables)
        if (!hashTable(db.get(), t, hash)) return R::failure(causeOf(db.get()));
    sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
    return hash.result();
}

namespace {

// The engine's copy of the history into a new file; the cause when it could not be made.
QString copyThrough(const QString& dbPath, const QString& temp) {
    Connection source = open(dbPath, SQLITE_OPEN_READONLY);
    if (!source || sqlite3_errcode(source.get()) != SQLITE_OK) return causeOf(source.get());
    Connection target = open(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!target || sqlite3_errcode(target.get()) != SQLITE_OK) return causeOf(target.get());
    sqlite3_backup* copy = sqlite3_backup_init(target.get(), "main", source.get(), "main");
    const int rc = copy ? sqlite3_backup_step(copy, -1) : SQLITE_ERROR;
    if (copy) sqlite3_backup_finish(copy);
    return rc == SQLITE_DONE ? QString() : causeOf(target.get());
}

// Under the first free name: never over an earlier copy, even one made in the same second.
Outcome<QString> placed(const QString& temp, const QString& dbPath, const QString& stamp) {
    for (int n = 1; n < 100; ++n) {
        const QString name =
            dbPath + stamp + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + QStringLiteral(".bak");
        if (QFileInfo::exists(name)) continue;
        if (QFile::rename(temp, name)) {
            OutputFile::syncToDisk(QFileInfo(name).absolutePath());
            return name;
        }
    }
    return Outcome<QString>::failure(OutputFile::causeOf(EEXIST));
}

} // namespace

Outcome<QString> RateBackup::make(const QString& dbPath) {
    using R = Outcome<QString>;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral(".yyyyMMdd-HHmmss"));
    const QString named = dbPath + stamp + QStringLiteral(".bak");
    // Another program writing meanwhile makes the copy and the history differ: taken again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString temp = RateDb::uniqueSibling(dbPath + stamp);
        const auto fail = [&](const QString& why) {
            QFile::remove(temp);
            return R::failure(failedCopy(named, why));
        };
        if (const QString why = copyThrough(dbPath, temp); !why.isEmpty()) return fail(why);
        // Checked before it is trusted: it opens, passes the engine's check and holds what the history holds.
        const auto was = digest(dbPath);
        if (!was) return fail(was.error());
        const auto is = digest(temp);
        if (!is || *was != *is || !RateDb(temp).check()) {
            QFile::remove(temp);
            continue;
        }
        if (!OutputFile::syncToDisk(temp)) return fail(QStringLiteral("nu a putut fi scrisa pe disc"));
        const auto name = placed(temp, dbPath, stamp);
        if (!name) return fail(name.error());
        return name;
    }
    return R::failure(failedCopy(named, QStringLiteral("baza de cursuri se schimba in timpul copierii")));
}
