// The state operations with one allocation failing: the first two bytes (little-endian) say
// which one, the rest is the blob. A failed allocation must end in a clean refusal (ENOMEM
// from a load, null from a save, -1 and no values from a read) with nothing leaked, which the
// leak checker verifies after every input; without a failure the result must be the
// ordinary one.
#include <cerrno>
#include <cstring>

#include "fuzz_check.h"
#include "state/state_alloc.h"
#include "state/state_archive.h"
#include "plugin/state_blob.h"

static long allocations_left;
static bool allocation_failed;

static bool may_allocate() {
    if (allocations_left-- != 0) return true;
    allocation_failed = true;
    return false;
}
static void* failing_malloc(size_t size) { return may_allocate() ? malloc(size) : nullptr; }
static void* failing_realloc(void* block, size_t size) { return may_allocate() ? realloc(block, size) : nullptr; }
static const StateAllocator failing_allocator = {failing_malloc, failing_realloc, free};

static void fail_allocation(long index) {
    allocations_left = index;
    allocation_failed = false;
    state_set_allocator(&failing_allocator);
}

// Load, then save what was loaded; -1 when the load fails, else whether the save gave a blob.
static int load_and_save(const uint8_t* blob, size_t size, int* load_errno) {
    StateArchive archive;
    if (state_archive_load(&archive, blob, size) != 0) {
        *load_errno = errno;
        return -1;
    }
    size_t length = 0;
    uint8_t* saved = state_archive_save(&archive, &length);
    state_archive_free(&archive);
    free(saved);
    return saved != nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const long failing = (long)(data[0] | data[1] << 8);
    const uint8_t* blob = data + 2;
    size -= 2;
    float values_read[3];

    int load_errno = 0;
    const int plain_load = load_and_save(blob, size, &load_errno);
    const int plain_apply = state_blob_read(blob, size, values_read);

    fail_allocation(failing);
    int result = load_and_save(blob, size, &load_errno);
    state_set_allocator(nullptr);
    if (allocation_failed) {
        FUZZ_CHECK(result == 0 || (result == -1 && load_errno == ENOMEM) || plain_load == -1);
    } else {
        FUZZ_CHECK(result == plain_load);
    }

    fail_allocation(failing);
    float untouched[3] = {-1.0f, -1.0f, -1.0f};
    result = state_blob_read(blob, size, untouched);
    state_set_allocator(nullptr);
    if (allocation_failed)
        FUZZ_CHECK(result == -1 && untouched[0] == -1.0f && untouched[2] == -1.0f);
    else
        FUZZ_CHECK(result == plain_apply);

    const float values[3] = {1.0f, 2.0f, 3.0f};
    size_t length = 0;
    fail_allocation(failing);
    uint8_t* saved = state_blob_save("vst3", 48000.0f, values, &length);
    state_set_allocator(nullptr);
    FUZZ_CHECK((saved == nullptr) == allocation_failed);
    free(saved);
    return 0;
}
