#include "core/store/noratesrecord.h"

#include <QSqlError>
#include <QSqlQuery>

Outcome<QHash<QDate, RateDb::NoRatesDay>> NoRatesRecord::daysWithoutRates() {
    using R = Outcome<QHash<QDate, RateDb::NoRatesDay>>;
    if (m_store.m_noRates) return *m_store.m_noRates;
    auto has = m_store.hasTable(QLatin1String(RateDb::NoRatesTable));
    if (!has) return R::failure(has);
    QHash<QDate, RateDb::NoRatesDay> out;
    if (!*has) return *(m_store.m_noRates = out);
    QSqlQuery q(m_store.m_db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select DATA, VAZUT, CONFIRMAT from %1").arg(QLatin1String(RateDb::NoRatesTable))))
        return R::failure(m_store.failed(q.lastError()));
    while (q.next()) {
        const QDate d = QDate::fromString(q.value(0).toString().left(10), Qt::ISODate);
        if (d.isValid())
            out.insert(d, {QDate::fromString(q.value(1).toString().left(10), Qt::ISODate), q.value(2).toInt() != 0});
    }
    if (q.lastError().isValid()) return R::failure(m_store.failed(q.lastError()));
    return *(m_store.m_noRates = std::move(out));
}

Status NoRatesRecord::noteDaysWithoutRates(const QList<QDate>& lacking, const QList<QDate>& saidNone, QDate today) {
    if (!m_store.m_open) return Status::failure(m_store.m_error, m_store.m_cause);
    if (lacking.isEmpty() && saidNone.isEmpty()) return succeeded();
    m_store.m_noRates.reset();
    return m_store.inTransaction([&] { return noteDays(lacking, saidNone, today); });
}

Status NoRatesRecord::clearDaysWithoutRates() {
    if (!m_store.m_open) return Status::failure(m_store.m_error, m_store.m_cause);
    m_store.m_noRates.reset();
    auto has = m_store.hasTable(QLatin1String(RateDb::NoRatesTable));
    if (!has) return Status::failure(has);
    if (!*has) return succeeded();
    return m_store.inTransaction([&] {
        return m_store.exec({QStringLiteral("delete from %1").arg(QLatin1String(RateDb::NoRatesTable)), {}});
    });
}

Status NoRatesRecord::noteDays(const QList<QDate>& lacking, const QList<QDate>& saidNone, QDate today) {
    const auto run = [this](const QString& sql, QDate day, QDate seen) {
        QSqlQuery q(m_store.m_db);
        // A statement the engine refused (a lock, a damaged file) is said as such, never as Qt's own words.
        if (!q.prepare(sql)) return m_store.failed(q.lastError());
        q.addBindValue(RateSql::dateText(day));
        q.addBindValue(RateSql::dateText(seen));
        return q.exec() ? succeeded() : m_store.failed(q.lastError());
    };
    const QString table = QLatin1String(RateDb::NoRatesTable);
    Status s =
        m_store.exec({QStringLiteral("create table if not exists %1 (DATA TEXT PRIMARY KEY, VAZUT TEXT NOT NULL, "
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
