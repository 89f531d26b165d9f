#include "core/update/bankcalendar.h"

#include <QHash>
#include <QMutex>
#include <algorithm>

namespace {

// Fixed-date holidays, with the first year each was a day off by law.
struct Fixed {
    int month;
    int day;
    int since;
};
constexpr Fixed kFixed[] = {
    {1, 1, 0},      {1, 2, 0},     {1, 6, 2024}, // Epiphany and St John: law 52/2023
    {1, 7, 2024},   {1, 24, 2017},               // Union Day: law 176/2016
    {5, 1, 0},      {6, 1, 2017},                // Children's Day: law 220/2016
    {8, 15, 2009},                               // Dormition: law 202/2008
    {11, 30, 2012},                              // St Andrew: law 147/2012
    {12, 1, 0},     {12, 25, 0},   {12, 26, 0},
};
constexpr int kGoodFridaySince = 2018; // law 64/2018
constexpr int kPentecostSince = 2009;  // law 202/2008

QList<QDate> computeHolidays(int year) {
    QList<QDate> out;
    for (const Fixed& f : kFixed)
        if (year >= f.since) out << QDate(year, f.month, f.day);
    const QDate easter = BankCalendar::orthodoxEaster(year);
    if (year >= kGoodFridaySince) out << easter.addDays(-2);
    out << easter << easter.addDays(1);
    if (year >= kPentecostSince) out << easter.addDays(49) << easter.addDays(50);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

QDate BankCalendar::orthodoxEaster(int year) {
    // Meeus' rule for the Julian calendar, then the Julian date moved to the civil one.
    const int a = year % 4, b = year % 7, c = year % 19;
    const int d = (19 * c + 15) % 30;
    const int e = (2 * a + 4 * b - d + 34) % 7;
    const int month = (d + e + 114) / 31;
    const int day = (d + e + 114) % 31 + 1;
    const int julianShift = year / 100 - year / 400 - 2;
    return QDate(year, month, day).addDays(julianShift);
}

QList<QDate> BankCalendar::holidays(int year) {
    // Asked for every day of a history: each year is worked out once.
    static QMutex mutex;
    static QHash<int, QList<QDate>> known;
    QMutexLocker lock(&mutex);
    auto it = known.find(year);
    if (it == known.end()) it = known.insert(year, computeHolidays(year));
    return *it;
}

bool BankCalendar::isHoliday(QDate day) {
    return day.isValid() && holidays(day.year()).contains(day);
}

bool BankCalendar::isBankingDay(QDate day) {
    return day.isValid() && day.dayOfWeek() <= 5 && !isHoliday(day);
}

QDate BankCalendar::bankingDaysForward(QDate day, int n) {
    while (day.isValid() && !isBankingDay(day))
        day = day.addDays(1);
    for (int i = 0; i < n && day.isValid(); ++i) {
        day = day.addDays(1);
        while (day.isValid() && !isBankingDay(day))
            day = day.addDays(1);
    }
    return day;
}

QDate BankCalendar::bankingDaysBack(QDate day, int n) {
    while (day.isValid() && !isBankingDay(day))
        day = day.addDays(-1);
    for (int i = 0; i < n && day.isValid(); ++i) {
        day = day.addDays(-1);
        while (day.isValid() && !isBankingDay(day))
            day = day.addDays(-1);
    }
    return day;
}
