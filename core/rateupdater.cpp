#include "core/rateupdater.h"

#include "core/feedparser.h"

#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace {

QString dayText(QDate d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

bool byDate(const DayRates& a, const DayRates& b) {
    return a.date < b.date;
}

Status stoppedStatus() {
    return Status::failure(QStringLiteral("Oprit"), Cause::Stopped);
}

} // namespace

RateUpdater::RateUpdater(QString dbPath, FeedClient& client)
    : m_dbPath(std::move(dbPath)), m_client(client), m_today(QDate::currentDate()) {}

void RateUpdater::stop() {
    m_client.stop();
}

Outcome<QDate> RateUpdater::lastStoredDate(QDate feedDate) {
    RateDb db(m_dbPath);
    if (!db.isOpen()) return Outcome<QDate>::failure(db.openError(), db.openCause());
    for (int year = feedDate.year(); year >= FirstYear; --year) {
        auto newest = db.newestDay(year);
        if (!newest) return Outcome<QDate>::failure(newest);
        if (!newest->tableExists) continue;
        if (newest->day) return *newest->day;
        return QDate(year, 1, 1).addDays(-1);
    }
    return Outcome<QDate>::failure(
        QStringLiteral("Baza de cursuri nu are niciun tabel de curs din %1 incoace.").arg(FirstYear));
}

Status RateUpdater::tick(const ProgressFn& progress, const QString& what) {
    if (progress && !progress({what, m_done, m_total})) m_client.stop();
    return m_client.stopped() ? stoppedStatus() : succeeded();
}

Status RateUpdater::prepareDatabase() {
    // Nothing of the user's can be lost where there is no file: start from the shipped one.
    if (!QFileInfo::exists(m_dbPath))
        if (Status made = RateDb::createShipped(m_dbPath); !made) return made;
    RateDb db(m_dbPath);
    return db.check();
}

RateUpdater::Report RateUpdater::run(const ProgressFn& progress) {
    Report report;
    m_done = m_total = 0;
    m_client.reset();
    const auto fail = [&](const QString& detail, Cause cause) {
        report.result = cause == Cause::Stopped ? Result::Cancelled : Result::Failed;
        report.detail = detail;
        report.cause = cause;
        report.feedDate = QDate();
        return report;
    };
    if (Status db = prepareDatabase(); !db) return fail(db.error(), db.cause());
    ++report.requests;
    const auto feedDate = newestPublished();
    if (!feedDate) return fail(feedDate.error(), feedDate.cause());
    auto last = lastStoredDate(*feedDate);
    if (!last) return fail(last.error(), last.cause());
    if (*feedDate < *last)
        return fail(QStringLiteral("Banca a trimis o data de curs (%1) mai veche decat ultima zi memorata (%2).")
                        .arg(dayText(*feedDate), dayText(*last)),
                    Cause::Other);
    if (*last < *feedDate) {
        if (Status s = importRange(*last, *feedDate, report, progress); !s) return fail(s.error(), s.cause());
    }
    report.feedDate = *feedDate;
    report.result = Result::UpToDate;
    return report;
}

Outcome<QDate> RateUpdater::newestPublished() {
    using R = Outcome<QDate>;
    const auto feed = m_client.get(FeedClient::feedPath());
    if (!feed && feed.cause() != Cause::BadAnswer) return R::failure(feed);
    const auto feedDate = feed ? FeedParser::feedDate(*feed) : R::failure(feed);
    if (!feedDate)
        return R::failure(QStringLiteral("Fluxul de curs al bancii nu poate fi citit (%1).").arg(feedDate.error()),
                          Cause::BadAnswer);
    // A date the computer's clock has not reached would plan requests for days that do not exist.
    if (*feedDate > m_today.addDays(1))
        return R::failure(
            QStringLiteral("Banca a trimis o data de curs din viitor (%1). Verificati data calculatorului.")
                .arg(dayText(*feedDate)));
    return feedDate;
}

