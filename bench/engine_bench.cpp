// engine_process cost per sample at 48 kHz in blocks of 512.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/engine.h"
#include "exchange/denormals.h"

static void run_engine(benchmark::State& state, float cutoff, float amount, float speed) {
    const uint32_t block = 512;
    std::vector<float> in(block), out(block);
    uint32_t seed = 1;
    for (auto& x : in) {
        seed = seed * 1664525u + 1013904223u;
        x = (float)(int32_t)seed / 2147483648.0f;
    }
    Engine engine;
    engine_init(&engine);
    engine.param_values[0] = cutoff;
    engine.param_values[1] = amount;
    engine.param_values[2] = speed;
    engine_activate(&engine, 48000.0f);
    DenormalsOff ftz;
    for (auto _ : state) {
        engine_process(&engine, in.data(), out.data(), block);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * block);
    state.counters["ns_per_sample"] = benchmark::Counter(
        (double)state.iterations() * block, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

static void BM_EngineDefaults(benchmark::State& state) { run_engine(state, 15, 0, 7); }
static void BM_EngineFullLfo(benchmark::State& state) { run_engine(state, 15, 15, 15); }
BENCHMARK(BM_EngineDefaults);
BENCHMARK(BM_EngineFullLfo);

BENCHMARK_MAIN();
