#pragma once

#include "core/feed/feedclient.h"
#include "core/outcome.h"
#include "core/store/ratedb.h"
#include "core/store/rateyears.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>

// Brings valuta.mdb up to date. The banking days it wants are those of the
// calendar from the first stored day to the newest day the bank publishes, less
// the days stored and the days on record as having no rates. They come from the
// bank's files as it serves them: the daily feed (the newest day), the ten-day
// feed, the yearly files, and one day's file only for a day none of these holds
// and while the bank still serves such files.
//
// The history is what users cannot rebuild, so an update only ever adds days the
// bank sent: it never writes a stored day again, and a wanted day no file holds
// is missing, named to the user, and asked for again next time; it is never
// passed over as if it were there.
class RateUpdater {
public:
    // Banking days the ten-day feed holds.
    static constexpr int TenDays = 10;
    // One day's files asked together.
    static constexpr int DaysAtOnce = 8;

    struct Progress {
        QString what; // text for the user: the file being read
        int done = 0;
        int total = 0;
    };
    // Called before each request; returning false stops the update.
    using ProgressFn = std::function<bool(const Progress&)>;

    // Incomplete: the bank answered, but some banking days are in none of its files.
    enum class Result { UpToDate, Incomplete, Failed, Cancelled };
    struct Report {
        Result result = Result::Failed;
        Cause cause = Cause::Other;
        QDate feedDate;         // newest day the bank publishes, valid unless the update failed
        QString detail;         // what went wrong, in words for the user
        QStringList unreadable; // "dd.MM.yyyy CODE" of each rate left empty because it could not be read
        QList<QDate> missing;   // banking days wanted and not had, oldest first
        QList<int> noYearFile;  // years of missing days the bank has no yearly file for
        int daysStored = 0;
        QDate firstAdded, lastAdded; // the oldest and newest day this update stored
        int requests = 0;
        int dayRequests = 0; // of them, for one day's file
        // What the user should know though nothing failed: weekend days the bank sent and that
        // were left out, holidays it published, a currency whose block changed.
        QStringList notices{};
    };

    RateUpdater(QString dbPath, FeedClient& client);
    Report run(const ProgressFn& progress = {});
    // Aborts the request under way; the update ends as stopped, keeping what came.
    void stop();
    // The day the computer's clock says it is; a feed dated after the next day is not believed.
    void setToday(QDate today) { m_today = today; }
    // How long each read or write waits for another program's lock on the database.
    void setBusyWait(int ms) { m_busyWaitMs = ms; }

    // The whole message for the user, first line first.
    static QString message(const Report& report);
    // One line for a log: the days added (or that none was new) and the newest stored day,
    // read from the database itself, so a failed update still says how far the history goes.
    QString logLine(const Report& report) const;
    // Days as the user reads them, runs of banking days joined: "01.12.2022 - 30.12.2022 (20 zile)".
    static QString spans(const QList<QDate>& days);

private:
    // What one run knows: the span wanted, what is stored, what came, what was said.
    struct Pass {
        QDate first;
        QDate feed;
        QSet<QDate> stored;
        QHash<QDate, RateDb::NoRatesDay> record;
        QList<QDate> wanted;
        std::map<QDate, FeedDay> came; // days the bank sent, within the span
        QSet<QDate> saidNone;          // days one answer said have no rates: no proof, they stay missing
        QSet<QDate> weekend;           // weekend days a file held: no rate days, never stored
        QSet<QDate> settled;           // wanted days lacking from a closed year's file that went past them
        QList<Status> troubles;        // sources that failed, in the order met
        bool singleDaysServed = true;
        QList<int> noYearFile;
        QList<QDate> remaining() const;
    };

    Status prepareDatabase();
    // The newest day the bank publishes, and every day its feed holds.
    Outcome<QDate> readFeed(Pass& pass, Report& report);
    Status plan(Pass& pass, Report& report);
    Status gather(Pass& pass, Report& report, const ProgressFn& progress);
    Status fetchTenDays(Pass& pass, Report& report, const ProgressFn& progress);
    Status fetchYears(Pass& pass, Report& report, const ProgressFn& progress);
    Status readYear(Pass& pass, int year, Outcome<QByteArray>& file);
    Status noteChangedBlocks(RateDb& db, const std::vector<FeedDay>& days, Report& report);
    Status fetchSingleDays(Pass& pass, Report& report, const ProgressFn& progress);
    Status readSingleDay(Pass& pass, QDate day, const Outcome<QByteArray>& answer);
    // A single day's file the bank sent: its rates, its word that there are none, or what it says instead.
    void readDayFile(Pass& pass, QDate day, const QByteArray& file);
    // Adds a file's days within the span; settles the wanted days between from and to it lacks.
    void take(Pass& pass, std::vector<FeedDay> days, QDate from, QDate to, const std::vector<QDate>& broken,
              bool settles);
    Status store(Pass& pass, Report& report);
    Status record(Pass& pass, Report& report);
    Status tick(const Pass& pass, const ProgressFn& progress, const QString& what);
    static Status trouble(const QString& what, const Status& failure);

    QString m_dbPath;
    FeedClient& m_client;
    QDate m_today;
    int m_busyWaitMs = RateDb::kBusyWaitMs;
};
