#include "core/update/rateupdater.h"

#include "core/text/ratefield.h"

#include "core/feed/feedparser.h"
#include "core/text/daytext.h"
#include "core/update/bankcalendar.h"

#include <QFileInfo>
#include <algorithm>

namespace {

QString dayText(QDate d) {
    return DayText::shown(d);
}

Status stoppedStatus() {
    return Status::failure(QStringLiteral("Oprit"), Cause::Stopped);
}

QString webPageText(const QString& where) {
    return QStringLiteral("La adresa %1 a venit o pagina web, nu un fisier de curs. "
                          "Verificati adresa bancii (setarea FeedUrl).")
        .arg(where);
}

} // namespace

RateUpdater::RateUpdater(QString dbPath, FeedClient& client)
    : m_dbPath(std::move(dbPath)), m_client(client), m_today(QDate::currentDate()) {}

void RateUpdater::stop() {
    m_client.stop();
}

QList<QDate> RateUpdater::Pass::remaining() const {
    QList<QDate> out;
    for (QDate d : wanted)
        if (came.find(d) == came.end() && !saidNone.contains(d) && !stored.contains(d)) out << d;
    return out;
}

Status RateUpdater::trouble(const QString& what, const Status& failure) {
    if (failure.cause() == Cause::WebPage) return Status::failure(webPageText(failure.error()), Cause::WebPage);
    return Status::failure(what.arg(failure.error()), failure.cause());
}

Status RateUpdater::tick(const Pass& pass, const ProgressFn& progress, const QString& what) {
    const int total = int(pass.wanted.size());
    if (progress && !progress({what, total - int(pass.remaining().size()), total})) m_client.stop();
    return m_client.stopped() ? stoppedStatus() : succeeded();
}

Status RateUpdater::prepareDatabase() {
    // Nothing of the user's can be lost where there is no file: start from the shipped one.
    if (!QFileInfo::exists(m_dbPath))
        if (Status made = RateDb::createShipped(m_dbPath); !made) return made;
    RateDb db(m_dbPath, m_busyWaitMs);
    return db.check();
}

RateUpdater::Report RateUpdater::run(const ProgressFn& progress) {
    Report report;
    m_client.reset();
    const auto fail = [&](const Status& why) {
        report.result = why.cause() == Cause::Stopped ? Result::Cancelled : Result::Failed;
        report.detail = why.error();
        report.cause = why.cause();
        report.feedDate = QDate();
        return report;
    };
    if (Status db = prepareDatabase(); !db) return fail(db);
    Pass pass;
    const auto feedDate = readFeed(pass, report);
    if (!feedDate) return fail(Status::failure(feedDate));
    if (Status planned = plan(pass, report); !planned) return fail(planned);
    const Status gathered = gather(pass, report, progress);
    // What came is kept whatever stopped the rest.
    if (Status stored = store(pass, report); !stored) return fail(stored);
    if (!gathered) return fail(gathered);
    if (Status noted = record(pass, report); !noted) return fail(noted);
    report.feedDate = pass.feed;
    if (report.missing.isEmpty()) {
        report.result = Result::UpToDate;
    } else if (!pass.troubles.isEmpty()) {
        report.result = Result::Failed;
        report.detail = pass.troubles.front().error();
        report.cause = pass.troubles.front().cause();
    } else {
        report.result = Result::Incomplete;
    }
    return report;
}

Outcome<QDate> RateUpdater::readFeed(Pass& pass, Report& report) {
    using R = Outcome<QDate>;
    ++report.requests;
    const auto feed = m_client.get(FeedClient::feedPath());
    if (!feed && feed.cause() == Cause::WebPage) return R::failure(webPageText(feed.error()), Cause::WebPage);
    if (!feed && feed.cause() != Cause::BadAnswer) return R::failure(feed);
    const auto feedDate = feed ? FeedParser::feedDate(*feed) : R::failure(feed);
    auto days = feedDate ? FeedParser::days(*feed) : Outcome<std::vector<FeedDay>>::failure(feedDate);
    if (!days)
        return R::failure(QStringLiteral("Fluxul de curs al bancii nu poate fi citit (%1).").arg(days.error()),
                          Cause::BadAnswer);
    // A date the computer's clock has not reached would plan requests for days that do not exist.
    if (*feedDate > m_today.addDays(1))
        return R::failure(
            QStringLiteral("Banca a trimis o data de curs din viitor (%1). Verificati data calculatorului.")
                .arg(dayText(*feedDate)));
    pass.feed = *feedDate;
    for (FeedDay& d : days.value()) {
        const QDate date = d.date;
        if (date.dayOfWeek() >= 6) {
            pass.weekend.insert(date);
            continue;
        }
        pass.came.emplace(date, std::move(d));
    }
    return *feedDate;
}

