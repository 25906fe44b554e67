// velmo-render: runs audio files through the Velmo effect engine.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "audio_io.h"
#include "options.h"
#include "render.h"
#include "report.h"
#include "temp_file.h"

// Opens the trace's temporary file for writing; reports and returns null on failure.
static FILE* open_trace(TempFile* temp, const char* path) {
    int fd = temp_file_create(temp, path);
    FILE* trace = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (!trace) {
        report("%s: cannot write trace: %s", path, strerror(errno));
        if (fd >= 0) {
            close(fd);
            temp_file_discard(temp);
        }
    }
    return trace;
}

// Both temporary files are complete: move them into place.
static int commit(TempFile* output_temp, TempFile* trace_temp, FILE* trace) {
    if (trace && fclose(trace) != 0) {
        report("%s: write failed: %s", trace_temp->final_path, strerror(errno));
        temp_file_discard(trace_temp);
        temp_file_discard(output_temp);
        return -1;
    }
    if (temp_file_commit(output_temp) != 0) {
        report("%s: cannot write: %s", output_temp->final_path, strerror(errno));
        if (trace) temp_file_discard(trace_temp);
        return -1;
    }
    if (trace && temp_file_commit(trace_temp) != 0) {
        report("%s: cannot write trace: %s", trace_temp->final_path, strerror(errno));
        return -1;
    }
    return 0;
}

static int run(RenderOptions* options) {
    SF_INFO input_info;
    SNDFILE* input = audio_open_input(options->input_path, &input_info);
    if (!input) return -1;
    int sf_format = 0;
    if (audio_output_format(options->output_path, input_info, options->format,
                            options->format_given, &sf_format) != 0) {
        sf_close(input);
        return -1;
    }
    temp_file_clean_on_signals();
    TempFile output_temp;
    int fd = temp_file_create(&output_temp, options->output_path);
    if (fd < 0) {
        report("%s: cannot write: %s", options->output_path, strerror(errno));
        sf_close(input);
        return -1;
    }
    SNDFILE* output = audio_open_output(fd, options->output_path, input_info, sf_format);
    TempFile trace_temp;
    FILE* trace = nullptr;
    if (output && options->trace_path) trace = open_trace(&trace_temp, options->trace_path);
    int status = -1;
    if (output && (trace || !options->trace_path))
        status = render(input, input_info, output, options, trace);
    sf_close(input);
    if (output && sf_close(output) != 0 && status == 0) {
        report("%s: write failed: %s", options->output_path, sf_strerror(nullptr));
        status = -1;
    }
    if (status == 0) return commit(&output_temp, &trace_temp, trace);
    if (trace) {
        fclose(trace);
        temp_file_discard(&trace_temp);
    }
    temp_file_discard(&output_temp);
    return -1;
}

int main(int argc, char** argv) {
    RenderOptions options;
    if (parse_options(argc, argv, &options) != 0) return 2;
    if (options.show_help) {
        fputs(usage_text, stdout);
        return 0;
    }
    return run(&options) == 0 ? 0 : 1;
}
