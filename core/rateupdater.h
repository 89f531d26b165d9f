#pragma once

#include "core/feedclient.h"
#include "core/outcome.h"
#include "core/ratedb.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

// Brings valuta.mdb up to date: learns the newest published day from the daily
// feed, finds the newest stored day, and stores every day in between, oldest
// first. Long gaps come from the yearly files (one request a year); the days a
// yearly file lacks, short gaps and years without a yearly file come day by day.
//
// The history is what users cannot rebuild, so an update only ever adds days:
// it never writes a stored day again, stores a year only once every weekday of
// it has been accounted for, and stops at the first thing it cannot trust.
class RateUpdater {
public:
    // Oldest year whose table the search for the newest stored day looks at.
    static constexpr int FirstYear = 2005;
    // Gaps longer than this many days in a year are read from its yearly file.
    static constexpr int YearlyThresholdDays = 10;

    struct Progress {
        QString what; // text for the user: the day or year being read
        int done = 0;
        int total = 0;
    };
    // Called before each request; returning false stops the update.
    using ProgressFn = std::function<bool(const Progress&)>;

    enum class Result { UpToDate, Failed, Cancelled };
    struct Report {
        Result result = Result::Failed;
        Cause cause = Cause::Other;
        QDate feedDate;         // newest day the bank publishes, valid once the update succeeded
        QString detail;         // what went wrong, in words for the user
        QStringList unreadable; // "dd.MM.yyyy CODE" of each rate left empty because it could not be read
        int daysStored = 0;
        int requests = 0;
    };

    RateUpdater(QString dbPath, FeedClient& client);
    Report run(const ProgressFn& progress = {});
    // Aborts the request under way; the update ends as stopped.
    void stop();
    // The day the computer's clock says it is; a feed dated after the next day is not believed.
    void setToday(QDate today) { m_today = today; }

    // Newest stored day searching from the year down to FirstYear; an empty
    // newest table counts as holding everything before its 1 January.
    Outcome<QDate> lastStoredDate(QDate feedDate);

    // The whole message for the user, first line first.
    static QString message(const Report& report);

private:
    Status prepareDatabase();
    // The day of the newest rates in the bank's daily feed, checked against the clock.
    Outcome<QDate> newestPublished();
    Status importRange(QDate first, QDate last, Report& report, const ProgressFn& progress);
    // Ok(false) when the year's file cannot be had and the year must come day by day.
    Outcome<bool> importYear(Outcome<QByteArray> file, QDate from, QDate to, Report& report);
    // Asks for the days a yearly file lacks and adds those the bank has rates for.
    Status fetchLacking(const QList<QDate>& missing, std::vector<DayRates>& into, Report& report);
    Status importDays(QDate from, QDate to, Report& report, const ProgressFn& progress);
    // One day's answer: a day to store, or nothing for a day without rates.
    Outcome<std::optional<DayRates>> fetchDay(QDate day, Report& report);
    Outcome<std::optional<DayRates>> readDay(QDate day, const Outcome<QByteArray>& answer);
    void noteUnreadable(const DayRates& day, Report& report);
    Status tick(const ProgressFn& progress, const QString& what);

    QString m_dbPath;
    FeedClient& m_client;
    QDate m_today;
    int m_done = 0;
    int m_total = 0;
};