namespace {

// The stored days the bank can have published. One it cannot (after its newest day, or a weekend) is the
// history's own fault: named, left for the user's repair, and no reason to store nothing.
std::vector<QDate> plausibleDays(const std::vector<QDate>& stored, QDate feed, RateUpdater::Report& report) {
    std::vector<QDate> days;
    QStringList impossible;
    for (QDate d : stored) {
        if (d > feed || d.dayOfWeek() >= 6)
            impossible << dayText(d);
        else
            days.push_back(d);
    }
    if (!impossible.isEmpty())
        report.notices << QStringLiteral("Baza de cursuri are zile dupa cea mai noua zi a bancii (%1) sau din "
                                         "weekend: %2. Nu sunt folosite la actualizare; \"Verifica istoricul\" "
                                         "(zorvel --verify --repair) le sterge pe cele din anii ce vin sau din "
                                         "weekend, dupa o copie a bazei.")
                              .arg(dayText(feed), impossible.join(QStringLiteral(", ")));
    return days;
}

} // namespace

Status RateUpdater::plan(Pass& pass, Report& report) {
    RateDb db(m_dbPath, m_busyWaitMs);
    if (!db.isOpen()) return Status::failure(db.openError(), db.openCause());
    auto history = db.history(RateYears::FirstFromBank);
    if (!history) return Status::failure(history);
    auto record = db.daysWithoutRates();
    if (!record) return Status::failure(record);
    pass.record = std::move(*record);
    std::vector<QDate> days = plausibleDays(history->days, pass.feed, report);
    // The history runs from its first stored day; an empty database from its oldest table's 1 January.
    if (!days.empty()) {
        pass.first = days.front();
    } else if (!history->days.empty()) {
        // Only days the bank cannot have published: the span starts at them, and nothing before them is wanted.
        pass.first = history->days.front();
    } else if (!history->emptyYears.isEmpty()) {
        pass.first = QDate(history->emptyYears.front(), 1, 1);
    } else {
        return Status::failure(QStringLiteral("Baza de cursuri nu are niciun tabel de curs din %1 incoace.")
                                   .arg(RateYears::FirstFromBank));
    }
    for (QDate d : history->days)
        pass.stored.insert(d);
    for (QDate d = pass.first; d <= pass.feed; d = d.addDays(1))
        if (BankCalendar::isBankingDay(d) && !pass.stored.contains(d) && !pass.record.value(d).confirmed)
            pass.wanted << d;
    // The feed's days outside the history's span are not the update's to add.
    for (auto it = pass.came.begin(); it != pass.came.end();)
        it = it->first < pass.first || pass.stored.contains(it->first) ? pass.came.erase(it) : std::next(it);
    return succeeded();
}

Status RateUpdater::gather(Pass& pass, Report& report, const ProgressFn& progress) {
    QList<QDate> left = pass.remaining();
    if (left.isEmpty()) return succeeded();
    const QDate tenStart = BankCalendar::bankingDaysBack(pass.feed, TenDays - 1);
    // Recent days alone come from the ten-day feed; older ones need yearly files, and
    // those of the current year may make the ten-day feed needless.
    const bool onlyRecent = left.front() >= tenStart;
    if (onlyRecent)
        if (Status s = fetchTenDays(pass, report, progress); !s) return s;
    if (Status s = fetchYears(pass, report, progress); !s) return s;
    left = pass.remaining();
    if (!onlyRecent && !left.isEmpty() && left.back() >= tenStart)
        if (Status s = fetchTenDays(pass, report, progress); !s) return s;
    return fetchSingleDays(pass, report, progress);
}

