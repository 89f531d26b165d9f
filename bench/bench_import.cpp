// The Access import of the earlier generation's history (valuta-full.mdb, 2,552 days of
// 1999-2023) into a fresh history, beside the floor: the same tables read by the
// Access tools' own exporter, one process a table.
#include "bench/pace.h"
#include "core/access/accessimport.h"
#include "tests/support/accessdata.h"
#include "tests/support/testenv.h"

#include "bench/guimain.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>

namespace {

QString fullFile() {
    return AccessData::folder() + QStringLiteral("/valuta-full.mdb");
}

void ImportFullIntoAFreshHistory(benchmark::State& state) {
    if (const QString why = AccessData::missing(); !why.isEmpty()) return Pace::skip(state, why);
    AccessImport::Options o;
    o.helper = AccessData::helper();
    int days = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TempAppDir app;
        state.ResumeTiming();
        const auto r = AccessImport::run(fullFile(), app.db(), o);
        if (!r || !r->complete()) return state.SkipWithError("import failed");
        days = r->importedDays();
    }
    state.counters["days"] = days;
}
BENCHMARK(ImportFullIntoAFreshHistory)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

// The floor: mdb-export of the same eleven year tables, dates in full, into nothing.
void MdbExportSameTables(benchmark::State& state) {
    const QString exporter = QStandardPaths::findExecutable(QStringLiteral("mdb-export"));
    if (AccessData::folder().isEmpty() || exporter.isEmpty())
        return Pace::skip(state, QStringLiteral("mdb-export or the file is missing"));
    const QStringList tables = {"VALUTA1999",    "VALUTA2000",    "VALUTA2001",   "VALUTA2002",
                                "VALUTA2003",    "VALUTA2004",    "VALUTA2005",   "VALUTA2005RON",
                                "VALUTA2021RON", "VALUTA2022RON", "VALUTA2023RON"};
    for (auto _ : state) {
        qint64 bytes = 0;
        for (const QString& t : tables) {
            QProcess p;
            p.start(exporter, {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), fullFile(), t});
            p.waitForFinished();
            bytes += p.readAllStandardOutput().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(MdbExportSameTables)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runCoreBenchmarks(argc, argv);
}
