// The expected output of the plug-in: the engine itself, activated with the same values and
// run in the same blocks with flush-to-zero and denormals-are-zero set.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "exchange/denormals.h"

inline std::vector<float> render_with_engine(const float* input, size_t n, float sample_rate,
                                             const float values[3], uint32_t block) {
    Engine engine;
    engine_init(&engine);
    for (int i = 0; i < 3; i++) engine.param_values[i] = values[i];
    engine_activate(&engine, sample_rate);
    std::vector<float> output(n);
    DenormalsOff denormals_off;
    for (size_t done = 0; done < n; done += block) {
        size_t count = n - done < block ? n - done : block;
        engine_process(&engine, input + done, output.data() + done, (uint32_t)count);
    }
    return output;
}
