#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "plugin/params.h"
#include "report.h"

const char* const usage_text =
    "usage: velmo-render IN OUT [--cutoff V] [--lfo-amt V] [--lfo-speed V] [--block N]\n"
    "                    [--automate NAME=VALUE@SECONDS]... [--trace FILE] [--type TYPE]\n"
    "                    [--format float|pcm24|pcm16]\n"
    "       velmo-render --help | --version\n"
    "  Values are 0 to 15 (defaults 15, 0, 7), rounded and limited as a host would.\n"
    "  NAME is cutoff, lfo_amt or lfo_speed; a change applies at the first block at or\n"
    "  after its time. --trace writes the modulated cutoff after every control tick.\n"
    "  OUT's extension names its type unless --type does (wav, flac, ogg, mp3, au...).\n"
    "  \"-\" is standard input for IN, standard output for OUT (with --type) and FILE.\n"
    "  IN, OUT and FILE must be different files.\n"
    "  Default block 512, default format float (pcm24 where the container has no float).\n"
    "  Options also take the spelling --name=value.\n";

// The whole text must be a finite number.
static bool parse_number(const char* text, double* value) {
    char* end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// Snaps as a host would, saying so when that changes the value. The note names the option
// and, for an automation event (event not null), the event as given.
static float snap_noted(const char* option, const char* event, const char* number, double v) {
    float snapped = snap_control_value((float)v);
    if ((double)snapped != v)
        report("note: %s%s%s: %s becomes %g", option, event ? " " : "", event ? event : "", number,
               (double)snapped);
    return snapped;
}

static int parse_value(const char* option, const char* text, float* value) {
    double v;
    if (!parse_number(text, &v)) {
        report("%s: '%s' is not a number", option, text);
        return -1;
    }
    *value = snap_noted(option, nullptr, text, v);
    return 0;
}

static int parse_block(const char* text, uint32_t* block) {
    char* end = nullptr;
    errno = 0;
    unsigned long long v = strtoull(text, &end, 10);
    if (end == text || *end != '\0' || text[0] == '-' || errno == ERANGE) {
        report("--block: '%s' is not a whole number", text);
        return -1;
    }
    if (v == 0 || v > MAX_BLOCK) {
        report("--block: %s is out of range (1 to %u)", text, (unsigned)MAX_BLOCK);
        return -1;
    }
    *block = (uint32_t)v;
    return 0;
}

static int parse_param_name(const char* name, size_t length, uint32_t* param) {
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) {
        const char* id = param_descriptions[i].string_id;
        if (strlen(id) == length && memcmp(id, name, length) == 0) {
            *param = i;
            return 0;
        }
    }
    return -1;
}

// NAME=VALUE@SECONDS
static int parse_automation(const char* text, AutomationSchedule* schedule) {
    const char* equals = strchr(text, '=');
    const char* at = equals ? strchr(equals, '@') : nullptr;
    if (!at) {
        report("--automate: '%s' is not NAME=VALUE@SECONDS", text);
        return -1;
    }
    AutomationEvent event;
    event.text = text;
    if (parse_param_name(text, (size_t)(equals - text), &event.param) != 0) {
        report("--automate: '%.*s' is not a parameter (cutoff, lfo_amt, lfo_speed)",
               (int)(equals - text), text);
        return -1;
    }
    char number[64] = "";
    size_t length = (size_t)(at - equals - 1);
    if (length < sizeof number) {
        memcpy(number, equals + 1, length);
        number[length] = '\0';
    }
    double v;
    if (!parse_number(number, &v)) {
        report("--automate: value in '%s' is not a number", text);
        return -1;
    }
    if (!parse_number(at + 1, &event.seconds) || event.seconds < 0.0) {
        report("--automate: time in '%s' is not a number of seconds at or above 0", text);
        return -1;
    }
    event.value = snap_noted("--automate", text, number, v);
    schedule->events.push_back(event);
    return 0;
}

