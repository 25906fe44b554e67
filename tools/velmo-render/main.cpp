// velmo-render: runs audio files through the Velmo effect engine.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "audio_io.h"
#include "distinct_files.h"
#include "options.h"
#include "output_file.h"
#include "plugin/version.h"
#include "render.h"
#include "report.h"

// The output's container, from --type or else OUT's extension. Reports and returns 0 when
// neither names one.
static int output_container(const RenderOptions* options, SF_FORMAT_INFO* container) {
    const char* type = options->type;
    if (!type) {
        const char* dot = strrchr(options->output_path, '.');
        const char* slash = strrchr(options->output_path, '/');
        if (dot && !(slash && dot < slash)) type = dot + 1;
    }
    int major = type ? audio_container(type, container) : 0;
    if (major) return major;
    if (options->type) report("--type: '%s' is not a type libsndfile writes", options->type);
    else
        report("%s: unknown output type (use an extension such as .wav, .flac or .aiff, or --type)",
               options->output_name);
    return 0;
}

// Opens the trace for writing; reports and returns null on failure.
static FILE* open_trace(OutputFile* file, const char* path, const char* name) {
    FILE* trace = output_file_open(file, path) == 0 ? fdopen(file->fd, "w") : nullptr;
    if (!trace) {
        report("%s: cannot write trace: %s", name, strerror(errno));
        if (file->fd >= 0) {
            close(file->fd);
            output_file_discard(file);
        }
    }
    return trace;
}

// Both files are complete: put them in place.
static int commit(const RenderOptions* options, OutputFile* output, OutputFile* trace_file, FILE* trace) {
    if (trace && fclose(trace) != 0) {
        report("%s: write failed: %s", options->trace_name, strerror(errno));
        output_file_discard(trace_file);
        output_file_discard(output);
        return -1;
    }
    if (output_file_commit(output) != 0) {
        report("%s: cannot write: %s", options->output_name, strerror(errno));
        if (trace) output_file_discard(trace_file);
        return -1;
    }
    if (trace && output_file_commit(trace_file) != 0) {
        report("%s: cannot write trace: %s", options->trace_name, strerror(errno));
        return -1;
    }
    return 0;
}

// Opens the output and starts writing audio to it; reports and returns null on failure.
static SNDFILE* open_output(const RenderOptions* options, const SF_FORMAT_INFO& container,
                            OutputFile* file, SNDFILE* input, const SF_INFO& input_info, int sf_format) {
    if (output_file_open(file, options->output_path) != 0) {
        report("%s: cannot write: %s", options->output_name, strerror(errno));
        return nullptr;
    }
    if (!file->seekable && !audio_streams(sf_format, input_info)) {
        report("%s: %s cannot be written to a pipe or terminal (try --type flac, ogg, mp3 or au)",
               options->output_name, container.name);
        close(file->fd);
        output_file_discard(file);
        return nullptr;
    }
    SNDFILE* output = audio_open_output(file->fd, options->output_name, input, input_info, sf_format);
    if (!output) output_file_discard(file);
    return output;
}

static int run(RenderOptions* options, const SF_FORMAT_INFO& container) {
    SF_INFO input_info;
    SNDFILE* input = audio_open_input(options->input_path, options->input_name, &input_info);
    if (!input) return -1;
    int sf_format = 0;
    if (audio_output_format(options->output_name, container, input, input_info, options->format,
                            options->format_given, &sf_format) != 0) {
        sf_close(input);
        return -1;
    }
    temp_file_clean_on_signals();
    OutputFile output_file, trace_file;
    SNDFILE* output = open_output(options, container, &output_file, input, input_info, sf_format);
    FILE* trace = nullptr;
    if (output && options->trace_path)
        trace = open_trace(&trace_file, options->trace_path, options->trace_name);
    int status = -1;
    if (output && (trace || !options->trace_path))
        status = render(input, input_info, output, options, trace);
    sf_close(input);
    if (!output) return -1;
    if (sf_close(output) != 0 && status == 0) {
        report("%s: write failed: %s", options->output_name, sf_strerror(nullptr));
        status = -1;
    }
    if (status == 0) return commit(options, &output_file, &trace_file, trace);
    if (trace) {
        fclose(trace);
        output_file_discard(&trace_file);
    }
    output_file_discard(&output_file);
    return -1;
}

int main(int argc, char** argv) {
    RenderOptions options;
    if (parse_options(argc, argv, &options) != 0) return 2;
    if (options.show_help) {
        fputs(usage_text, stdout);
        return 0;
    }
    if (options.show_version) {
        printf("velmo-render %s\n", VELMO_VERSION);
        return 0;
    }
    SF_FORMAT_INFO container;
    if (check_distinct_files(&options) != 0 || !output_container(&options, &container)) return 2;
    return run(&options, container) == 0 ? 0 : 1;
}
