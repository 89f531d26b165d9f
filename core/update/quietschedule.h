#pragma once

#include "core/update/rateupdater.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// When a window left open asks the bank on its own for the day's rates. The bank
// publishes them at about 13:00 Bucharest time, on banking days: from shortly after
// that until 18:00, every 15 minutes until the day is stored. Days already published
// and not stored (a computer woken in the morning after days away) are asked for at
// once, then every 15 minutes while they lack. Everything is reckoned from the clock
// (in Bucharest time, whatever the computer's zone), never from how long a timer ran,
// and a clock set back is believed: a computer that slept, or whose clock was put
// right, picks the schedule up again.
class QuietSchedule {
public:
    static constexpr int kFirstMinute = 13 * 60 + 2; // 13:02
    static constexpr int kLastMinute = 18 * 60;      // 18:00
    static constexpr int kEveryMinutes = 15;

    // The day's rates the bank should have published by this moment: today's on a
    // banking day from 13:02, else the banking day before.
    static QDate dueDay(const QDateTime& now);
    // The newest day up to which the history is whole: the newest stored day, or the day
    // before the oldest day the last update found missing.
    static QDate coveredUntil(QDate newestStored, const QList<QDate>& missing);
    // Whether to ask now, given how far the history is whole and when it last asked on its own.
    static bool askNow(const QDateTime& now, QDate covered, const std::optional<QDateTime>& lastAttempt);
    // The next moment it would ask (for the tooltip and the tests): now, when it should ask now.
    static QDateTime nextAttempt(const QDateTime& now, QDate covered, const std::optional<QDateTime>& lastAttempt);
    static QDateTime inBucharest(const QDateTime& moment);
    // What the date label's tooltip says of an attempt: "reusita" only when the day due is stored
    // and nothing lacks before it.
    static QString attemptText(const RateUpdater::Report& report, QDate newestStored, const QDateTime& at);
};
