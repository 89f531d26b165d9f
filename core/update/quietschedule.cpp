#include "core/update/quietschedule.h"

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

bool QuietSchedule::askNow(const QDateTime& now, QDate newestStored, const std::optional<QDateTime>& lastAttempt) {
    const QDateTime next = nextAttempt(now, newestStored, lastAttempt);
    return next.isValid() && next <= now;
}

QDateTime QuietSchedule::nextAttempt(const QDateTime& now, QDate newestStored,
                                     const std::optional<QDateTime>& lastAttempt) {
    const QDateTime local = inBucharest(now);
    QDate today = local.date();
    // Nothing to ask for today: the next banking day's publication.
    if (!BankCalendar::isBankingDay(today) || newestStored >= today || minuteOf(local) > kLastMinute)
        return at(BankCalendar::bankingDaysForward(today.addDays(1), 0), kFirstMinute);
    const QDateTime first = at(today, kFirstMinute);
    if (now < first) return first;
    // Within the afternoon: at once if it has not asked since the bank published, else a quarter after the last time.
    if (!lastAttempt || *lastAttempt < first) return now;
    const QDateTime again = lastAttempt->addSecs(kEveryMinutes * 60);
    if (again > at(today, kLastMinute)) return at(BankCalendar::bankingDaysForward(today.addDays(1), 0), kFirstMinute);
    return again;
}
