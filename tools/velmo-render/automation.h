// Parameter changes at given times, applied at block boundaries the way a host delivers
// automation: an event takes effect at the first block that starts at or after its time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct AutomationEvent {
    const char* text;  // as given, for messages
    double seconds;
    uint32_t param;  // 0 cutoff, 1 lfo_amt, 2 lfo_speed
    float value;     // already snapped
};

struct AutomationSchedule {
    std::vector<AutomationEvent> events;
    size_t next;  // first event not yet applied
};

// Orders the events by time; events at the same time keep their command-line order, so the
// last one given wins.
void automation_prepare(AutomationSchedule* schedule);

// Writes into values every event due at the block starting at frame.
void automation_apply_due(AutomationSchedule* schedule, uint64_t frame, double sample_rate,
                          float values[3]);
