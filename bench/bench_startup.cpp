// Cold start: from launching a process to its window shown, with the database current
// and the loopback bank answering; peak memory of that process beside it.
#include "bench/benchdata.h"
#include "bench/pace.h"
#include "core/feed/feedparser.h"
#include "core/store/ratedb.h"
#include "tests/support/windowrig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimeZone>
#include <cstdio>
#include <sys/resource.h>

namespace {

int child(const QString& dir, const QString& feed, int argc, char** argv) {
    QApplication app(argc, argv);
    RecordingSink sink;
    ZorvelEnvironment env;
    env.appDir = dir;
    env.feedBase = QUrl(feed);
    // Today is the bank's newest day, whatever the machine's date: the window comes up current.
    env.clock = [] { return QDateTime(QDate(2026, 8, 19), QTime(15, 0), QTimeZone("Europe/Bucharest")); };
    frmZorvel w(env, &sink);
    w.Form_Load();
    w.show();
    (void)QTest::qWaitForWindowExposed(&w);
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    std::printf("shown %ld %d\n%s\n", use.ru_maxrss,
                sink.texts().contains(QStringLiteral("Cursul este la zi!")) ? 1 : 0,
                sink.texts().join(u'|').toUtf8().constData());
    std::fflush(stdout);
    return 0;
}

void ColdStart(benchmark::State& state) {
    // Six years of the bank's 33 currencies, every banking day of them stored and served: the bank's
    // real files have holes (days of 2024 and 2025 it never filed) that would leave the window incomplete.
    const QDate feed(2026, 8, 19);
    const BnrData data = BnrData::madeUp(QDate(2021, 1, 4), feed, {}, 30);
    TempAppDir app;
    for (const QByteArray& year : data.years()) {
        int stored = 0;
        if (!RateDb(app.db()).storeDays(*FeedParser::days(year), &stored)) return state.SkipWithError("fill failed");
    }
    BnrData::Serving how;
    how.feed = feed;
    FeedServer server(data.serve(how));
    long peakKb = 0;
    for (auto _ : state) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), app.path(), server.base().toString()});
        p.waitForReadyRead(30000);
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        p.waitForFinished(30000);
        const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
        const QList<QByteArray> parts = lines.value(0).split(' ');
        if (parts.size() != 3 || parts[2] != "1") {
            state.SkipWithError(("the window did not come up current: " + lines.value(1)).constData());
            return;
        }
        peakKb = std::max(peakKb, parts[1].toLong());
        state.SetIterationTime(seconds);
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
}
BENCHMARK(ColdStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Apply(Pace::runs<10>);

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
