#include "progress.h"

#include <cstdio>
#include <unistd.h>

static const double MIN_SECONDS = 3.0;
static const int BAR_WIDTH = 40;

void progress_start(Progress* progress, uint64_t total_frames, int sample_rate) {
    progress->total = total_frames;
    progress->percent = -1;
    progress->shown = isatty(STDERR_FILENO) && (double)total_frames > MIN_SECONDS * sample_rate;
    progress_update(progress, 0);
}

void progress_update(Progress* progress, uint64_t done_frames) {
    if (!progress->shown) return;
    int percent = done_frames >= progress->total ? 100 : (int)(done_frames * 100 / progress->total);
    if (percent == progress->percent) return;
    progress->percent = percent;
    int filled = percent * BAR_WIDTH / 100;
    fprintf(stderr, "\rvelmo-render [%.*s%*s] %3d%%", filled,
            "########################################", BAR_WIDTH - filled, "", percent);
    fflush(stderr);
}

void progress_finish(Progress* progress) {
    if (progress->shown) fputc('\n', stderr);
}
