// The engine run as a plug-in host runs it: set, activated, then fed in blocks with
// flush-to-zero and denormals-are-zero set.
#pragma once
#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/engine.h"
#include "exchange/denormals.h"

// A fresh engine holding `values` (cutoff, lfo_amt, lfo_speed), activated at `rate`.
inline Engine engine_started(float rate, const float values[3]) {
    Engine engine;
    engine_init(&engine);
    for (int i = 0; i < 3; i++) engine.param_values[i] = values[i];
    engine_activate(&engine, rate);
    return engine;
}

// Runs n samples of `in` into `out` (which may be `in`) in blocks of `block` samples, calling
// after_block(engine) after each.
template <typename AfterBlock>
void engine_run_blocks(Engine* engine, const float* in, float* out, size_t n, size_t block,
                       AfterBlock after_block) {
    DenormalsOff denormals_off;
    for (size_t done = 0; done < n; done += block) {
        engine_process(engine, in + done, out + done, (uint32_t)std::min(block, n - done));
        after_block(engine);
    }
}

// What a fresh engine with `values` at `rate` makes of n samples of `in`, run in blocks.
inline std::vector<float> engine_render(const float* in, size_t n, float rate, const float values[3],
                                        size_t block) {
    Engine engine = engine_started(rate, values);
    std::vector<float> out(n);
    engine_run_blocks(&engine, in, out.data(), n, block, [](Engine*) {});
    return out;
}
