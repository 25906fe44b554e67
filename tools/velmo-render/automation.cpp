#include "automation.h"

#include <algorithm>

void automation_prepare(AutomationSchedule* schedule) {
    std::stable_sort(schedule->events.begin(), schedule->events.end(),
                     [](const AutomationEvent& a, const AutomationEvent& b) { return a.seconds < b.seconds; });
    schedule->next = 0;
}

void automation_apply_due(AutomationSchedule* schedule, uint64_t frame, double sample_rate,
                          float values[3]) {
    const double block_start = (double)frame;
    while (schedule->next < schedule->events.size()) {
        const AutomationEvent& event = schedule->events[schedule->next];
        if (event.seconds * sample_rate > block_start) break;
        values[event.param] = event.value;
        schedule->next++;
    }
}
