#include "page_constants.h"

#include <cstdio>
#include <cstdlib>

#include "engine/engine.h"
#include "engine/tables.h"
#include "plugin/params.h"

static const char BEGIN_LINE[] = "// BEGIN constants shared with the plug-in";
static const char END_LINE[] = "// END constants shared with the plug-in\n";

// The shortest decimal text that reads back as the same float, as JavaScript would print it.
static std::string float_text(float value) {
    char text[32];
    for (int digits = 1; digits <= 9; digits++) {
        snprintf(text, sizeof text, "%.*g", digits, (double)value);
        if (strtof(text, nullptr) == value) break;
    }
    return text;
}

static std::string number_text(double value) { return float_text((float)value); }

std::string page_constants_block() {
    std::string b = BEGIN_LINE;
    b += ": written from the parameter table and the engine\n"
         "// tables by tools/velmo-page into the page each plug-in ships.\n";
    b += "const CUTOFF_CURVE = [\n";
    for (int i = 0; i < 256; i++) {
        b += i % 16 == 0 ? "  " : " ";
        b += std::to_string(cutoff_curve[i]) + ",";
        if (i % 16 == 15) b += "\n";
    }
    b += "];\nconst SPEED_STEPS = [";
    for (int i = 0; i < 16; i++) b += (i ? ", " : "") + std::to_string(speed_steps[i]);
    b += "];\n";
    b += "const HZ_PER_REGISTER_STEP = " + float_text(HZ_PER_REGISTER_STEP) + ";\n";
    // The band-pass's Q as an activated engine holds it.
    Engine engine;
    engine_init(&engine);
    engine_activate(&engine, 48000.0f);
    b += "const FILTER_Q = " + float_text(engine.q_factor) + ";\n";
    b += "const STEP_MAX = " + number_text(param_descriptions[PARAM_CUTOFF].max) + ";\n";
    b += "const MOD_INDEX = " + std::to_string((int)PARAM_MOD_CUTOFF) + ";\n";
    b += "const MOD_MAX = " + number_text(param_descriptions[PARAM_MOD_CUTOFF].max) + ";\n";
    b += "const PARAM_LABELS = [";
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++)
        b += std::string(i ? ", " : "") + "'" + param_descriptions[i].name + "'";
    b += "];\nconst PARAM_DEFAULTS = [";
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++)
        b += (i ? ", " : "") + number_text(param_descriptions[i].default_value);
    b += "];\n";
    return b + END_LINE;
}

bool page_with_constants(const std::string& page, std::string* out) {
    size_t begin = page.find(BEGIN_LINE);
    size_t end = page.find(END_LINE);
    if (begin == std::string::npos || end == std::string::npos || end < begin) return false;
    *out = page.substr(0, begin) + page_constants_block() + page.substr(end + sizeof END_LINE - 1);
    return true;
}