void RateUpdater::take(Pass& pass, std::vector<FeedDay> days, QDate from, QDate to, const std::vector<QDate>& broken,
                       bool settles) {
    // A day the file holds but could not be read is not one it lacks.
    QSet<QDate> held(broken.begin(), broken.end());
    for (FeedDay& d : days) {
        held.insert(d.date);
        if (d.date < pass.first || d.date > pass.feed || pass.stored.contains(d.date)) continue;
        // A weekend is never a rate day, whatever a file says: left out, and named.
        if (d.date.dayOfWeek() >= 6) {
            pass.weekend.insert(d.date);
            continue;
        }
        // A day a file repeats keeps its first copy.
        const QDate date = d.date;
        pass.came.emplace(date, std::move(d));
    }
    // Only a closed year's whole file is evidence that the bank published nothing on a weekday.
    if (!settles) return;
    for (QDate d : pass.wanted)
        if (d >= from && d < to && !held.contains(d)) pass.settled.insert(d);
}

Status RateUpdater::fetchTenDays(Pass& pass, Report& report, const ProgressFn& progress) {
    if (Status s = tick(pass, progress, QStringLiteral("ultimele zece zile")); !s) return s;
    ++report.requests;
    const auto answer = m_client.get(FeedClient::tenDaysPath());
    if (!answer && answer.cause() == Cause::Stopped) return Status::failure(answer);
    // Without the ten-day feed the yearly file and single days still serve.
    if (!answer) return succeeded();
    std::vector<QDate> broken;
    auto days = FeedParser::days(*answer, &broken);
    if (!days) return succeeded();
    QDate oldest = pass.feed, newest;
    for (const FeedDay& d : *days) {
        oldest = std::min(oldest, d.date);
        newest = std::max(newest, d.date);
    }
    take(pass, std::move(*days), oldest, newest, broken, false);
    return succeeded();
}

Status RateUpdater::fetchYears(Pass& pass, Report& report, const ProgressFn& progress) {
    QList<int> years;
    QStringList paths;
    for (QDate d : pass.remaining())
        if (!years.contains(d.year())) {
            years << d.year();
            paths << FeedClient::yearPath(d.year());
        }
    if (years.isEmpty()) return succeeded();
    if (Status s = tick(pass, progress, QStringLiteral("fisierele anuale")); !s) return s;
    // Asked together, read one by one, oldest first.
    std::vector<Outcome<QByteArray>> files = m_client.getMany(paths);
    report.requests += int(paths.size());
    for (qsizetype i = 0; i < years.size(); ++i) {
        const int year = years[i];
        if (Status s = tick(pass, progress, QStringLiteral("anul %1").arg(year)); !s) return s;
        if (Status s = readYear(pass, year, files[size_t(i)]); !s) return s;
    }
    return succeeded();
}

// One year's file as it came: its days taken, or why it could not serve noted.
Status RateUpdater::readYear(Pass& pass, int year, Outcome<QByteArray>& file) {
    if (!file && file.cause() == Cause::Stopped) return Status::failure(file);
    // A year the bank has no file for may still come day by day.
    if (!file && file.cause() == Cause::NotServed) {
        pass.noYearFile << year;
        return succeeded();
    }
    if (!file) {
        pass.troubles << trouble(QStringLiteral("Fisierul anual %1 al bancii nu a putut fi adus: %2").arg(year),
                                 Status::failure(file));
        return succeeded();
    }
    std::vector<QDate> broken;
    auto days = FeedParser::days(*file, &broken);
    file = Outcome<QByteArray>::failure(QString()); // the text is read: let it go
    if (!days) {
        pass.troubles << Status::failure(
            QStringLiteral("Fisierul anual %1 al bancii nu poate fi citit (%2).").arg(year).arg(days.error()),
            Cause::BadAnswer);
        return succeeded();
    }
    QDate last;
    for (const FeedDay& d : *days)
        if (d.date.year() == year) last = std::max(last, d.date);
    for (QDate d : broken)
        if (pass.wanted.contains(d)) {
            pass.troubles << Status::failure(
                QStringLiteral("Ziua %1 din fisierul anual %2 al bancii nu poate fi citita.").arg(dayText(d)).arg(year),
                Cause::BadAnswer);
            break;
        }
    take(pass, std::move(*days), QDate(year, 1, 1), last, broken, year < m_today.year());
    return succeeded();
}

