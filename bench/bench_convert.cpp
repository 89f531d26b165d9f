// One conversion as a keystroke runs it, beside the same queries through SQLite's C API,
// and a full year's rate table loaded into the widgets.
#include "bench/benchdata.h"
#include "bench/guimain.h"
#include "bench/pace.h"
#include "core/money/converter.h"
#include "core/money/listconversion.h"
#include "core/money/ratebook.h"
#include "core/store/ratedb.h"
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <map>
#include <sqlite3.h>

namespace {

const TempAppDir* history(benchmark::State& state) {
    static TempAppDir* app = nullptr;
    if (!app) {
        if (!realData(state)) return nullptr;
        app = new TempAppDir;
        app->fillFromYears({2021, 2022, 2023, 2026});
    }
    return app;
}

void ConvertKeystroke(benchmark::State& state) {
    const TempAppDir* app = history(state);
    if (!app) return;
    const Converter::Request request{QStringLiteral("100"), QStringLiteral("EUR"), QStringLiteral("LEI NOI"),
                                     QStringLiteral("LEI NOI")};
    for (auto _ : state) {
        const auto day = RateBook::ratesFor(app->db(), QDate(2022, 3, 1));
        const auto v = Converter::convert(request, day->row);
        benchmark::DoNotOptimize(v.ok());
    }
}
BENCHMARK(ConvertKeystroke)
    ->Apply(Pace::once)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();

void ConvertBareSqlite(benchmark::State& state) {
    const TempAppDir* app = history(state);
    if (!app) return;
    const QByteArray path = app->db().toUtf8();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM VALUTA2022RON WHERE DATA<? ORDER BY DATA DESC LIMIT 1", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, "2022-03-01", -1, SQLITE_STATIC);
        double eur = 0;
        if (sqlite3_step(st) == SQLITE_ROW)
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                if (std::string_view(sqlite3_column_name(st, i)) == "EUR") eur = sqlite3_column_double(st, i);
        sqlite3_finalize(st);
        sqlite3_close(db);
        benchmark::DoNotOptimize(eur);
    }
}
BENCHMARK(ConvertBareSqlite)
    ->Apply(Pace::once)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();

void LoadRateTableFullYear(benchmark::State& state) {
    const TempAppDir* app = history(state);
    if (!app) return;
    RecordingSink sink;
    ZorvelEnvironment env;
    env.appDir = app->path();
    env.feedBase = QUrl(QStringLiteral("http://127.0.0.1:9"));
    env.clock = [] { return QDateTime(QDate(2026, 8, 20), QTime(15, 0), QTimeZone("Europe/Bucharest")); };
    frmZorvel w(env, &sink);
    const WindowControls ui(w);
    w.Form_Load();
    w.show();
    ui.Combo2->setCurrentIndex(ui.Combo2->findText(QStringLiteral("2022")));
    ui.chkPrinc->setChecked(true);
    for (auto _ : state) {
        QMetaObject::invokeMethod(&w, "LoadRateTable");
        QApplication::processEvents();
    }
}
BENCHMARK(LoadRateTableFullYear)->Apply(Pace::once)->Unit(benchmark::kMillisecond);

// 10,000 invoices of 2021-2023 in the bank's currencies, as a CSV file a bookkeeper exports.
QString invoices(const QString& folder) {
    const QStringList codes = {QStringLiteral("EUR"), QStringLiteral("USD"), QStringLiteral("HUF"),
                               QStringLiteral("GBP"), QStringLiteral("CHF"), QStringLiteral("100JPY")};
    QString text = QStringLiteral("data;suma;valuta;lei\n");
    for (int i = 0; i < 10000; ++i)
        text += QStringLiteral("%1;%2,%3;%4;%5\n")
                    .arg(QDate(2021, 1, 6).addDays((i * 7919) % 1090).toString(QStringLiteral("dd.MM.yyyy")))
                    .arg(100 + i % 9000)
                    .arg(i % 100, 2, 10, QChar(u'0'))
                    .arg(codes[i % codes.size()])
                    .arg(500 + i % 7000);
    const QString path = folder + QStringLiteral("/facturi.csv");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    return path;
}

// From the file to the saved CSV, as "zorvel --convert-file" and the list window do it.
void ConvertList10000Rows(benchmark::State& state) {
    const TempAppDir* app = history(state);
    if (!app) return;
    QTemporaryDir dir;
    const QString in = invoices(dir.path()), out = dir.filePath(QStringLiteral("rezultat.csv"));
    for (auto _ : state) {
        QFile f(in);
        f.open(QIODevice::ReadOnly);
        const auto result = ListConversion::convert(app->db(), ListConversion::read(QString::fromUtf8(f.readAll())));
        if (!result || result->failed > 0) state.SkipWithError("conversion failed");
        QSaveFile saved(out);
        saved.open(QIODevice::WriteOnly);
        saved.write(ListConversion::csv(*result).toUtf8());
        saved.commit();
    }
    state.counters["rows"] = 10000;
}
BENCHMARK(ConvertList10000Rows)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

// The reads such a list cannot do without: the stored day before each distinct date, through the C API.
void BareRatesFor10000Rows(benchmark::State& state) {
    const TempAppDir* app = history(state);
    if (!app) return;
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(app->db().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        std::map<int, sqlite3_stmt*> byYear;
        int found = 0;
        for (int i = 0; i < 1095; ++i) {
            const QDate d = QDate(2021, 1, 1).addDays(i);
            sqlite3_stmt*& st = byYear[d.year()];
            if (!st)
                sqlite3_prepare_v2(db,
                                   QStringLiteral("select * from valuta%1ron where data < ? order by data desc limit 1")
                                       .arg(d.year())
                                       .toUtf8()
                                       .constData(),
                                   -1, &st, nullptr);
            const QByteArray day = d.toString(Qt::ISODate).toUtf8();
            sqlite3_bind_text(st, 1, day.constData(), int(day.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(st) == SQLITE_ROW)
                for (int c = 0; c < sqlite3_column_count(st); ++c)
                    found += sqlite3_column_type(st, c) != SQLITE_NULL;
            sqlite3_reset(st);
        }
        for (auto& [year, st] : byYear)
            sqlite3_finalize(st);
        sqlite3_close(db);
        benchmark::DoNotOptimize(found);
    }
    state.counters["dates"] = 1095;
}
BENCHMARK(BareRatesFor10000Rows)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
