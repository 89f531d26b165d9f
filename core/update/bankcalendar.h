#pragma once

#include <QDate>
#include <QList>

// The days the bank publishes rates: weekdays that are not public holidays in
// Romania. The holidays are those of the labour code, each from the year the law
// that added it first applied, so the history since 2005 is judged by the rules
// of its own time.
class BankCalendar {
public:
    // Orthodox Easter Sunday, in the civil (Gregorian) calendar.
    static QDate orthodoxEaster(int year);
    static QList<QDate> holidays(int year);
    static bool isHoliday(QDate day);
    static bool isBankingDay(QDate day);
    // The banking day n banking days before the latest banking day on or before day
    // (n = 0 gives that latest one).
    static QDate bankingDaysBack(QDate day, int n);
    // The banking day n banking days after the first banking day on or after day.
    static QDate bankingDaysForward(QDate day, int n);
};