Status RateUpdater::fetchSingleDays(Pass& pass, Report& report, const ProgressFn& progress) {
    const QList<QDate> left = pass.remaining();
    // The first is asked alone: if the bank no longer serves single days, it is the only one asked.
    for (qsizetype at = 0; at < left.size() && pass.singleDaysServed;) {
        const qsizetype n = at == 0 ? 1 : std::min<qsizetype>(DaysAtOnce, left.size() - at);
        if (Status s = tick(pass, progress, QStringLiteral("ziua %1").arg(dayText(left[at]))); !s) return s;
        QStringList paths;
        for (qsizetype i = at; i < at + n; ++i)
            paths << FeedClient::dayPath(left[i]);
        const auto answers = m_client.getMany(paths);
        report.requests += int(n);
        report.dayRequests += int(n);
        for (qsizetype i = 0; i < n; ++i)
            if (Status s = readSingleDay(pass, left[at + i], answers[size_t(i)]); !s) return s;
        at += n;
    }
    return succeeded();
}

namespace {

Status notRateFile(QDate day, const QString& why) {
    return Status::failure(
        QStringLiteral("Raspunsul bancii pentru ziua %1 nu este un fisier de curs (%2).").arg(dayText(day), why),
        Cause::BadAnswer);
}

} // namespace

Status RateUpdater::readSingleDay(Pass& pass, QDate day, const Outcome<QByteArray>& answer) {
    if (!answer && answer.cause() == Cause::Stopped) return Status::failure(answer);
    // A missing address or a web page: the bank does not serve single days (any more). That alone is no failure.
    if (!answer && (answer.cause() == Cause::NotServed || answer.cause() == Cause::WebPage))
        pass.singleDaysServed = false;
    else if (!answer && answer.cause() == Cause::BadAnswer)
        pass.troubles << notRateFile(day, answer.error());
    else if (!answer)
        pass.troubles << Status::failure(answer);
    else
        readDayFile(pass, day, *answer);
    return succeeded();
}

void RateUpdater::readDayFile(Pass& pass, QDate day, const QByteArray& file) {
    // The bank's word that it has no rates that day.
    if (FeedParser::saysNoRates(file)) {
        pass.saidNone.insert(day);
        return;
    }
    auto rates = FeedParser::dayFile(file, day);
    if (!rates) {
        pass.troubles << notRateFile(day, rates.error());
    } else if (*rates && (**rates).date.dayOfWeek() >= 6) {
        pass.weekend.insert((**rates).date);
    } else if (*rates) {
        pass.came.emplace(day, std::move(**rates));
    } else if (const auto newest = FeedParser::feedDate(file); newest && *newest < day) {
        // On a day without rates the bank sends the file of the day before.
        pass.saidNone.insert(day);
    } else {
        // A later day than asked: the address ignores the date it was given.
        pass.singleDaysServed = false;
    }
}

Status RateUpdater::store(Pass& pass, Report& report) {
    std::vector<FeedDay> days;
    for (auto& [date, day] : pass.came)
        if (!pass.stored.contains(date)) days.push_back(std::move(day));
    pass.came.clear();
    if (days.empty()) return succeeded();
    // All that came in one transaction, oldest first: a file is never half stored.
    RateDb db(m_dbPath, m_busyWaitMs);
    if (Status s = noteChangedBlocks(db, days, report); !s) return s;
    int stored = 0;
    if (Status s = db.storeDays(days, &stored); !s) return s;
    report.daysStored += stored;
    if (stored > 0) {
        // Oldest first, as the map gave them.
        if (!report.firstAdded.isValid() || days.front().date < report.firstAdded)
            report.firstAdded = days.front().date;
        report.lastAdded = std::max(report.lastAdded, days.back().date);
    }
    for (const FeedDay& d : days) {
        pass.stored.insert(d.date);
        if (BankCalendar::isHoliday(d.date))
            report.notices << QStringLiteral("Ziua %1 este sarbatoare legala dupa calendarul programului, dar banca a "
                                             "publicat curs; a fost memorata.")
                                  .arg(dayText(d.date));
        for (const QString& code : d.unreadable)
            report.unreadable << dayText(d.date) + u' ' + code;
    }
    return succeeded();
}

