// The update over loopback from the bank's real files, beside two limits: this
// program's own parser and store without the network, and an independent bare
// implementation (a plain scan of the files and one transaction of prepared
// inserts through the SQLite C API) that owes nothing to this program's code.
#include "bench/benchdata.h"
#include "core/feedclient.h"
#include "core/feedparser.h"
#include "core/ratedb.h"
#include "core/rateupdater.h"
#include "tests/support/testenv.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <sqlite3.h>
#include <string>
#include <string_view>

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
        // The feed, three yearly files, and each weekday a file lacks (the holidays), asked on its own.
        state.counters["requests"] = report.requests;
    }
    state.counters["days"] = 753;
}
BENCHMARK(YearlyPath2021To2023)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

// The whole yearly path without the network: this program's parser and store.
void ParseAndStore2021To2023(benchmark::State& state) {
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
BENCHMARK(ParseAndStore2021To2023)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

// --- the independent bare implementation ---

struct BareDay {
    std::string date;
    std::vector<std::pair<std::string, double>> rates;
};

// Scans for the cube and rate tags as plain text; the bank's files are regular enough for that.
std::vector<BareDay> bareScan(std::string_view xml) {
    std::vector<BareDay> days;
    size_t at = 0;
    while ((at = xml.find("<Cube date=\"", at)) != std::string_view::npos) {
        at += 12;
        BareDay day{std::string(xml.substr(at, 10)), {}};
        const size_t end = xml.find("</Cube>", at);
        size_t r = at;
        while ((r = xml.find("<Rate currency=\"", r)) < end) {
            r += 16;
            std::string code(xml.substr(r, 3));
            const size_t close = xml.find('>', r);
            const size_t mult = xml.find("multiplier=\"", r);
            if (mult < close) code = std::string(xml.substr(mult + 12, xml.find('"', mult + 12) - mult - 12)) + code;
            const size_t stop = xml.find('<', close);
            day.rates.emplace_back(code, std::stod(std::string(xml.substr(close + 1, stop - close - 1))));
            r = stop;
        }
        days.push_back(std::move(day));
        at = end;
    }
    return days;
}

void bareStore(const char* path, const std::map<int, std::vector<BareDay>>& years) {
    sqlite3* db = nullptr;
    sqlite3_open(path, &db);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    for (const auto& [year, days] : years) {
        std::vector<std::string> columns;
        for (const BareDay& d : days)
            for (const auto& r : d.rates)
                if (std::find(columns.begin(), columns.end(), r.first) == columns.end()) columns.push_back(r.first);
        std::string create = "create table valuta" + std::to_string(year) + "ron (data text primary key";
        std::string insert = "insert into valuta" + std::to_string(year) + "ron (data";
        std::string marks = "?";
        for (const std::string& c : columns) {
            create += ",[" + c + "] real";
            insert += ",[" + c + "]";
            marks += ",?";
        }
        sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, (insert + ") values (" + marks + ")").c_str(), -1, &st, nullptr);
        for (const BareDay& d : days) {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
            sqlite3_bind_text(st, 1, d.date.c_str(), -1, SQLITE_TRANSIENT);
            for (const auto& r : d.rates) {
                const auto i = std::find(columns.begin(), columns.end(), r.first) - columns.begin();
                sqlite3_bind_double(st, int(i) + 2, r.second);
            }
            sqlite3_step(st);
        }
        sqlite3_finalize(st);
    }
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void IndependentBare2021To2023(benchmark::State& state) {
    const BnrData* data = realData(state);
    if (!data) return;
    std::map<int, std::string> files;
    for (int y : {2021, 2022, 2023})
        files[y] = data->years().value(y).toStdString();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const std::string path = (dir.path() + QStringLiteral("/bare.db")).toStdString();
        state.ResumeTiming();
        std::map<int, std::vector<BareDay>> years;
        size_t n = 0;
        for (const auto& [y, xml] : files) {
            years[y] = bareScan(xml);
            n += years[y].size();
        }
        bareStore(path.c_str(), years);
        if (n != 753) state.SkipWithError("scan failed");
    }
}
BENCHMARK(IndependentBare2021To2023)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

// The check made on the database before every update, on the shipped file filled with 2021-2023.
void QuickCheckBeforeUpdate(benchmark::State& state) {
    const BnrData* data = realData(state);
    if (!data) return;
    TempAppDir app;
    if (!app.fillFromYears({2021, 2022, 2023})) return state.SkipWithError("fill failed");
    for (auto _ : state) {
        RateDb db(app.db());
        if (!db.check()) state.SkipWithError("check failed");
    }
    state.counters["bytes"] = double(QFile(app.db()).size());
}
BENCHMARK(QuickCheckBeforeUpdate)->Unit(benchmark::kMillisecond)->MinTime(1)->UseRealTime();

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
