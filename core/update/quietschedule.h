#pragma once

#include <QDate>
#include <QDateTime>
#include <optional>

// When a window left open asks the bank on its own for the day's rates. The bank
// publishes them at about 13:00 Bucharest time, on banking days: from shortly after
// that until 18:00, every 15 minutes until the day is stored. Everything is reckoned
// from the clock (in Bucharest time, whatever the computer's zone), never from how
// long a timer ran, so a computer that slept over lunch picks the schedule up again.
class QuietSchedule {
public:
    static constexpr int kFirstMinute = 13 * 60 + 2; // 13:02
    static constexpr int kLastMinute = 18 * 60;      // 18:00
    static constexpr int kEveryMinutes = 15;

    // The day's rates the bank should have published by this moment: today's on a
    // banking day from 13:02, else the banking day before.
    static QDate dueDay(const QDateTime& now);
    // Whether to ask now, given the newest stored day and when it last asked on its own.
    static bool askNow(const QDateTime& now, QDate newestStored, const std::optional<QDateTime>& lastAttempt);
    // The next moment it would ask (for the tooltip and the tests); nothing when the day is stored.
    static QDateTime nextAttempt(const QDateTime& now, QDate newestStored, const std::optional<QDateTime>& lastAttempt);
    static QDateTime inBucharest(const QDateTime& moment);
};
