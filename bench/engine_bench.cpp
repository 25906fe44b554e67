// Cost of engine_process per sample for four settings and three block sizes, and the cost
// of the band-pass recursion alone: its per-sample dependency chain is the floor under the
// whole chain. scripts/bench.sh turns the JSON output into docs/performance.md.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/band_pass.h"
#include "engine/engine.h"
#include "exchange/denormals.h"

static std::vector<float> noise(size_t n) {
    std::vector<float> v(n);
    uint32_t seed = 1;
    for (auto& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = (float)(int32_t)seed / 2147483648.0f;
    }
    return v;
}

struct Setting {
    const char* name;
    float rate, cutoff, amount, speed;
};

static const Setting SETTINGS[] = {
    {"defaults", 48000, 15, 0, 7},
    {"lfo_amt15_speed15", 48000, 15, 15, 15},
    {"cutoff0", 48000, 0, 0, 7},
    {"defaults_44k1", 44100, 15, 0, 7},
};

static void set_counters(benchmark::State& state, uint32_t block, float rate) {
    double samples = (double)state.iterations() * block;
    state.SetItemsProcessed((int64_t)samples);
    state.counters["ns_per_sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // Seconds of audio per second of processing.
    state.counters["realtime_factor"] = benchmark::Counter(samples / rate, benchmark::Counter::kIsRate);
}

static void engine_process_cost(benchmark::State& state, const Setting& s) {
    const uint32_t block = (uint32_t)state.range(0);
    std::vector<float> in = noise(block), out(block);
    Engine engine;
    engine_init(&engine);
    engine.param_values[0] = s.cutoff;
    engine.param_values[1] = s.amount;
    engine.param_values[2] = s.speed;
    engine_activate(&engine, s.rate);
    DenormalsOff ftz;
    for (auto _ : state) {
        engine_process(&engine, in.data(), out.data(), block);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    set_counters(state, block, s.rate);
}

// The recursion alone over a buffer of 4096, with the terms the engine uses at the default
// setting at 48 kHz.
static void band_pass_recursion(benchmark::State& state) {
    const uint32_t block = 4096;
    std::vector<float> in = noise(block), out(block);
    Engine engine;
    engine_init(&engine);
    engine_activate(&engine, 48000.0f);
    engine_process(&engine, in.data(), out.data(), 1);  // the first tick sets the terms
    const BandPassTerms terms = engine.bp_terms;
    BandPassMemory z = {0.0f, 0.0f, 0.0f};
    DenormalsOff ftz;
    for (auto _ : state) {
        for (uint32_t i = 0; i < block; i++) out[i] = band_pass_step(terms, &z, in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    set_counters(state, block, 48000.0f);
}

int main(int argc, char** argv) {
    for (const Setting& s : SETTINGS)
        benchmark::RegisterBenchmark((std::string("engine_process/") + s.name).c_str(), engine_process_cost, s)
            ->Arg(32)->Arg(512)->Arg(4096);
    benchmark::RegisterBenchmark("band_pass_recursion", band_pass_recursion);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
