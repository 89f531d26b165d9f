// The update over loopback from the bank's real files, beside the bare limit of
// parsing the same files and storing the same rows in one transaction.
#include "benchdata.h"
#include "feedclient.h"
#include "feedparser.h"
#include "ratedb.h"
#include "rateupdater.h"
#include "testenv.h"

#include <QCoreApplication>

namespace {

void YearlyPath2021To2023(benchmark::State& state) {
    const BnrData* data = realData(state);
    if (!data) return;
    FeedServer server(data->bank(QDate(2023, 12, 29)));
    for (auto _ : state) {
        state.PauseTiming();
        TempAppDir app;
        app.sql(
            QStringLiteral("drop table VALUTA2005RON;\ncreate table VALUTA2021RON (DATA DATETIME UNIQUE PRIMARY KEY)"));
        state.ResumeTiming();
        FeedClient client(server.base());
        const auto report = RateUpdater(app.db(), client).run();
        if (report.result != RateUpdater::Result::UpToDate || report.daysStored != 753)
            state.SkipWithError("update failed");
    }
    state.counters["days"] = 753;
}
BENCHMARK(YearlyPath2021To2023)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void BareLimit2021To2023(benchmark::State& state) {
    const BnrData* data = realData(state);
    if (!data) return;
    for (auto _ : state) {
        state.PauseTiming();
        TempAppDir app;
        state.ResumeTiming();
        std::vector<DayRates> all;
        for (int y : {2021, 2022, 2023}) {
            auto days = FeedParser::yearFile(data->years().value(y));
            for (DayRates& d : days.value())
                all.push_back(std::move(d));
        }
        RateDb db(app.db());
        int stored = 0;
        if (!db.storeDays(all, &stored) || stored != 753) state.SkipWithError("store failed");
    }
}
BENCHMARK(BareLimit2021To2023)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void DailyPath60Days(benchmark::State& state) {
    const BnrData* data = realData(state);
    if (!data) return;
    // 60 calendar days after 6 September 2024, weekends included, one request each.
    const QDate from(2024, 9, 6), to = from.addDays(60);
    FeedServer server(data->bank(to, {}, false));
    for (auto _ : state) {
        state.PauseTiming();
        TempAppDir app;
        {
            RateDb db(app.db());
            db.storeDay(DayRates{from, {{"EUR", "4.97"}}});
        }
        state.ResumeTiming();
        FeedClient client(server.base());
        const auto report = RateUpdater(app.db(), client).run();
        if (report.result != RateUpdater::Result::UpToDate) state.SkipWithError("update failed");
    }
    state.counters["days/s"] = benchmark::Counter(60.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(DailyPath60Days)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
