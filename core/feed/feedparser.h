#pragma once

#include "core/outcome.h"
#include "core/store/ratedb.h"

#include <QByteArray>
#include <QDate>
#include <optional>
#include <vector>

// Reads the bank's rate files by position, not by element name: the root, its
// last child (the body), the body's children (the days' cubes). Every file is
// read cube by cube, in whatever order its days stand: the ten-day feed puts the
// newest first, the yearly files the oldest. The cube's first attribute is the
// day; each child of the cube is one rate, code first and an optional multiplier
// second, the rate as its text. Names and namespaces are not looked at, since the
// bank has changed them before.
//
// What comes from the network is read in one pass, without recursion, and a
// document nested deeper than the bank's files ever are is refused.
class FeedParser {
public:
    // The bank's files nest four elements deep; anything far deeper is not one of them.
    static constexpr int MaxDepth = 16;
    // No rate of the new leu comes near: a gram of gold is a few hundred lei. Beyond it a rate is unreadable.
    static constexpr double MaxRate = 1e6;

    // The newest day a file holds: the date of the daily feed.
    static Outcome<QDate> feedDate(const QByteArray& xml);
    // The given day out of a file, whatever else it holds; nothing when the file
    // does not hold that day. A rate we cannot read leaves that currency out
    // (listed in unreadable); a day with no readable rate at all is refused.
    static Outcome<std::optional<FeedDay>> dayFile(const QByteArray& xml, QDate day);
    // Every day of a file (the feed, the ten-day feed, a yearly file), in the
    // file's order. A day that cannot be read is left out; brokenDays (when
    // given) lists it. A file without any readable day is refused.
    static Outcome<std::vector<FeedDay>> days(const QByteArray& xml, std::vector<QDate>* brokenDays = nullptr);
    // The bank answers a day without rates with a page saying so.
    static bool saysNoRates(const QByteArray& answer);
    // Year, month and day taken from positions 1-4, 6-7 and the last two characters.
    static QDate cubeDate(const QString& text);
    // A rate as the bank writes it: decimal text of sane length, finite and above zero.
    static bool isRate(const QString& text);
};
