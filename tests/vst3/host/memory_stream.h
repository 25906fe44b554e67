// A host byte stream over memory, with switches that make it misbehave the ways real streams
// do: failing seeks or tells, short reads and short writes.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "vst3/abi/vst3_stream.h"

struct MemoryStream {
    IBStream stream;
    std::atomic<uint32_t> refs;
    std::vector<uint8_t> data;
    int64_t position;
    bool fail_seek;
    bool fail_tell;
    int64_t read_limit;   // total bytes reads may deliver; -1 for no limit
    int64_t write_limit;  // total bytes writes may take; -1 for no limit
    int32_t max_piece;    // largest single read or write asked for so far
    int calls_read;
    int calls_write;
};

void memory_stream_init(MemoryStream* s, const std::vector<uint8_t>& data = {});
inline IBStream* as_stream(MemoryStream* s) { return &s->stream; }
