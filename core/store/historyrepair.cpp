#include "core/store/historyrepair.h"

#include "core/store/daywriter.h"
#include "core/store/ratereads.h"
#include "core/text/ratefield.h"

namespace {

// How a day that came stands to the stored one, rate by rate.
RateDb::Merged comparedToStored(const FeedDay& day, const StoredDay& stored) {
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

} // namespace

Status HistoryRepair::applyChanges(const std::vector<RateDb::Change>& changes) {
    return m_store.inTransaction([&] { return applyAll(changes); });
}

Status HistoryRepair::applyAll(const std::vector<RateDb::Change>& changes) {
    std::vector<FeedDay> inserts;
    for (const RateDb::Change& c : changes)
        if (c.kind == RateDb::Change::Kind::Insert) inserts.push_back(c.day);
    int stored = 0;
    if (!inserts.empty())
        if (Status s = DayWriter(m_store).storeAll(inserts, &stored); !s) return s;
    QHash<int, QStringList> columnsByYear;
    for (const RateDb::Change& c : changes) {
        Status s = succeeded();
        if (c.kind == RateDb::Change::Kind::Delete)
            s = m_store.exec(
                {QStringLiteral("delete from %1 where DATA = ?").arg(yearTable(c.date)), {RateSql::dateText(c.date)}});
        else if (c.kind == RateDb::Change::Kind::Set)
            s = setRate(c, columnsByYear);
        if (!s) return s;
    }
    return succeeded();
}

QString HistoryRepair::yearTable(QDate day) {
    return RateSql::quoted(QStringLiteral("valuta%1ron").arg(day.year()));
}

Status HistoryRepair::setRate(const RateDb::Change& c, QHash<int, QStringList>& columnsByYear) {
    if (!RateField::isColumnName(c.column)) return Status::failure(QStringLiteral("Coloana invalida: ") + c.column);
    auto known = columnsByYear.find(c.date.year());
    if (known == columnsByYear.end()) {
        auto have = m_store.columnsOf(c.date.year());
        if (!have) return Status::failure(have);
        known = columnsByYear.insert(c.date.year(), *have);
    }
    if (!known->contains(c.column, Qt::CaseInsensitive)) {
        if (Status a = m_store.exec(RateSql::addColumn(c.date.year(), c.column)); !a) return a;
        known->append(c.column);
    }
    return m_store.exec(
        {QStringLiteral("update %1 set %2 = ? where DATA = ?").arg(yearTable(c.date), RateSql::quoted(c.column)),
         {c.value, RateSql::dateText(c.date)}});
}

Outcome<std::vector<RateDb::Merged>> HistoryRepair::mergeDays(size_t count, const RateDb::DayAt& dayAt) {
    std::vector<RateDb::Merged> fates;
    if (Status s = m_store.inTransaction([&] { return mergeAll(count, dayAt, fates); }); !s)
        return Outcome<std::vector<RateDb::Merged>>::failure(s);
    return fates;
}

// One table at a time: its stored days read once, its new days written, and both let go.
Status HistoryRepair::mergeAll(size_t count, const RateDb::DayAt& dayAt, std::vector<RateDb::Merged>& fates) {
    fates.assign(count, RateDb::Merged{});
    QString table, suffix;
    QHash<QDate, StoredDay> stored;
    std::vector<FeedDay> fresh;
    for (size_t i = 0; i <= count; ++i) {
        std::optional<RateDb::MergeDay> m;
        if (i < count) m = dayAt(i);
        const QString key = m ? QString::number(m->day.date.year()) + m->suffix : QString();
        if (key != table) {
            int written = 0;
            if (!fresh.empty())
                if (Status s = DayWriter(m_store).storeAll(fresh, &written, suffix); !s) return s;
            fresh.clear();
            if (!m) break;
            auto read = RateReads(m_store).storedDays(m->day.date.year(), m->suffix);
            if (!read) return Status::failure(read);
            stored = std::move(*read);
            table = key;
            suffix = m->suffix;
        }
        const auto have = stored.constFind(m->day.date);
        if (have == stored.cend())
            fresh.push_back(std::move(m->day));
        else
            fates[i] = comparedToStored(m->day, *have);
    }
    return succeeded();
}
