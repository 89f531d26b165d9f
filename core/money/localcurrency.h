#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The leu was redenominated on 1 July 2005: older amounts are "LEI" and their
// rates live in tables without suffix, newer ones are "LEI NOI" in "...RON" tables.
struct LocalCurrency {
    QString name;
    QString suffix;

    static LocalCurrency oldLeu();
    static LocalCurrency newLeu();
    // The leu in force on a day: 1 July 2005 is already the new leu's.
    static LocalCurrency on(QDate day);
    // The leu of a moment: the new one counts from just after midnight of 1 July 2005.
    static LocalCurrency at(const QDateTime& moment);
    // The family of the year tables shown for a year (as its four digits): both leus
    // share 2005 and 2006, where the moment chooses; earlier years are the old leu's.
    // Why a name of the leu cannot stand on a day: "LEI NOI" before the new leu existed. Empty when it can;
    // "LEI" and "RON" always can, naming whichever leu was in force.
    static QString refusedOn(const QString& name, QDate day);
    static LocalCurrency forYearTable(const QString& year, const QDateTime& moment);
};