// A currency the bank now quotes for another block of units than the year's table holds it in:
// news for the user, not a silent new column (conversions read the day's rate from either).
Status RateUpdater::noteChangedBlocks(RateDb& db, const std::vector<FeedDay>& days, Report& report) {
    QHash<int, QStringList> columnsOf;
    QSet<QString> said;
    for (const FeedDay& d : days)
        for (const FeedRate& r : d.rates) {
            const QString code = r.column.right(3);
            if (!columnsOf.contains(d.date.year())) {
                auto columns = db.currencies(d.date.year());
                if (!columns) return Status::failure(columns);
                columnsOf.insert(d.date.year(), *columns);
            }
            const QStringList known = RateField::columnsForCode(columnsOf.value(d.date.year()), code);
            if (known.isEmpty() || known.contains(r.column, Qt::CaseInsensitive) || said.contains(r.column)) continue;
            said.insert(r.column);
            const auto units = [](const QString& column) {
                return column.size() > 3 ? column.left(column.size() - 3) : QStringLiteral("1");
            };
            report.notices << QStringLiteral("Banca coteaza acum %1 pentru %2 unitati (pana acum pentru %3), din %4; "
                                             "cursul este memorat in coloana %5.")
                                  .arg(code, units(r.column), units(known.front()), dayText(d.date), r.column);
        }
    return succeeded();
}

Status RateUpdater::record(Pass& pass, Report& report) {
    QList<QDate> lacking;
    for (QDate d : pass.remaining()) {
        if (pass.settled.contains(d)) {
            lacking << d;
            // Still lacking on a later day than first seen: a holiday the calendar did not know.
            const RateDb::NoRatesDay known = pass.record.value(d);
            if (known.seen.isValid() && known.seen < m_today) continue;
        }
        report.missing << d;
        if (pass.noYearFile.contains(d.year()) && !report.noYearFile.contains(d.year())) report.noYearFile << d.year();
    }
    // One answer saying "no rates" for a day the calendar calls a banking day is no proof: it stays missing.
    for (QDate d : pass.saidNone)
        if (!report.missing.contains(d)) report.missing << d;
    std::sort(report.missing.begin(), report.missing.end());
    if (!pass.weekend.isEmpty()) {
        QList<QDate> weekend(pass.weekend.begin(), pass.weekend.end());
        std::sort(weekend.begin(), weekend.end());
        QStringList shown;
        for (QDate d : weekend)
            shown << dayText(d);
        report.notices << QStringLiteral("Banca a trimis curs pentru zile de weekend, care nu sunt zile bancare; nu "
                                         "au fost memorate: %1.")
                              .arg(shown.join(QStringLiteral(", ")));
    }
    RateDb db(m_dbPath, m_busyWaitMs);
    return db.noteDaysWithoutRates(lacking, {}, m_today);
}

QString RateUpdater::logLine(const Report& r) const {
    const QString added = r.daysStored == 0   ? QStringLiteral("nicio zi noua")
                          : r.daysStored == 1 ? QStringLiteral("1 zi adaugata (%1)").arg(dayText(r.firstAdded))
                                              : QStringLiteral("%1 zile adaugate (%2 - %3)")
                                                    .arg(r.daysStored)
                                                    .arg(dayText(r.firstAdded), dayText(r.lastAdded));
    QDate newestStored;
    bool unread = r.cause == Cause::DbBusy; // a lock already waited for once is not waited for again
    if (!unread) {
        RateDb db(m_dbPath, m_busyWaitMs);
        for (int year = m_today.year() + 1; year >= RateYears::FirstFromBank && !newestStored.isValid(); --year) {
            const auto n = db.newestDay(year);
            // A read that fails ends the search: it would fail, and wait, as often as there are years.
            if (!n) {
                unread = true;
                break;
            }
            if (n->day) newestStored = *n->day;
        }
    }
    const QString newest = newestStored.isValid() ? QStringLiteral("ultima zi memorata %1").arg(dayText(newestStored))
                           : unread               ? QStringLiteral("ultima zi memorata necunoscuta")
                                                  : QStringLiteral("nicio zi memorata");
    return QStringLiteral("zorvel: %1; %2.").arg(added, newest);
}

