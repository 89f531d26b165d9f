// --update: the history brought up to date from the bank, for cron.
#include "cli/clishared.h"
#include "core/feed/feedclient.h"
#include "core/update/rateupdater.h"

namespace Cli {

int update(const Request&, const Context& c, QTextStream& out, QTextStream& err) {
    FeedClient client(c.feedBase, c.timeoutMs);
    RateUpdater updater(c.database, client);
    updater.setToday(c.today);
    int lastFifty = 0;
    const auto report = updater.run([&](const RateUpdater::Progress& p) {
        // One line a year, or one every 50 days, so a log stays short.
        if (p.what.startsWith(QStringLiteral("anul")) || p.done / 50 > lastFifty) {
            lastFifty = p.done / 50;
            err << QStringLiteral("%1 (%2 din %3 zile)").arg(p.what).arg(p.done).arg(p.total) << Qt::endl;
        }
        return true;
    });
    QString summary = RateUpdater::message(report);
    summary.replace(u'\r', u'\n');
    // Days the bank has not sent are the update's summary, not a failure of the program; cron still sees exit 1.
    const bool answered =
        report.result == RateUpdater::Result::UpToDate || report.result == RateUpdater::Result::Incomplete;
    (answered ? out : err) << summary << Qt::endl;
    // Last, alone on its line: what a cron log keeps.
    out << updater.logLine(report) << Qt::endl;
    if (report.result != RateUpdater::Result::UpToDate) return CommandLine::Failed;
    // A cron job must tell a clean run from one that left rates empty.
    return report.unreadable.isEmpty() ? CommandLine::Done : CommandLine::Partial;
}

} // namespace Cli