Status RateUpdater::importRange(QDate first, QDate last, Report& report, const ProgressFn& progress) {
    m_total = int(first.daysTo(last));
    const auto span = [&](int year) {
        return std::pair{std::max(first.addDays(1), QDate(year, 1, 1)), std::min(last, QDate(year, 12, 31))};
    };
    // The yearly files are asked for together; each year is still stored in turn, oldest first.
    QList<int> years;
    QStringList paths;
    for (int year = first.addDays(1).year(); year <= last.year(); ++year)
        if (span(year).first.daysTo(span(year).second) + 1 > YearlyThresholdDays) {
            years << year;
            paths << FeedClient::yearPath(year);
        }
    if (!years.isEmpty())
        if (Status s = tick(progress, QStringLiteral("fisierele anuale")); !s) return s;
    std::vector<Outcome<QByteArray>> files = m_client.getMany(paths);
    report.requests += int(paths.size());
    for (int year = first.addDays(1).year(); year <= last.year(); ++year) {
        const auto [from, to] = span(year);
        bool done = false;
        if (const qsizetype at = years.indexOf(year); at >= 0) {
            if (Status s = tick(progress, QStringLiteral("anul %1").arg(year)); !s) return s;
            auto yearly = importYear(std::move(files[size_t(at)]), from, to, report);
            if (!yearly) return Status::failure(yearly);
            done = *yearly;
        }
        if (!done)
            if (Status s = importDays(from, to, report, progress); !s) return s;
        m_done = int(first.daysTo(to));
    }
    return succeeded();
}

namespace {

// The file's days within the span, oldest first; a day the file repeats keeps its first copy.
std::vector<DayRates> daysWithin(std::vector<DayRates>& all, QDate from, QDate to) {
    std::vector<DayRates> wanted;
    for (DayRates& d : all)
        if (d.date >= from && d.date <= to) wanted.push_back(std::move(d));
    std::stable_sort(wanted.begin(), wanted.end(), byDate);
    wanted.erase(std::unique(wanted.begin(), wanted.end(),
                             [](const DayRates& a, const DayRates& b) { return a.date == b.date; }),
                 wanted.end());
    return wanted;
}

// Every weekday of the span the file lacks, and the span's last day.
QList<QDate> lacking(const std::vector<DayRates>& fromFile, QDate from, QDate to) {
    QSet<QDate> inFile;
    for (const DayRates& d : fromFile)
        inFile.insert(d.date);
    QList<QDate> missing;
    for (QDate d = from; d <= to; d = d.addDays(1))
        if (!inFile.contains(d) && (d.dayOfWeek() <= 5 || d == to)) missing << d;
    return missing;
}

} // namespace

Outcome<bool> RateUpdater::importYear(Outcome<QByteArray> file, QDate from, QDate to, Report& report) {
    if (!file && file.cause() == Cause::Stopped) return Outcome<bool>::failure(file);
    // Without a readable yearly file the year still comes, day by day.
    if (!file || FeedParser::saysNoRates(*file)) return false;
    auto days = FeedParser::yearFile(*file);
    if (!days) return false;
    std::vector<DayRates> wanted = daysWithin(days.value(), from, to);
    // The file is a shortcut, not the word on which days exist: every weekday it
    // lacks is asked for on its own, and the year is stored only when all are known.
    const qsizetype fromFile = qsizetype(wanted.size());
    if (Status s = fetchLacking(lacking(wanted, from, to), wanted, report); !s) return Outcome<bool>::failure(s);
    std::inplace_merge(wanted.begin(), wanted.begin() + fromFile, wanted.end(), byDate);
    if (wanted.empty()) return true;
    RateDb db(m_dbPath);
    int stored = 0;
    if (Status s = db.storeDays(wanted, &stored); !s) return Outcome<bool>::failure(s);
    report.daysStored += stored;
    for (const DayRates& d : wanted)
        noteUnreadable(d, report);
    return true;
}