QString RateUpdater::spans(const QList<QDate>& days) {
    constexpr int shownAtMost = 6;
    QStringList parts;
    qsizetype i = 0;
    for (; i < days.size() && parts.size() < shownAtMost;) {
        qsizetype j = i;
        // A run goes on over days that are no banking days.
        while (j + 1 < days.size() && BankCalendar::bankingDaysBack(days[j + 1].addDays(-1), 0) <= days[j])
            ++j;
        if (i == j)
            parts << dayText(days[i]);
        else
            parts << QStringLiteral("%1 - %2 (%3 zile)").arg(dayText(days[i]), dayText(days[j])).arg(j - i + 1);
        i = j + 1;
    }
    QString text = parts.join(QStringLiteral(", "));
    if (i < days.size()) text += QStringLiteral(" si altele (%1 zile in total)").arg(days.size());
    return text;
}

namespace {

// "2006-2019, 2021": runs of years joined.
QString noYearFile(const QList<int>& years) {
    QStringList parts;
    for (qsizetype i = 0; i < years.size();) {
        qsizetype j = i;
        while (j + 1 < years.size() && years[j + 1] == years[j] + 1)
            ++j;
        parts << (i == j ? QString::number(years[i]) : QStringLiteral("%1-%2").arg(years[i]).arg(years[j]));
        i = j + 1;
    }
    return QStringLiteral("Banca nu are fisierul anual pentru %1.").arg(parts.join(QStringLiteral(", ")));
}

} // namespace

QString RateUpdater::message(const Report& report) {
    const auto unreadable = [&report] {
        constexpr qsizetype shownAtMost = 10;
        QString list = report.unreadable.mid(0, shownAtMost).join(QStringLiteral(", "));
        if (report.unreadable.size() > shownAtMost) list += QStringLiteral(" si altele");
        return QStringLiteral("Unele cursuri trimise de banca nu au putut fi citite si au ramas goale:\r") + list;
    };
    const QString missing = QStringLiteral("Lipsesc cursurile pentru %1. Vor fi cerute din nou la urmatoarea "
                                           "actualizare.")
                                .arg(spans(report.missing));
    const QString notices = report.notices.isEmpty() ? QString() : u'\r' + report.notices.join(u'\r');
    switch (report.result) {
    case Result::UpToDate:
        if (report.unreadable.isEmpty()) return QStringLiteral("Cursul este la zi!") + notices;
        return QStringLiteral("Cursul a fost actualizat, dar unele cursuri trimise de banca nu au putut fi citite "
                              "si au ramas goale:\r") +
               report.unreadable.mid(0, 10).join(QStringLiteral(", ")) +
               (report.unreadable.size() > 10 ? QStringLiteral(" si altele") : QString());
    case Result::Incomplete: {
        QString text = QStringLiteral("Cursul nu este complet: banca nu a trimis inca toate zilele.\r") + missing;
        if (!report.noYearFile.isEmpty()) text += u'\r' + noYearFile(report.noYearFile);
        if (!report.unreadable.isEmpty()) text += u'\r' + unreadable();
        return text + notices;
    }
    case Result::Cancelled:
        return QStringLiteral("Actualizarea a fost oprita. Zilele importate pana acum au fost pastrate.");
    case Result::Failed:
        break;
    }
    QString text = QStringLiteral("Sunt erori la actualizare!\r") + report.detail;
    if (!report.missing.isEmpty()) text += u'\r' + missing;
    // Only an answer we do not understand may mean the bank changed its files.
    if (report.cause == Cause::BadAnswer) text += QStringLiteral("\rVerificati daca exista o versiune noua.");
    return text + notices;
}
