#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "plugin/state_blob.h"
#include "state_corpus.h"

static bool read_file(const std::string& path, std::string* bytes) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return false;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, got);
    fclose(file);
    return true;
}

static void expect_applies(const std::string& blob, const float expected[3], const std::string& file) {
    float values[3] = {-1, -1, -1};
    ASSERT_EQ(state_blob_read((const uint8_t*)blob.data(), blob.size(), values), 0) << file;
    for (int i = 0; i < 3; i++) EXPECT_EQ(values[i], expected[i]) << file;
}

TEST(state_corpus, CommittedBlobsMatchWhatThisBuildWrites) {
    for (const CorpusBlob& blob : corpus_blobs()) {
        std::string committed;
        ASSERT_TRUE(read_file(std::string(STATE_CORPUS_DIR) + "/" + blob.file, &committed))
            << blob.file << ": regenerate with state_corpus_write " << STATE_CORPUS_DIR;
        EXPECT_TRUE(committed == blob.bytes) << blob.file << " differs from what this build writes";
        expect_applies(committed, blob.values, blob.file);
    }
}

// The same file name as written by the other platform's build; empty for platform-free blobs.
static std::string other_platform_file(const std::string& file) {
    static const char* const swaps[][2] = {{"-linux.", "-windows."}, {"-windows.", "-linux."}};
    for (const auto& swap : swaps) {
        size_t at = file.find(swap[0]);
        if (at != std::string::npos) return std::string(file).replace(at, strlen(swap[0]), swap[1]);
    }
    return "";
}

TEST(state_corpus, BlobsOfTheOtherPlatformLoadHere) {
    int checked = 0;
    for (const CorpusBlob& blob : corpus_blobs()) {
        std::string other = other_platform_file(blob.file);
        if (other.empty()) continue;
        std::string committed;
        ASSERT_TRUE(read_file(std::string(STATE_CORPUS_DIR) + "/" + other, &committed)) << other;
        expect_applies(committed, blob.values, other);
        checked++;
    }
    EXPECT_EQ(checked, 2);
}