static int parse_format(const char* text, SampleFormat* format) {
    static const char* const names[] = {"float", "pcm24", "pcm16"};
    for (int i = 0; i < 3; i++) {
        if (strcmp(text, names[i]) == 0) {
            *format = (SampleFormat)i;
            return 0;
        }
    }
    report("--format: '%s' is not float, pcm24 or pcm16", text);
    return -1;
}

// The three value options come first, in parameter order.
enum {
    OPTION_CUTOFF,
    OPTION_LFO_AMT,
    OPTION_LFO_SPEED,
    OPTION_BLOCK,
    OPTION_AUTOMATE,
    OPTION_TRACE,
    OPTION_TYPE,
    OPTION_FORMAT,
    OPTION_COUNT
};
static const char* const option_names[OPTION_COUNT] = {
    "--cutoff", "--lfo-amt", "--lfo-speed", "--block", "--automate", "--trace", "--type", "--format"};

// The option named by arg, spelt "--name" or "--name=value"; OPTION_COUNT when there is none.
static int find_option(const char* arg, const char** inline_value) {
    const char* equals = strncmp(arg, "--", 2) == 0 ? strchr(arg, '=') : nullptr;
    size_t length = equals ? (size_t)(equals - arg) : strlen(arg);
    *inline_value = equals ? equals + 1 : nullptr;
    int option = 0;
    while (option < OPTION_COUNT &&
           !(strlen(option_names[option]) == length && memcmp(arg, option_names[option], length) == 0))
        option++;
    return option;
}

static const char* name_for_messages(const char* path, const char* standard_stream) {
    return path && strcmp(path, "-") == 0 ? standard_stream : path;
}

int parse_options(int argc, char** argv, RenderOptions* options) {
    options->input_path = options->output_path = options->trace_path = options->type = nullptr;
    for (int i = 0; i < 3; i++) options->values[i] = param_defaults[i];
    options->block = 512;
    options->format = SAMPLE_FLOAT;
    options->format_given = false;
    options->show_help = options->show_version = false;
    options->automation.events.clear();

    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            options->show_help = true;
            return 0;
        }
        if (strcmp(arg, "--version") == 0) {
            options->show_version = true;
            return 0;
        }
        if (arg[0] != '-' || arg[1] == '\0') {
            if (options->output_path) {
                report("unexpected argument '%s' (IN and OUT are already given)", arg);
                return -1;
            }
            if (options->input_path) options->output_path = arg;
            else options->input_path = arg;
            continue;
        }
        const char* value = nullptr;
        int option = find_option(arg, &value);
        if (option == OPTION_COUNT) {
            report("unknown option '%s'", arg);
            return -1;
        }
        const char* name = option_names[option];
        if (!value) {
            if (i + 1 >= argc) {
                report("%s needs a value", name);
                return -1;
            }
            value = argv[++i];
        }
        int status = 0;
        switch (option) {
        case OPTION_CUTOFF:
        case OPTION_LFO_AMT:
        case OPTION_LFO_SPEED: status = parse_value(name, value, &options->values[option]); break;
        case OPTION_BLOCK: status = parse_block(value, &options->block); break;
        case OPTION_AUTOMATE: status = parse_automation(value, &options->automation); break;
        case OPTION_TRACE: options->trace_path = value; break;
        case OPTION_TYPE: options->type = value; break;
        case OPTION_FORMAT:
            options->format_given = true;
            status = parse_format(value, &options->format);
            break;
        }
        if (status != 0) return -1;
    }
    if (!options->output_path) {
        report("missing %s (try --help)", options->input_path ? "OUT" : "IN and OUT");
        return -1;
    }
    options->input_name = name_for_messages(options->input_path, "standard input");
    options->output_name = name_for_messages(options->output_path, "standard output");
    options->trace_name = name_for_messages(options->trace_path, "standard output");
    automation_prepare(&options->automation);
    return 0;
}
