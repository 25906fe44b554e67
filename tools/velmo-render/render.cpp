#include "render.h"

#include <vector>

#include "engine/engine.h"
#include "exchange/denormals.h"
#include "progress.h"
#include "report.h"

// One block of every channel is held in memory: at most 256 MB of samples.
static const uint64_t MAX_BLOCK_SAMPLES = 1u << 26;

// Processes one channel's block in pieces cut at the control ticks, so that the modulated
// cutoff can be recorded after each tick. The engine's output does not depend on how a block
// is split.
static void process_traced(Engine* engine, float* samples, uint32_t n, FILE* trace) {
    uint32_t done = 0;
    while (done < n) {
        bool ticks = engine->tick_countdown == 0;
        uint32_t piece = ticks ? engine->tick_period : engine->tick_countdown;
        if (piece > n - done) piece = n - done;
        engine_process(engine, samples + done, samples + done, piece);
        if (ticks) fprintf(trace, "%u\n", (unsigned)engine_modulated_cutoff(engine));
        done += piece;
    }
}

// Runs the interleaved block through the engines in place, with the floating-point mode the
// plug-ins process in, so that the output is the same sample for sample.
static void process_block(std::vector<Engine>& engines, float* frames, uint32_t n, float* plane,
                          FILE* trace) {
    DenormalsOff denormals_off;
    const size_t channels = engines.size();
    for (size_t c = 0; c < channels; c++) {
        for (uint32_t i = 0; i < n; i++) plane[i] = frames[i * channels + c];
        if (c == 0 && trace) process_traced(&engines[c], plane, n, trace);
        else engine_process(&engines[c], plane, plane, n);
        for (uint32_t i = 0; i < n; i++) frames[i * channels + c] = plane[i];
    }
}

// An event that no block reached lies past the end of the input (or past its last block start).
static void note_unapplied_automation(const AutomationSchedule& schedule, uint64_t frames, int sample_rate) {
    for (size_t i = schedule.next; i < schedule.events.size(); i++) {
        const AutomationEvent& event = schedule.events[i];
        report("note: --automate %s: not applied, no block starts at or after %g s (the input ends at %g s)",
               event.text, event.seconds, (double)frames / sample_rate);
    }
}

int render(SNDFILE* input, const SF_INFO& input_info, SNDFILE* output, RenderOptions* options,
           FILE* trace) {
    const size_t channels = (size_t)input_info.channels;
    const uint32_t block = options->block;
    if ((uint64_t)block * channels > MAX_BLOCK_SAMPLES) {
        report("--block: %u frames of %zu channels are more than this renderer buffers", block, channels);
        return -1;
    }
    std::vector<Engine> engines(channels);
    for (Engine& engine : engines) {
        engine_init(&engine);
        for (int p = 0; p < 3; p++) engine.param_values[p] = options->values[p];
        engine_activate(&engine, (float)input_info.samplerate);
    }
    std::vector<float> frames(block * channels);
    std::vector<float> plane(block);
    Progress progress;
    progress_start(&progress, (uint64_t)input_info.frames, input_info.samplerate);
    uint64_t position = 0;
    for (;;) {
        sf_count_t n = sf_readf_float(input, frames.data(), block);
        if (n <= 0) break;
        automation_apply_due(&options->automation, position, input_info.samplerate, options->values);
        for (Engine& engine : engines)
            for (int p = 0; p < 3; p++) engine.param_values[p] = options->values[p];
        process_block(engines, frames.data(), (uint32_t)n, plane.data(), trace);
        if (sf_writef_float(output, frames.data(), n) != n) {
            progress_finish(&progress);
            report("%s: write failed: %s", options->output_name, sf_strerror(output));
            return -1;
        }
        position += (uint64_t)n;
        progress_update(&progress, position);
    }
    progress_finish(&progress);
    if (sf_error(input) != SF_ERR_NO_ERROR) {
        report("%s: read failed: %s", options->input_name, sf_strerror(input));
        return -1;
    }
    note_unapplied_automation(options->automation, position, input_info.samplerate);
    return 0;
}
