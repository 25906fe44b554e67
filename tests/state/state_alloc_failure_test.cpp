// Every allocation of every state operation is made to fail in turn: each must report the
// failure and leave nothing allocated.
#include <gtest/gtest.h>

#include <cerrno>

#include "state/map_file.h"
#include "state/state_alloc.h"
#include "state/state_archive.h"
#include "plugin/state_blob.h"
#include "state/tar.h"
#include "state_test_support.h"

static long allocations_left = -1;  // -1: never fail
static long live_blocks = 0;

static bool may_allocate() {
    if (allocations_left == 0) return false;
    if (allocations_left > 0) allocations_left--;
    return true;
}

static void* counted_malloc(size_t size) {
    void* block = may_allocate() ? malloc(size) : nullptr;
    if (block) live_blocks++;
    return block;
}

static void* counted_realloc(void* block, size_t size) {
    void* moved = may_allocate() ? realloc(block, size) : nullptr;
    if (moved && !block) live_blocks++;
    return moved;
}

static void counted_free(void* block) {
    if (block) live_blocks--;
    free(block);
}

static const StateAllocator counting_allocator = {counted_malloc, counted_realloc, counted_free};

class state_alloc_failure : public ::testing::Test {
  protected:
    void SetUp() override {
        state_set_allocator(&counting_allocator);
        live_blocks = 0;
    }
    void TearDown() override {
        allocations_left = -1;
        state_set_allocator(nullptr);
    }

    // Runs `operation` with the first, second, ... allocation failing until it succeeds.
    // `operation` returns whether it succeeded.
    // Returns the number of failure points seen.
    template <typename Operation>
    int fail_each_allocation(Operation operation) {
        long baseline = live_blocks;
        for (long failing = 0;; failing++) {
            allocations_left = failing;
            errno = 0;
            bool succeeded = operation();
            allocations_left = -1;
            if (succeeded) return (int)failing;
            EXPECT_EQ(live_blocks, baseline) << "after failing allocation " << failing;
            if (failing > 1000) {
                ADD_FAILURE() << "never succeeds";
                return 0;
            }
        }
    }
};

static const Entries sample_entries = {
    {"id", "brindle-velmo"}, {"format", "lv2"}, {"sample_rate", f32_le(44100.0f)}};

TEST_F(state_alloc_failure, EntryMap) {
    EXPECT_EQ(fail_each_allocation([] {
                  EntryMap* map = entry_map_new();
                  entry_map_free(map);
                  return map != nullptr;
              }),
              1);
    EntryMap* map = map_of(sample_entries);
    Entries before = entries_of(map);
    EXPECT_EQ(fail_each_allocation([&] {
                  bool inserted = entry_map_insert(map, "cutoff", 6, "x", 1) == 0;
                  if (!inserted) {
                      EXPECT_EQ(entries_of(map), before);
                  }
                  return inserted;
              }),
              1);
    EXPECT_EQ(entries_of(map).size(), 4u);
    entry_map_free(map);
    EXPECT_EQ(live_blocks, 0);
}

TEST_F(state_alloc_failure, TarAndMapFiles) {
    EntryMap* map = map_of(sample_entries);
    size_t tar_length = 0, map_file_length = 0;
    uint8_t* archive = tar_build(map, &tar_length);
    uint8_t* map_file = map_file_build(map, &map_file_length);
    ASSERT_TRUE(archive && map_file);

    EXPECT_EQ(fail_each_allocation([&] {
                  size_t length = 0;
                  uint8_t* built = tar_build(map, &length);
                  state_free(built);
                  return built != nullptr;
              }),
              4);
    EXPECT_EQ(fail_each_allocation([&] {
                  size_t length = 0;
                  uint8_t* built = map_file_build(map, &length);
                  state_free(built);
                  return built != nullptr;
              }),
              3);
    for (auto parse : {tar_parse, map_file_parse}) {
        const uint8_t* bytes = parse == tar_parse ? archive : map_file;
        size_t length = parse == tar_parse ? tar_length : map_file_length;
        EXPECT_EQ(fail_each_allocation([&] {
                      EntryMap* parsed = parse(bytes, length);
                      if (!parsed) {
                          EXPECT_EQ(errno, ENOMEM);
                      }
                      entry_map_free(parsed);
                      return parsed != nullptr;
                  }),
                  4);
    }
    state_free(archive);
    state_free(map_file);
    entry_map_free(map);
}

TEST_F(state_alloc_failure, ArchiveInitSaveLoad) {
    EXPECT_EQ(fail_each_allocation([] {
                  StateArchive archive;
                  bool made = state_archive_init(&archive) == 0;
                  if (made) state_archive_free(&archive);
                  return made;
              }),
              4);

    StateArchive saved;
    ASSERT_EQ(state_archive_init(&saved), 0);
    entry_map_insert(saved.info, "id", 2, "brindle-velmo", 13);
    entry_map_insert(saved.parameters, "cutoff", 6, "\0\0\xe0\x40", 4);
    entry_map_insert(saved.extra_inner, "inner", 5, "i", 1);
    entry_map_insert(saved.extra_outer, "outer", 5, "o", 1);
    size_t length = 0;
    uint8_t* blob = nullptr;
    EXPECT_GT(fail_each_allocation([&] {
                  blob = state_archive_save(&saved, &length);
                  return blob != nullptr;
              }),
              10);
    state_archive_free(&saved);
    long with_blob = live_blocks;

    EXPECT_GT(fail_each_allocation([&] {
                  StateArchive loaded;
                  bool made = state_archive_load(&loaded, blob, length) == 0;
                  if (made)
                      state_archive_free(&loaded);
                  else
                      EXPECT_EQ(errno, ENOMEM);
                  return made;
              }),
              10);
    EXPECT_EQ(live_blocks, with_blob);
    state_free(blob);
}

TEST_F(state_alloc_failure, BlobSaveAndApply) {
    const float values[3] = {1.0f, 2.0f, 3.0f};
    size_t length = 0;
    uint8_t* blob = nullptr;
    EXPECT_GT(fail_each_allocation([&] {
                  blob = state_blob_save("vst3", 48000.0f, values, &length);
                  return blob != nullptr;
              }),
              20);
    EXPECT_GT(fail_each_allocation([&] {
                  float read[3] = {-1.0f, -1.0f, -1.0f};
                  bool applied = state_blob_read(blob, length, read) == 0;
                  EXPECT_EQ(read[0], applied ? values[0] : -1.0f);  // all or nothing
                  EXPECT_EQ(read[2], applied ? values[2] : -1.0f);
                  return applied;
              }),
              10);
    state_free(blob);
}
