#pragma once

#include <QDateTime>
#include <QString>

// The leu was redenominated on 1 July 2005: older amounts are "LEI" and their
// rates live in tables without suffix, newer ones are "LEI NOI" in "...RON" tables.
struct LocalCurrency {
    QString name;
    QString suffix;

    // tableYear is the year of the rate table in view as text, pickerValue the
    // converter's date and time.
    static LocalCurrency forView(const QString& tableYear, const QDateTime& pickerValue);
};
