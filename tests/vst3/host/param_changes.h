// Host parameter-change containers for one block: input changes the test fills, and output
// changes that record what the processor reports. `queue_capacity` makes the host run out of
// queues (addParameterData returns null) and `refuse_points` makes addPoint fail.
#pragma once
#include <atomic>
#include <vector>

#include "vst3/abi/vst3_processor.h"

struct ParamPoint {
    int32 offset;
    ParamValue value;
};

struct ParamQueue {
    IParamValueQueue queue;
    ParamID id;
    std::vector<ParamPoint> points;
    bool refuse_points;
    bool fail_get_point;  // getPoint answers kResultFalse
};

struct ParamChanges {
    IParameterChanges changes;
    std::atomic<uint32_t> refs;
    std::vector<ParamQueue*> queues;
    int queue_capacity;
    bool refuse_points;
    unsigned csr_seen;  // the processor's floating-point control word when it last looked
    ParamChanges();
    ~ParamChanges();
    ParamChanges(const ParamChanges&) = delete;
    ParamChanges& operator=(const ParamChanges&) = delete;

    // Test side: the queue for `id` (created on first use) and one point on it.
    ParamQueue* queue_for(ParamID id);
    void add(ParamID id, int32 offset, ParamValue value) { queue_for(id)->points.push_back({offset, value}); }
    void clear();
    int total_points() const;
};
