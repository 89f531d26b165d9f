// One conversion as a keystroke runs it, beside the same queries through SQLite's C API,
// and a full year's rate table loaded into the widgets.
#include "bench/benchdata.h"
#include "bench/guimain.h"
#include "core/converter.h"
#include "core/ratedb.h"
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
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
    const Converter::Request request{QStringLiteral("100"), QStringLiteral("EUR"), QStringLiteral("LEI NOI"), 0,
                                     QStringLiteral("LEI NOI")};
    for (auto _ : state) {
        RateDb db(app->db());
        const auto row = db.rowBefore(QDate(2022, 3, 1), QStringLiteral("RON"));
        const auto v = Converter::convert(request, *row);
        benchmark::DoNotOptimize(v.ok());
    }
}
BENCHMARK(ConvertKeystroke)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();

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
BENCHMARK(ConvertBareSqlite)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();

void LoadRateTableFullYear(benchmark::State& state) {
    const TempAppDir* app = history(state);
    if (!app) return;
    RecordingSink sink;
    ZorvelEnvironment env;
    env.appDir = app->path();
    env.feedBase = QUrl(QStringLiteral("http://127.0.0.1:9"));
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
BENCHMARK(LoadRateTableFullYear)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
