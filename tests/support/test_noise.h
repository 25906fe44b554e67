// The tests' one pseudo-random source: a 32-bit linear congruential generator, so every test
// signal is the same on every platform and run.
#pragma once
#include <cstdint>

inline uint32_t noise_next(uint32_t* seed) { return *seed = *seed * 1664525u + 1013904223u; }

// Uniform in [-1, 1).
inline float noise_signed(uint32_t* seed) { return (float)(int32_t)noise_next(seed) / 2147483648.0f; }

// Uniform in [-0.5, 0.5), from the top 24 bits.
inline float noise_centered(uint32_t* seed) { return (float)(noise_next(seed) >> 8) / 16777216.0f - 0.5f; }
