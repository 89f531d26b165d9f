// "Verifica istoricul" over 2005-2026 (22 yearly files over loopback), beside the
// bare work it cannot avoid: the same files fetched over the same loopback and
// read with a plain scan, and the same rows read through the SQLite C API.
#include "bench/pace.h"
#include "core/feed/feedclient.h"
#include "core/feed/feedparser.h"
#include "core/store/ratedb.h"
#include "core/update/historycheck.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include "bench/guimain.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <string_view>

namespace {

const QDate kFeed(2026, 8, 19);

struct Setup {
    // The bank's usual 33 currencies a day.
    BnrData data = BnrData::madeUp(QDate(2005, 1, 1), kFeed, {}, 30);
    TempAppDir app;
    Setup() {
        for (auto it = data.years().cbegin(); it != data.years().cend(); ++it) {
            auto days = FeedParser::days(it.value());
            int n = 0;
            RateDb(app.db()).storeDays(*days, &n);
        }
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void Verify2005To2026(benchmark::State& state) {
    Setup& s = setup();
    BnrData::Serving how;
    how.feed = kFeed;
    FeedServer server(s.data.serve(how));
    for (auto _ : state) {
        FeedClient client(server.base());
        HistoryCheck checker(s.app.db(), client);
        checker.setToday(kFeed); // the bank's newest day is today, whatever the machine's date
        const auto report = checker.run();
        if (!report || !report->equal() || report->years.size() != 22) state.SkipWithError("check failed");
    }
    state.counters["years"] = 22;
}
BENCHMARK(Verify2005To2026)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

// The floor: the same 22 files over the same loopback, a plain count of their cubes,
// and every stored row of the same years read through the engine's own API.
void BareFetchAndRead2005To2026(benchmark::State& state) {
    Setup& s = setup();
    BnrData::Serving how;
    how.feed = kFeed;
    FeedServer server(s.data.serve(how));
    QStringList paths;
    for (int y = 2005; y <= 2026; ++y)
        paths << FeedClient::yearPath(y);
    for (auto _ : state) {
        FeedClient client(server.base());
        size_t cubes = 0;
        for (const auto& file : client.getMany(paths)) {
            const std::string_view xml(file->constData(), size_t(file->size()));
            for (size_t at = 0; (at = xml.find("<Cube date=", at)) != std::string_view::npos; ++at)
                ++cubes;
        }
        sqlite3* db = nullptr;
        sqlite3_open_v2(s.app.db().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        size_t values = 0;
        for (int y = 2005; y <= 2026; ++y) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, ("select * from valuta" + std::to_string(y) + "ron").c_str(), -1, &st, nullptr);
            while (sqlite3_step(st) == SQLITE_ROW)
                for (int c = 0; c < sqlite3_column_count(st); ++c)
                    values += sqlite3_column_type(st, c) != SQLITE_NULL;
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        benchmark::DoNotOptimize(values);
        if (cubes == 0) state.SkipWithError("no files");
    }
}
BENCHMARK(BareFetchAndRead2005To2026)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runCoreBenchmarks(argc, argv);
}
