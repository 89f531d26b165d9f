#include "core/update/quietschedule.h"

#include "core/text/daytext.h"
#include "core/update/bankcalendar.h"

#include <QTimeZone>

namespace {

QDateTime at(QDate day, int minute) {
    static const QTimeZone bucharest("Europe/Bucharest");
    return QDateTime(day, QTime(minute / 60, minute % 60), bucharest);
}

int minuteOf(const QDateTime& local) {
    return local.time().hour() * 60 + local.time().minute();
}

} // namespace

QDateTime QuietSchedule::inBucharest(const QDateTime& moment) {
    static const QTimeZone bucharest("Europe/Bucharest");
    return moment.toTimeZone(bucharest);
}

QDate QuietSchedule::dueDay(const QDateTime& now) {
    const QDateTime local = inBucharest(now);
    const QDate today = local.date();
    if (BankCalendar::isBankingDay(today) && minuteOf(local) >= kFirstMinute) return today;
    return BankCalendar::bankingDaysBack(today.addDays(-1), 0);
}

QDate QuietSchedule::coveredUntil(QDate newestStored, const QList<QDate>& missing) {
    if (missing.isEmpty()) return newestStored;
    const QDate beforeHole = missing.front().addDays(-1);
    return newestStored.isValid() && newestStored < beforeHole ? newestStored : beforeHole;
}

bool QuietSchedule::askNow(const QDateTime& now, QDate covered, const std::optional<QDateTime>& lastAttempt) {
    const QDateTime next = nextAttempt(now, covered, lastAttempt);
    return next.isValid() && next <= now;
}

QDateTime QuietSchedule::nextAttempt(const QDateTime& now, QDate covered, const std::optional<QDateTime>& lastAttempt) {
    // A clock set back leaves the last attempt in the future: it says nothing of when to ask.
    std::optional<QDateTime> last = lastAttempt;
    if (last && *last > now) last.reset();
    const QDate today = inBucharest(now).date();
    const QDateTime firstToday = at(today, kFirstMinute);
    const QDateTime nextPublication = BankCalendar::isBankingDay(today) && now < firstToday
                                          ? firstToday
                                          : at(BankCalendar::bankingDaysForward(today.addDays(1), 0), kFirstMinute);
    const QDate due = dueDay(now);
    if (covered.isValid() && covered >= due) return nextPublication;
    // Today's publication is looked for until the evening; by then the bank has not published today.
    const bool todays = due == today;
    const QDateTime lastToday = at(today, kLastMinute);
    if (todays && now > lastToday) return nextPublication;
    // At once when it has not asked since the bank published (or at all), else a quarter after the last time.
    if (!last || (todays && *last < firstToday)) return now;
    const QDateTime again = last->addSecs(kEveryMinutes * 60);
    if (todays && again > lastToday) return nextPublication;
    return std::max(again, now);
}

QString QuietSchedule::attemptText(const RateUpdater::Report& report, QDate newestStored, const QDateTime& at) {
    const QString when =
        QStringLiteral("Ultima incercare automata: ") + inBucharest(at).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    if (report.result == RateUpdater::Result::Failed || report.result == RateUpdater::Result::Cancelled)
        return when + QStringLiteral(", nereusita: ") + report.detail;
    if (!report.missing.isEmpty())
        return when + QStringLiteral(", incompleta: lipsesc ") + RateUpdater::spans(report.missing);
    const QDate due = dueDay(at);
    if (!newestStored.isValid() || newestStored < due)
        return when + QStringLiteral(", banca nu a publicat inca cursul din ") + DayText::shown(due);
    return when + QStringLiteral(", reusita");
}
