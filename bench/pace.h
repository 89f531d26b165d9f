#pragma once

#include <QString>
#include <QtGlobal>
#include <benchmark/benchmark.h>

// How long a benchmark runs. For figures, as its registration asks (a minimum time, a
// number of runs). In a smoke run (ZORVEL_BENCH_SMOKE set, as CI runs every benchmark
// once) one iteration, which proves that it still runs and still gives the right result.
namespace Pace {

inline bool smoke() {
    return qEnvironmentVariableIsSet("ZORVEL_BENCH_SMOKE");
}

using Bench = benchmark::internal::Benchmark;

// For use with ->Apply(...): at least that long for figures, once in a smoke run.
inline void once(Bench* b) {
    if (smoke()) b->Iterations(1);
}
inline void oneSecond(Bench* b) {
    smoke() ? b->Iterations(1) : b->MinTime(1);
}
inline void twoSeconds(Bench* b) {
    smoke() ? b->Iterations(1) : b->MinTime(2);
}
template <int N> void runs(Bench* b) {
    b->Iterations(smoke() ? 1 : N);
}

// A benchmark that cannot run on this machine (the shared data or a program is missing) says
// why under this mark; a smoke run reports it and goes on. Any other error fails the run.
inline void skip(benchmark::State& state, const QString& why) {
    state.SkipWithError(("skipped: " + why).toUtf8().constData());
}

} // namespace Pace
