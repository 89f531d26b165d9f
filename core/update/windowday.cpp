#include "core/update/windowday.h"

QDate WindowDay::latestDay(QDate today, QDate newestStored) {
    return newestStored.isValid() && newestStored >= today ? today.addDays(1) : today;
}

QDate WindowDay::followedDate(QDate shown, QDate oldToday, QDate newToday) {
    return shown == oldToday ? newToday : shown;
}

bool WindowDay::tableMovesOn(bool showedCurrentYear, int shownYear, QDate today, bool newYearHasDay) {
    return showedCurrentYear && shownYear < today.year() && newYearHasDay;
}
