// The effect's parameters: identifiers, titles, ranges, defaults, and the conversions between
// a host's normalised value (0 to 1), the plain value the engine uses, and display text.
#pragma once
#include <cstddef>
#include <cstdint>

enum ParamIndex : uint32_t {
    PARAM_CUTOFF = 0,
    PARAM_LFO_AMT = 1,
    PARAM_LFO_SPEED = 2,
    PARAM_MOD_CUTOFF = 3,  // read-only output: the engine's modulated cutoff
    PARAM_COUNT = 4,
    PARAM_INPUT_COUNT = 3,
};

enum : uint32_t {
    PARAM_KIND_TOGGLE = 3,
    PARAM_KIND_INTEGER = 4,
    PARAM_KIND_EXPONENTIAL = 8,
};

enum : int32_t {
    PARAM_FLAG_CAN_AUTOMATE = 1,
    PARAM_FLAG_READ_ONLY = 2,
};

struct param_range {
    uint64_t engine_slot;  // engine value driven (0 to 2), 3 for the output
    double min;
    double max;
    double default_value;
    uint32_t kind_flags;
    double log_ratio;  // ln(max / min), exponential kind only
};

// One row of the parameter table, in the form hosts are shown it.
struct ParamDescription {
    uint32_t id;
    const char* string_id;  // key in the saved state; null for the output
    const char16_t* title;
    const char16_t* short_title;
    const char16_t* units;
    int32_t step_count;
    double default_normalized;
    int32_t unit_id;
    int32_t flags;
};

extern const ParamDescription param_descriptions[PARAM_COUNT];
extern const param_range input_ranges[PARAM_INPUT_COUNT];
extern const param_range output_ranges[1];
extern const uint32_t range_slot[PARAM_COUNT];
extern const float param_defaults[PARAM_INPUT_COUNT];

enum { VALUE_TEXT_LENGTH = 128 };  // UTF-16 units, terminator included

// Parameter index of a host parameter id, or -1 when the id is unknown.
int param_index_of_id(uint32_t id);
const param_range& param_range_of_index(uint32_t index);

// Conversions on one range record.
double range_plain_from_normalized(const param_range& range, double n);
double range_normalized_from_plain(const param_range& range, double p);
double range_snap(const param_range& range, double plain);  // toggle/integer snap, then clamp

// Conversions by host id. Unknown ids give 0 (and false for the text conversions).
double plain_from_normalized(uint32_t id, double n);
double normalized_from_plain(uint32_t id, double p);
double snap_plain(uint32_t id, double n);
bool value_to_text(uint32_t id, double n, char16_t text[VALUE_TEXT_LENGTH]);
bool text_to_value(uint32_t id, const char16_t* text, double* normalized);

// Plain text of a value: digits truncated, never rounded, always two decimals.
void format_plain_value(double v, char16_t text[VALUE_TEXT_LENGTH]);
// Number at the start of a text; parsing stops at the first character that does not fit.
double parse_plain_value(const char16_t* text);

// An input parameter's plain value as a control port delivers it: rounded half away from
// zero in single precision and limited to 0 to 15 (NaN gives 0).
float snap_control_value(float x);
