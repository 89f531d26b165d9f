#pragma once

#include "core/feed/feedclient.h"
#include "core/outcome.h"
#include "core/store/ratedb.h"
#include "core/store/rateyears.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <vector>

// Proves the stored history against the bank's own record of it, its yearly
// files: day by day and currency by currency. One yearly file is held at a time;
// a year the bank cannot send is reported as not checked and the others go on.
// Checking writes nothing; a repair, asked for after it, first copies the whole
// database beside itself and then makes every change in one transaction.
class HistoryCheck {
public:
    // Yearly files asked for together: a few, as the update asks them, so the bank never serves many at once.
    static constexpr int kFilesAtOnce = 4;
    struct Finding {
        enum class Kind { MissingDay, ExtraDay, Differs, EmptyRate, NoColumn };
        Kind kind = Kind::Differs;
        QDate day;
        QString currency;
        std::optional<double> stored;
        QString bank;                                 // the bank's text of the rate
        FeedDay bankDay;                              // MissingDay: the day as the bank gave it
        std::vector<std::pair<QDate, double>> values; // NoColumn: the bank's rates of that currency
    };
    struct Year {
        // Unproven: the bank's file came but is no evidence for the year (another year's days,
        // cut short, days missing): nothing is judged, nothing is changed on its word.
        enum class State { Checked, NotChecked, OldLeu, Unproven };
        int year = 0;
        State state = State::Checked;
        QString why;  // why it was not checked
        int days = 0; // banking days in the bank's file
        std::vector<Finding> findings;
        // Said under the year, never acted on: days of the bank's file on a weekend, holidays
        // the bank published, stored rows of another year in the year's table.
        QStringList notes{};
        // "2022: 251 zile, toate egale", "2022: 2 zile lipsa, 1 valoare diferita"
        QString summary() const;
    };
    struct Report {
        std::vector<Year> years;
        bool stopped = false;
        int requests = 0;
        // The record of weekdays the bank was found to publish nothing for: recorded, and of them confirmed.
        int daysWithoutRates = 0;
        int daysWithoutRatesConfirmed = 0;
        // Every year checked and equal to the bank.
        bool equal() const;
        int changes() const;
        // The summary lines, each followed by its findings.
        QString text() const;
        // What a repair would change, for the user to confirm.
        QString repairSummary() const;
    };
    struct Progress {
        int year = 0;
        int done = 0;
        int total = 0;
    };
    using ProgressFn = std::function<bool(const Progress&)>;

    HistoryCheck(QString dbPath, FeedClient& client);
    // Years as asked; none: every stored year from 2005 on.
    Outcome<Report> run(const QList<int>& years = {}, const ProgressFn& progress = {});
    void stop();
    // The current year's file runs to the day before: its later stored days are not denied.
    void setToday(QDate today) { m_today = today; }
    // Copies the database beside itself through the engine (what other connections committed
    // included), checks the copy and syncs it to disk, then makes the history equal to the
    // bank where the report found it different. Gives the copy's path.
    Outcome<QString> repair(const Report& report);
    // The stored days a repair of the report would delete, oldest first.
    static QList<QDate> deletions(const Report& report);

    static QString findingText(const Finding& f);
    static QString kindName(Finding::Kind kind);

    // The first year with rates in new lei; earlier tables hold old lei, which the bank has no file of.

private:
    Outcome<QList<int>> storedYears();
    using Days = Outcome<std::vector<FeedDay>>;
    // A yearly file as it came, and its days as read.
    struct Parsed {
        Outcome<QByteArray> file;
        Days days;
    };
    // Asks for the next few yearly files from that place of the list on, and starts reading each.
    void fetchAhead(const QList<int>& asked, qsizetype from, const QMap<int, bool>& tables,
                    std::map<int, std::future<Parsed>>& fetched);
    // The asked year's file: fetched with the next few where it was not yet asked for.
    Parsed parsedYear(const QList<int>& asked, qsizetype at, const QMap<int, bool>& tables,
                      std::map<int, std::future<Parsed>>& fetched);
    // A failed read of the database fails the whole check; the bank's failure only this year's.
    Outcome<Year> checkYear(int year, const Outcome<QByteArray>& file, Days bank, RateDb& db);

    QString m_dbPath;
    FeedClient& m_client;
    QDate m_today = QDate::currentDate();
};
