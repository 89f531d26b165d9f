// Opening "Evolutie curs": the window built, read and shown, beside the bare read
// of the same rows through the SQLite C API.
#include "app/frmevolutie.h"
#include "bench/guimain.h"
#include "bench/pace.h"
#include "core/store/ratedb.h"
#include "tests/support/testenv.h"

#include <QTest>
#include <sqlite3.h>

namespace {

// 2005-2026 of 35 currencies, every weekday: about 5,700 days.
const TempAppDir& history() {
    static TempAppDir app;
    static const bool filled = [] {
        RateDb db(app.db());
        std::vector<FeedDay> days;
        for (QDate d(2005, 1, 3); d.year() <= 2026; d = d.addDays(1)) {
            if (d.dayOfWeek() > 5) continue;
            FeedDay day{d, {}, {}};
            for (int c = 0; c < 35; ++c)
                day.rates.push_back(
                    {QStringLiteral("C%1").arg(c, 2, 10, QChar(u'0')), QStringLiteral("4.%1").arg(1000 + c)});
            day.rates.push_back(
                {QStringLiteral("EUR"), QStringLiteral("4.9%1").arg(d.dayOfYear(), 3, 10, QChar(u'0'))});
            days.push_back(std::move(day));
        }
        int stored = 0;
        return bool(db.storeDays(days, &stored));
    }();
    (void)filled;
    return app;
}

void openWindow(benchmark::State& state, int from, int to) {
    const QString db = history().db();
    for (auto _ : state) {
        frmEvolutie w(db, nullptr);
        w.showCurrency(QStringLiteral("EUR"), from, to);
        w.show();
        (void)QTest::qWaitForWindowExposed(&w);
        benchmark::DoNotOptimize(w.history().days.size());
    }
}

void OpenOneYear(benchmark::State& state) {
    openWindow(state, 2022, 2022);
}
BENCHMARK(OpenOneYear)->Apply(Pace::once)->Unit(benchmark::kMillisecond)->UseRealTime();

void OpenTwentyTwoYears(benchmark::State& state) {
    openWindow(state, 2005, 2026);
}
BENCHMARK(OpenTwentyTwoYears)->Apply(Pace::once)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same rows, read bare: one prepared statement a year.
void BareReadTwentyTwoYears(benchmark::State& state) {
    const std::string path = history().db().toStdString();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        double sum = 0;
        int rows = 0;
        for (int y = 2005; y <= 2026; ++y) {
            const std::string sql =
                "select DATA, EUR from valuta" + std::to_string(y) + "ron where EUR is not null order by DATA";
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) continue;
            while (sqlite3_step(st) == SQLITE_ROW) {
                sum += sqlite3_column_double(st, 1);
                ++rows;
            }
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        benchmark::DoNotOptimize(sum);
        state.counters["rows"] = rows;
    }
}
BENCHMARK(BareReadTwentyTwoYears)->Apply(Pace::once)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
