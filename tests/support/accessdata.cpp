#include "tests/support/accessdata.h"

#include "core/access/accessimport.h"
#include "core/money/decimal.h"
#include "core/store/ratedb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace AccessData {

QString folder() {
    const QString f = QStringLiteral(ZORVEL_ACCESS_DATA);
    return QFileInfo(f + QStringLiteral("/valuta-full.mdb")).isFile() ? f : QString();
}

QString helper() {
    const QString h = QStringLiteral(ZORVEL_ACCESS_HELPER);
    return !h.isEmpty() && QFileInfo(h).isExecutable() ? h : QString();
}

QString missing() {
    if (folder().isEmpty())
        return QStringLiteral("the Access files are not on this machine (%1)").arg(ZORVEL_ACCESS_DATA);
    if (helper().isEmpty()) return QStringLiteral("the Access reader was not built (no libmdb)");
    return {};
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

namespace {

// Every stored cell of the history: (leu, day) -> column -> value as text; null as an absent key.
using Stored = QHash<QString, QHash<QString, QString>>;

Stored storedCells(const QString& dbPath) {
    Stored out;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dbPath);
        db.open();
        QSqlQuery tables(db);
        tables.exec(QStringLiteral("select name from sqlite_master where type='table' and name like 'valuta%'"));
        QStringList names;
        while (tables.next())
            names << tables.value(0).toString();
        for (const QString& table : names) {
            const auto year = AccessImport::yearTable(table);
            if (!year) continue;
            QSqlQuery q(db);
            q.exec(QStringLiteral("select * from \"%1\"").arg(table));
            while (q.next()) {
                const QSqlRecord r = q.record();
                QHash<QString, QString>& day = out[year->suffix + u'|' + r.value(0).toString().left(10)];
                for (int i = 1; i < r.count(); ++i)
                    if (const auto d = storedDecimal(r.value(i))) day.insert(r.fieldName(i).toUpper(), d->toString());
                day.insert(QStringLiteral("#TABLE"), QString::number(year->year));
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

} // namespace

QStringList differences(const QString& dbPath, const QString& expectedCsv, const QSet<QString>& skipDays) {
    QStringList out;
    QFile f(expectedCsv);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {QStringLiteral("cannot read ") + expectedCsv};
    const Stored stored = storedCells(dbPath);
    QSet<QString> expectedDays;
    f.readLine(); // header
    while (!f.atEnd()) {
        const QStringList c = QString::fromUtf8(f.readLine()).trimmed().split(u',');
        if (c.size() < 6) continue;
        const auto year = AccessImport::yearTable(c[0]);
        if (!year || c[5] == QLatin1String("text") || !AccessImport::currencyCode(c[3])) continue;
        const QString key = year->suffix + u'|' + c[1];
        if (skipDays.contains(c[1])) {
            if (stored.contains(key)) out << c[1] + QStringLiteral(": stored, but should not be");
            continue;
        }
        const auto value = Decimal::fromText(c[4]);
        const bool empty = !value || value->sign() <= 0;
        if (!empty) expectedDays.insert(key);
        const auto day = stored.constFind(key);
        const QString have = day == stored.cend() ? QString() : day->value(c[3].toUpper());
        const QString want = empty ? QString() : value->rounded(4).toString();
        if (have != want) out << QStringLiteral("%1 %2 %3: stored '%4', file '%5'").arg(c[0], c[1], c[3], have, c[4]);
        // A day belongs in the table of its own year.
        if (day != stored.cend() && day->value(QStringLiteral("#TABLE")) != c[1].left(4))
            out << QStringLiteral("%1: in the table of %2").arg(c[1], day->value(QStringLiteral("#TABLE")));
    }
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        if (!expectedDays.contains(it.key())) out << it.key() + QStringLiteral(": stored, not in the file");
    return out;
}

} // namespace AccessData