Status RateUpdater::fetchLacking(const QList<QDate>& missing, std::vector<DayRates>& into, Report& report) {
    if (missing.isEmpty()) return succeeded();
    if (m_client.stopped()) return stoppedStatus();
    QStringList paths;
    for (QDate d : missing)
        paths << FeedClient::dayPath(d);
    // Small answers, asked together: most are the bank's "no rates" for a holiday.
    auto answers = m_client.getMany(paths);
    report.requests += int(missing.size());
    for (qsizetype i = 0; i < missing.size(); ++i) {
        auto day = readDay(missing[i], answers[size_t(i)]);
        if (!day) return Status::failure(day);
        if (*day) into.push_back(std::move(**day));
    }
    return succeeded();
}

Status RateUpdater::importDays(QDate from, QDate to, Report& report, const ProgressFn& progress) {
    RateDb db(m_dbPath);
    if (!db.isOpen()) return Status::failure(db.openError(), db.openCause());
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        if (Status s = tick(progress, dayText(day)); !s) return s;
        auto rates = fetchDay(day, report);
        if (!rates) return Status::failure(rates);
        ++m_done;
        if (!*rates) continue;
        int stored = 0;
        if (Status s = db.storeDays({**rates}, &stored); !s) return s;
        report.daysStored += stored;
        noteUnreadable(**rates, report);
    }
    return succeeded();
}

Outcome<std::optional<DayRates>> RateUpdater::fetchDay(QDate day, Report& report) {
    ++report.requests;
    return readDay(day, m_client.get(FeedClient::dayPath(day)));
}

Outcome<std::optional<DayRates>> RateUpdater::readDay(QDate day, const Outcome<QByteArray>& answer) {
    using R = Outcome<std::optional<DayRates>>;
    if (!answer && answer.cause() == Cause::BadAnswer)
        return R::failure(QStringLiteral("Raspunsul bancii pentru ziua %1 nu este un fisier de curs (%2).")
                              .arg(dayText(day), answer.error()),
                          Cause::BadAnswer);
    if (!answer) return R::failure(answer);
    // The bank has no rates for weekends and holidays; that is no error.
    if (FeedParser::saysNoRates(*answer)) return std::optional<DayRates>();
    auto rates = FeedParser::dayFile(*answer);
    if (!rates)
        return R::failure(QStringLiteral("Raspunsul bancii pentru ziua %1 nu este un fisier de curs (%2).")
                              .arg(dayText(day), rates.error()),
                          Cause::BadAnswer);
    // On a day without rates the bank may send the file of the day before.
    if (rates->date != day) return std::optional<DayRates>();
    return std::optional<DayRates>(std::move(rates.value()));
}

void RateUpdater::noteUnreadable(const DayRates& day, Report& report) {
    for (const QString& code : day.unreadable)
        report.unreadable << dayText(day.date) + u' ' + code;
}

QString RateUpdater::message(const Report& report) {
    switch (report.result) {
    case Result::UpToDate: {
        if (report.unreadable.isEmpty()) return QStringLiteral("Cursul este la zi!");
        constexpr qsizetype shownAtMost = 10;
        QString list = report.unreadable.mid(0, shownAtMost).join(QStringLiteral(", "));
        if (report.unreadable.size() > shownAtMost) list += QStringLiteral(" si altele");
        return QStringLiteral("Cursul a fost actualizat, dar unele cursuri trimise de banca nu au putut fi citite "
                              "si au ramas goale:\r") +
               list;
    }
    case Result::Cancelled:
        return QStringLiteral("Actualizarea a fost oprita. Zilele importate pana acum au fost pastrate.");
    case Result::Failed:
        break;
    }
    QString text = QStringLiteral("Sunt erori la actualizare!\r") + report.detail;
    // Only an answer we do not understand may mean the bank changed its files.
    if (report.cause == Cause::BadAnswer) text += QStringLiteral("\rVerificati daca exista o versiune noua.");
    return text;
}
