// Every allocation of the state archive goes through here, so tests can make the Nth one fail.
// The default is the C allocator: buffers handed to callers are released with plain free().
#pragma once
#include <cstddef>

struct StateAllocator {
    void* (*allocate)(size_t size);
    void* (*reallocate)(void* block, size_t size);
    void (*release)(void* block);
};

void* state_malloc(size_t size);
void* state_realloc(void* block, size_t size);
void state_free(void* block);

// Replaces the allocator for all later calls; null restores the C allocator. Not thread-safe:
// meant for tests, set while no state operation runs.
void state_set_allocator(const StateAllocator* allocator);
