#pragma once

#include <QDate>

// What "today" is to a window left open for days. Everything that hangs on the day
// (the latest day the converter takes, the date it stands on, the year in view) is
// worked out again from the clock when the day turns, never kept from the day the
// window opened.
class WindowDay {
public:
    // The latest day the converter takes: today; tomorrow once today's rates are stored,
    // since invoices dated the next day are issued at them.
    static QDate latestDay(QDate today, QDate newestStored);
    // The converter's date once the day turned: left on the old today it moves to the new
    // one; a day the user chose stays.
    static QDate followedDate(QDate shown, QDate oldToday, QDate newToday);
    // Whether a rate table that showed the current year moves on to today's year: once the
    // year has turned and the new year holds a stored day.
    static bool tableMovesOn(bool showedCurrentYear, int shownYear, QDate today, bool newYearHasDay);
};
