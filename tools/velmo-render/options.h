// The renderer's command line:
//   velmo-render IN OUT [--cutoff V] [--lfo-amt V] [--lfo-speed V] [--block N]
//                [--automate NAME=VALUE@SECONDS]... [--trace FILE] [--format float|pcm24|pcm16]
#pragma once
#include <cstdint>

#include "automation.h"

enum SampleFormat { SAMPLE_FLOAT, SAMPLE_PCM24, SAMPLE_PCM16 };

struct RenderOptions {
    const char* input_path;
    const char* output_path;
    const char* trace_path;  // null: no trace
    float values[3];         // cutoff, lfo_amt, lfo_speed, snapped as a host would
    uint32_t block;
    SampleFormat format;
    bool format_given;  // false: a container that cannot hold float picks the next best
    bool show_help;
    AutomationSchedule automation;
};

enum : uint32_t { MAX_BLOCK = 1u << 20 };

extern const char* const usage_text;

// Fills options from argv. A bad command line is reported on stderr and gives -1.
int parse_options(int argc, char** argv, RenderOptions* options);
