// What a fuzz target asserts: a broken promise aborts, which libFuzzer reports as a crash
// with the input that caused it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : fuzz_fail(#condition, __FILE__, __LINE__))

[[noreturn]] inline void fuzz_fail(const char* condition, const char* file, int line) {
    fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
