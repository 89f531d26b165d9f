// Cold start: from launching a process to its window shown, with the database current
// and the loopback bank answering; peak memory of that process beside it.
#include "bench/benchdata.h"
#include "tests/support/windowrig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <cstdio>
#include <sys/resource.h>

namespace {

int child(const QString& dir, const QString& feed, int argc, char** argv) {
    QApplication app(argc, argv);
    RecordingSink sink;
    ZorvelEnvironment env;
    env.appDir = dir;
    env.feedBase = QUrl(feed);
    frmZorvel w(env, &sink);
    w.Form_Load();
    w.show();
    (void)QTest::qWaitForWindowExposed(&w);
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    std::printf("shown %ld %d\n", use.ru_maxrss, sink.texts().contains(QStringLiteral("Cursul este la zi!")) ? 1 : 0);
    std::fflush(stdout);
    return 0;
}

void ColdStart(benchmark::State& state) {
    const BnrData* data = realData(state);
    if (!data) return;
    TempAppDir app;
    app.fillFromYears({2021, 2022, 2023, 2026});
    FeedServer server(data->bank(QDate(2026, 8, 19)));
    long peakKb = 0;
    for (auto _ : state) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), app.path(), server.base().toString()});
        p.waitForReadyRead(30000);
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
        p.waitForFinished(30000);
        if (parts.size() != 3 || parts[2] != "1") {
            state.SkipWithError("the window did not come up current");
            return;
        }
        peakKb = std::max(peakKb, parts[1].toLong());
        state.SetIterationTime(seconds);
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
}
BENCHMARK(ColdStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 4 && QByteArray(argv[1]) == "--child")
        return child(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
