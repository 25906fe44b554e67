// The renderer's command line:
//   velmo-render IN OUT [--cutoff V] [--lfo-amt V] [--lfo-speed V] [--block N]
//                [--automate NAME=VALUE@SECONDS]... [--trace FILE] [--type TYPE]
//                [--format float|pcm24|pcm16]
// Every option also takes the spelling --name=value; "-" names a standard stream.
#pragma once
#include <cstdint>

#include "automation.h"

enum SampleFormat { SAMPLE_FLOAT, SAMPLE_PCM24, SAMPLE_PCM16 };

struct RenderOptions {
    const char* input_path;   // "-": standard input
    const char* output_path;  // "-": standard output
    const char* trace_path;   // null: no trace; "-": standard output
    // The same three for messages: the path, or "standard input" / "standard output".
    const char* input_name;
    const char* output_name;
    const char* trace_name;
    const char* type;        // the output container as an extension; null: OUT's extension
    float values[3];         // cutoff, lfo_amt, lfo_speed, snapped as a host would
    uint32_t block;
    SampleFormat format;
    bool format_given;  // false: a container that cannot hold float picks the next best
    bool show_help;
    bool show_version;
    AutomationSchedule automation;
};

enum : uint32_t { MAX_BLOCK = 1u << 20 };

extern const char* const usage_text;

// Fills options from argv. A bad command line is reported on stderr and gives -1; a value that
// is snapped or limited is noted there.
int parse_options(int argc, char** argv, RenderOptions* options);
