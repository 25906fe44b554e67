// A progress bar on standard error for long renders, shown only when a person is watching.
#pragma once
#include <cstdint>

struct Progress {
    bool shown;
    uint64_t total;
    int percent;  // last drawn
};

// Shows the bar when stderr is a terminal and the input lasts longer than a few seconds.
void progress_start(Progress* progress, uint64_t total_frames, int sample_rate);
void progress_update(Progress* progress, uint64_t done_frames);
// Ends the bar's line.
void progress_finish(Progress* progress);
