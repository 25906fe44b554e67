// The effect's parameters, from the table in param_table.def: identifiers, names, ranges,
// defaults, and the conversions between a host's normalised value (0 to 1), the plain value
// the engine uses, and display text.
//
// Snapping. Both formats round a plain value half away from zero and clamp it to the range,
// each with the precision its Part states: VST3 in double precision (snap_normalized and
// param_snap), LV2 control ports in single precision (snap_control_value). The two agree on
// every value either format can deliver except in the last bits, which is why both stay.
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

enum : int32_t {
    PARAM_FLAG_CAN_AUTOMATE = 1,
    PARAM_FLAG_READ_ONLY = 2,
};

// One row of the parameter table.
struct ParamDescription {
    uint32_t id;            // the host's parameter id
    const char* string_id;  // state key and LV2 port symbol
    const char* name;       // LV2 port name
    const char16_t* title;
    const char16_t* short_title;
    const char16_t* units;
    double min;
    double max;
    double default_value;  // plain
    int32_t step_count;    // max - min: every range is whole numbers
    double default_normalized;
    int32_t flags;
};

extern const ParamDescription param_descriptions[PARAM_COUNT];
extern const float param_defaults[PARAM_COUNT];  // plain, as floats

enum { VALUE_TEXT_LENGTH = 128 };  // UTF-16 units, terminator included

// Parameter index of a host parameter id, or -1 when the id is unknown.
int param_index_of_id(uint32_t id);

// Conversions by parameter index (0 to 3), unclamped.
double param_plain_of_normalized(uint32_t index, double n);
double param_normalized_of_plain(uint32_t index, double p);
// Rounds half away from zero, then clamps to the range; NaN gives the minimum.
double param_snap(uint32_t index, double plain);

// Conversions by host id. Unknown ids give 0 (and false for the text conversions).
double plain_from_normalized(uint32_t id, double n);
double normalized_from_plain(uint32_t id, double p);
double snap_normalized(uint32_t id, double n);  // the snapped plain value of a normalised one
bool value_to_text(uint32_t id, double n, char16_t text[VALUE_TEXT_LENGTH]);
bool text_to_value(uint32_t id, const char16_t* text, double* normalized);

// Plain text of a value: digits truncated, never rounded, always two decimals.
void format_plain_value(double v, char16_t text[VALUE_TEXT_LENGTH]);
// Number at the start of a text; parsing stops at the first character that does not fit.
double parse_plain_value(const char16_t* text);

// An input parameter's plain value as a control port delivers it: rounded half away from
// zero in single precision and limited to 0 to 15 (NaN gives 0).
float snap_control_value(float x);
