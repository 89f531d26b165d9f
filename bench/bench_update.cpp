// The update over loopback from the bank's real files, beside two limits: this
// program's own parser and store without the network, and an independent bare
// implementation (a plain scan of the files and one transaction of prepared
// inserts through the SQLite C API) that owes nothing to this program's code.
#include "bench/benchdata.h"
#include "bench/pace.h"
#include "core/feed/feedclient.h"
#include "core/feed/feedparser.h"
#include "core/store/ratedb.h"
#include "core/update/rateupdater.h"
#include "tests/support/testenv.h"

#include "bench/guimain.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <charconv>
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
        RateUpdater updater(app.db(), client);
        updater.setToday(QDate(2023, 12, 29)); // the bank's newest day is today, whatever the machine's date
        const auto report = updater.run();
        if (report.result != RateUpdater::Result::UpToDate || report.daysStored != 753)
            state.SkipWithError("update failed");
        // The feed and three yearly files: the calendar explains every weekday they lack.
        state.counters["requests"] = report.requests;
    }
    state.counters["days"] = 753;
}
BENCHMARK(YearlyPath2021To2023)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

// The whole yearly path without the network: this program's parser and store.
void ParseAndStore2021To2023(benchmark::State& state) {
    const BnrData* data = realData(state);
    if (!data) return;
    for (auto _ : state) {
        state.PauseTiming();
        TempAppDir app;
        state.ResumeTiming();
        std::vector<FeedDay> all;
        for (int y : {2021, 2022, 2023}) {
            auto days = FeedParser::days(data->years().value(y));
            for (FeedDay& d : days.value())
                all.push_back(std::move(d));
        }
        RateDb db(app.db());
        int stored = 0;
        if (!db.storeDays(all, &stored) || stored != 753) state.SkipWithError("store failed");
    }
}
BENCHMARK(ParseAndStore2021To2023)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

// --- the independent bare implementation ---
// As lean as the limit it stands for: the file is scanned in place, numbers read
// without copies, and each rate bound as soon as it is found.

// The currency of a rate, multiplier first as the column is named ("100HUF").
std::string_view codeAt(std::string_view xml, size_t at, size_t close, std::string& scratch) {
    const size_t c = xml.find("currency=\"", at);
    const std::string_view code = xml.substr(c + 10, 3);
    const size_t m = xml.find("multiplier=\"", at);
    if (m > close) return code;
    const size_t end = xml.find('"', m + 12);
    scratch.assign(xml.substr(m + 12, end - m - 12));
    scratch.append(code);
    return scratch;
}

std::vector<std::string> bareColumns(std::string_view xml) {
    std::vector<std::string> columns;
    std::string scratch;
    for (size_t r = 0; (r = xml.find("<Rate ", r)) != std::string_view::npos; ++r) {
        const std::string_view code = codeAt(xml, r, xml.find('>', r), scratch);
        if (std::find(columns.begin(), columns.end(), code) == columns.end()) columns.emplace_back(code);
    }
    return columns;
}

void bareStoreYear(sqlite3* db, int year, std::string_view xml, size_t* days) {
    const std::vector<std::string> columns = bareColumns(xml);
    std::string create = "create table valuta" + std::to_string(year) + "ron (data text primary key";
    std::string insert = "insert into valuta" + std::to_string(year) + "ron values (?";
    for (const std::string& c : columns) {
        create += ",[" + c + "] real";
        insert += ",?";
    }
    sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &st, nullptr);
    std::string scratch;
    for (size_t at = 0; (at = xml.find("<Cube date=\"", at)) != std::string_view::npos;) {
        at += 12;
        sqlite3_bind_text(st, 1, xml.data() + at, 10, SQLITE_STATIC);
        const size_t end = xml.find("</Cube>", at);
        for (size_t r = at; (r = xml.find("<Rate ", r)) < end;) {
            const size_t close = xml.find('>', r);
            const std::string_view code = codeAt(xml, r, close, scratch);
            double v = 0;
            std::from_chars(xml.data() + close + 1, xml.data() + end, v);
            const auto i = std::find(columns.begin(), columns.end(), code) - columns.begin();
            sqlite3_bind_double(st, int(i) + 2, v);
            r = close;
        }
        sqlite3_step(st);
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        ++*days;
        at = end;
    }
    sqlite3_finalize(st);
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
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
        size_t n = 0;
        for (const auto& [y, xml] : files)
            bareStoreYear(db, y, xml, &n);
        sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        if (n != 753) state.SkipWithError("scan failed");
    }
}
BENCHMARK(IndependentBare2021To2023)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

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
BENCHMARK(QuickCheckBeforeUpdate)->Unit(benchmark::kMillisecond)->Apply(Pace::oneSecond)->UseRealTime();

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
            db.storeDay(FeedDay{from, {{"EUR", "4.97"}}});
        }
        state.ResumeTiming();
        FeedClient client(server.base());
        RateUpdater updater(app.db(), client);
        updater.setToday(to);
        const auto report = updater.run();
        if (report.result != RateUpdater::Result::UpToDate) state.SkipWithError("update failed");
    }
    state.counters["days/s"] = benchmark::Counter(60.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(DailyPath60Days)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runCoreBenchmarks(argc, argv);
}
