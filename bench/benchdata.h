#pragma once

#include "bench/pace.h"
#include "tests/support/bnrdata.h"

#include <benchmark/benchmark.h>

// The bank's files, loaded once; benchmarks that need them say so when they are missing.
inline const BnrData* realData(benchmark::State& state) {
    static BnrData data;
    static const bool loaded = data.load();
    if (!loaded) {
        Pace::skip(state, BnrData::missingReason());
        return nullptr;
    }
    return &data;
}
