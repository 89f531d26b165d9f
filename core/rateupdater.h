#pragma once

#include "feedclient.h"
#include "outcome.h"

#include <QDate>
#include <QString>
#include <functional>

// Brings valuta.mdb up to date: learns the newest published day from the daily
// feed, finds the newest stored day, and stores every day in between, oldest
// first. Long gaps come from the yearly files (one request a year); short gaps
// and years whose yearly file cannot be had come day by day.
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
    // Called before each request; returning false stops the update after the current day.
    using ProgressFn = std::function<bool(const Progress&)>;

    enum class Result { UpToDate, Failed, Cancelled };
    struct Report {
        Result result = Result::Failed;
        QDate feedDate; // newest day the bank publishes, valid once the feed was read
        QString detail; // what went wrong, for the log and tests
        int daysStored = 0;
        int requests = 0;
    };

    RateUpdater(QString dbPath, FeedClient& client);
    Report run(const ProgressFn& progress = {});

    // Newest stored day searching from the year down to FirstYear; an empty
    // newest table counts as holding everything before its 1 January.
    Outcome<QDate> lastStoredDate(QDate feedDate);

private:
    Status importRange(QDate first, QDate last, Report& report, const ProgressFn& progress);
    // Returns the newest day stored from the file, or an invalid date when the file cannot be had.
    QDate importYear(int year, QDate from, QDate to, Report& report, Status& failure);
    Status importDays(QDate from, QDate to, Report& report, const ProgressFn& progress);
    bool tick(const ProgressFn& progress, const QString& what);

    QString m_dbPath;
    FeedClient& m_client;
    int m_done = 0;
    int m_total = 0;
    bool m_cancelled = false;
};
