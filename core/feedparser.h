#pragma once

#include "outcome.h"
#include "ratedb.h"

#include <QByteArray>
#include <QDate>
#include <vector>

// Reads the bank's rate files by position, not by element name: the root, its
// last child (the body), the body's last child (the day's cube). The cube's first
// attribute is the day; each child of the cube is one rate, code first and an
// optional multiplier second, the rate as its text. Names and namespaces are not
// looked at, since the bank has changed them before.
class FeedParser {
public:
    // The day of the newest rates in the daily feed.
    static Outcome<QDate> feedDate(const QByteArray& xml);
    // One day's file. Codes, multipliers and rate texts are checked here: a file
    // that breaks the rules is refused whole.
    static Outcome<DayRates> dayFile(const QByteArray& xml);
    // A yearly file: one cube per day inside the body, in the file's order.
    static Outcome<std::vector<DayRates>> yearFile(const QByteArray& xml);
    // The bank answers a day without rates with a page saying so.
    static bool saysNoRates(const QByteArray& answer);
    // Year, month and day taken from positions 1-4, 6-7 and the last two characters.
    static QDate cubeDate(const QString& text);
};
