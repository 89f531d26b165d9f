#include "rateupdater.h"

#include "feedparser.h"
#include "ratedb.h"

#include <QLocale>
#include <algorithm>

RateUpdater::RateUpdater(QString dbPath, FeedClient& client) : m_dbPath(std::move(dbPath)), m_client(client) {}

Outcome<QDate> RateUpdater::lastStoredDate(QDate feedDate) {
    RateDb db(m_dbPath);
    if (!db.isOpen()) return Outcome<QDate>::failure(db.openError());
    for (int year = feedDate.year(); year >= FirstYear; --year) {
        auto newest = db.newestDay(year);
        if (!newest) continue;
        if (newest->has_value()) return newest->value();
        return QDate(year, 1, 1).addDays(-1);
    }
    return Outcome<QDate>::failure(QStringLiteral("Nu exista niciun tabel de curs din %1 incoace").arg(FirstYear));
}

bool RateUpdater::tick(const ProgressFn& progress, const QString& what) {
    if (m_cancelled) return false;
    if (progress && !progress({what, m_done, m_total})) m_cancelled = true;
    return !m_cancelled;
}

RateUpdater::Report RateUpdater::run(const ProgressFn& progress) {
    Report report;
    m_done = m_total = 0;
    m_cancelled = false;
    auto feed = m_client.get(FeedClient::feedPath());
    ++report.requests;
    if (!feed) {
        report.detail = feed.error();
        return report;
    }
    auto feedDate = FeedParser::feedDate(*feed);
    if (!feedDate) {
        report.detail = feedDate.error();
        return report;
    }
    auto last = lastStoredDate(*feedDate);
    if (!last) {
        report.detail = last.error();
        return report;
    }
    if (*last < *feedDate) {
        const Status s = importRange(*last, *feedDate, report, progress);
        if (!s) {
            report.result = m_cancelled ? Result::Cancelled : Result::Failed;
            report.detail = s.error();
            return report;
        }
    }
    report.feedDate = *feedDate;
    report.result = Result::UpToDate;
    return report;
}

Status RateUpdater::importRange(QDate first, QDate last, Report& report, const ProgressFn& progress) {
    m_total = int(first.daysTo(last));
    for (int year = first.addDays(1).year(); year <= last.year(); ++year) {
        const QDate from = std::max(first.addDays(1), QDate(year, 1, 1));
        const QDate to = std::min(last, QDate(year, 12, 31));
        QDate next = from;
        if (from.daysTo(to) + 1 > YearlyThresholdDays) {
            if (!tick(progress, QStringLiteral("Anul %1").arg(year))) return Status::failure(QStringLiteral("Oprit"));
            Status failure = succeeded();
            const QDate newest = importYear(year, from, to, report, failure);
            if (!failure) return failure;
            if (newest.isValid()) {
                // The current year's file may lag a day behind the feed, and a past year's
                // file may stop early; fetch what is missing at the end day by day.
                const bool tailMissing = year == last.year() || newest.daysTo(to) > 4;
                next = tailMissing ? newest.addDays(1) : to.addDays(1);
                m_done = int(first.daysTo(std::min(next, to)));
            }
        }
        if (next <= to) {
            if (Status s = importDays(next, to, report, progress); !s) return s;
        }
        m_done = int(first.daysTo(to));
    }
    return succeeded();
}

QDate RateUpdater::importYear(int year, QDate from, QDate to, Report& report, Status& failure) {
    auto file = m_client.get(FeedClient::yearPath(year));
    ++report.requests;
    if (!file || FeedParser::saysNoRates(*file)) return {};
    auto days = FeedParser::yearFile(*file);
    if (!days) return {};
    std::vector<DayRates> wanted;
    for (DayRates& d : days.value())
        if (d.date >= from && d.date <= to) wanted.push_back(std::move(d));
    std::stable_sort(wanted.begin(), wanted.end(),
                     [](const DayRates& a, const DayRates& b) { return a.date < b.date; });
    // A file that repeats a day keeps its last copy of it.
    auto dup = std::unique(wanted.rbegin(), wanted.rend(),
                           [](const DayRates& a, const DayRates& b) { return a.date == b.date; });
    wanted.erase(wanted.begin(), dup.base());
    if (wanted.empty()) return from.addDays(-1);
    RateDb db(m_dbPath);
    if (!db.isOpen()) {
        failure = Status::failure(db.openError());
        return {};
    }
    int stored = 0;
    const Status s = db.storeDays(wanted, &stored);
    report.daysStored += stored;
    if (!s) {
        failure = s;
        return {};
    }
    return wanted.back().date;
}

Status RateUpdater::importDays(QDate from, QDate to, Report& report, const ProgressFn& progress) {
    RateDb db(m_dbPath);
    if (!db.isOpen()) return Status::failure(db.openError());
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        if (!tick(progress, QLocale().toString(day, QLocale::ShortFormat)))
            return Status::failure(QStringLiteral("Oprit"));
        auto answer = m_client.get(FeedClient::dayPath(day));
        ++report.requests;
        if (!answer) return Status::failure(answer.error());
        ++m_done;
        // The bank has no rates for weekends and holidays; that is no error.
        if (FeedParser::saysNoRates(*answer)) continue;
        auto rates = FeedParser::dayFile(*answer);
        if (!rates) return Status::failure(day.toString(Qt::ISODate) + QStringLiteral(": ") + rates.error());
        if (rates->date != day) continue;
        if (Status s = db.storeDay(*rates); !s) return s;
        ++report.daysStored;
    }
    return succeeded();
}
