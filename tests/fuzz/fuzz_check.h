// What a fuzz target asserts: a broken promise aborts, which libFuzzer reports as a crash
// with the input that caused it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : fuzz_fail(#condition, __FILE__, __LINE__))

[[noreturn]] inline void fuzz_fail(const char* condition, const char* file, int line) {
    fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    abort();
}

// One member or map entry, copied out so that every byte the parser pointed at is read.
struct FuzzEntry {
    std::string key, value;
    bool operator<(const FuzzEntry& o) const { return key != o.key ? key < o.key : value < o.value; }
    bool operator==(const FuzzEntry& o) const { return key == o.key && value == o.value; }
};

inline int fuzz_collect_entry(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                              uint64_t value_length, void* context) {
    ((std::vector<FuzzEntry>*)context)
        ->push_back({std::string((const char*)key, (size_t)key_length),
                     std::string((const char*)value, (size_t)value_length)});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
