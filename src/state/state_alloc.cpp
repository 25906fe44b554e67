#include "state/state_alloc.h"

#include <cstdlib>

static const StateAllocator c_allocator = {malloc, realloc, free};
static const StateAllocator* current_allocator = &c_allocator;

void* state_malloc(size_t size) { return current_allocator->allocate(size); }

void* state_realloc(void* block, size_t size) { return current_allocator->reallocate(block, size); }

void state_free(void* block) { current_allocator->release(block); }

void state_set_allocator(const StateAllocator* allocator) {
    current_allocator = allocator ? allocator : &c_allocator;
}
