// The spreadsheet export from the click to the cells written: warm (the workbook
// already open in a running office) and, reported beside it, cold (no office yet).
#include "app/datepicker.h"
#include "bench/guimain.h"
#include "bench/pace.h"
#include "core/store/ratedb.h"
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimeZone>
#include <benchmark/benchmark.h>

namespace {

struct OfficeRig {
    OfficeRig() {
        qputenv("ZORVEL_CALC_PROFILE", QUrl::fromLocalFile(profile.path()).toString().toUtf8());
        qputenv("ZORVEL_CALC_PIPE", QStringLiteral("zorvel_bench_%1").arg(QCoreApplication::applicationPid()).toUtf8());
        qputenv("ZORVEL_CALC_HEADLESS", "1");
        RateDb db(rig.app.db());
        db.storeDay(FeedDay{QDate(2022, 1, 3), {{"EUR", "4.9474"}, {"USD", "4.3701"}, {"100HUF", "1.3455"}}});
        QFile::copy(QStringLiteral(ZORVEL_WORKBOOK), rig.app.path() + QStringLiteral("/zv.xls"));
        rig.exportHelper = QStringLiteral(ZORVEL_CALC_HELPER);
        rig.clock = [] { return QDateTime(QDate(2022, 1, 5), QTime(15, 0), QTimeZone("Europe/Bucharest")); };
        frmZorvel& w = rig.start();
        const WindowControls ui(w);
        ui.DTPicker1->setDate(QDate(2022, 1, 5));
        button = ui.cmdExcel;
        rig.sink.shown.clear(); // start-up's own messages (no bank here)
    }
    ~OfficeRig() { QProcess::execute(QStringLiteral(ZORVEL_CALC_HELPER), {QStringLiteral("--quit")}); }
    double click() {
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(button, Qt::LeftButton);
        return double(t.nsecsElapsed()) / 1e9;
    }
    QTemporaryDir profile;
    WindowRig rig;
    QPushButton* button = nullptr;
};

void Export(benchmark::State& state) {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
        Pace::skip(state, QStringLiteral("LibreOffice is not installed"));
        return;
    }
    OfficeRig office;
    const double cold = office.click();
    for (auto _ : state)
        state.SetIterationTime(office.click());
    state.counters["cold_ms"] = cold * 1000.0;
    if (!office.rig.sink.shown.isEmpty()) state.SkipWithError(office.rig.sink.texts().join(u'|').toStdString().c_str());
}
BENCHMARK(Export)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Apply(Pace::runs<20>)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
