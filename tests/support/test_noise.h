// The tests' one pseudo-random source: a 32-bit linear congruential generator, so every test
// signal is the same on every platform and run.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

inline uint32_t noise_next(uint32_t* seed) { return *seed = *seed * 1664525u + 1013904223u; }

// Uniform in [-1, 1).
inline float noise_signed(uint32_t* seed) { return (float)(int32_t)noise_next(seed) / 2147483648.0f; }

// Uniform in [-0.5, 0.5), from the top 24 bits.
inline float noise_centered(uint32_t* seed) { return (float)(noise_next(seed) >> 8) / 16777216.0f - 0.5f; }

// Uniform from 0 to n - 1, from the top 24 bits.
inline uint32_t noise_below(uint32_t* seed, uint32_t n) { return (noise_next(seed) >> 8) % n; }

// n samples of noise_signed, starting from `seed`.
inline std::vector<float> noise_signal(size_t n, uint32_t seed) {
    std::vector<float> v(n);
    for (float& x : v) x = noise_signed(&seed);
    return v;
}
