#include <gtest/gtest.h>

#include "state/state_archive.h"
#include "plugin/state_blob.h"
#include "state/tar.h"
#include "state_test_support.h"

#ifdef _WIN32
static const char PLATFORM[] = "windows";
#else
static const char PLATFORM[] = "linux";
#endif

static std::string member(const std::string& archive, const char* name) {
    EntryMap* map = tar_parse((const uint8_t*)archive.data(), archive.size());
    EXPECT_NE(map, nullptr);
    uint64_t length = 0;
    const uint8_t* value = map ? entry_map_find(map, name, strlen(name), &length) : nullptr;
    EXPECT_NE(value, nullptr) << name;
    std::string bytes = value ? bytes_of(value, (size_t)length) : "";
    entry_map_free(map);
    return bytes;
}

static std::string record(const std::string& key, const std::string& value) {
    return u32_le((uint32_t)key.size()) + u32_le((uint32_t)value.size()) + key + value;
}

static std::string save(const char* format, float sample_rate, const float values[3]) {
    size_t length = 0;
    uint8_t* blob = state_blob_save(format, sample_rate, values, &length);
    EXPECT_NE(blob, nullptr);
    return take_buffer(blob, length);
}

TEST(state_blob, LaysOutInfoAndParameters) {
    const float values[3] = {7.0f, 3.0f, 12.0f};
    std::string blob = save("vst3", 48000.0f, values);
    std::string inner = member(blob, "dsp.tar");
    EXPECT_EQ(member(inner, "version"), "1.0");
    EXPECT_EQ(member(inner, "info.map"),
              record("format", "vst3") + record("id", "brindle-velmo") +
                  record("platform", PLATFORM) + record("sample_rate", f32_le(48000.0f)) +
                  record("version_build", u32_le(1)) + record("version_major", u32_le(1)) +
                  record("version_minor", u32_le(2)) + record("version_revision", u32_le(1)));
    std::string parameters = member(inner, "parameters.map");
    EXPECT_EQ(parameters.substr(0, 18), std::string("\x06\0\0\0\x04\0\0\0cutoff\0\0\xe0\x40", 18));
    EXPECT_EQ(parameters.substr(18), record("lfo_amt", f32_le(3.0f)) +
                                         record("lfo_speed", f32_le(12.0f)));
    // Exactly these members, outside and inside.
    EXPECT_EQ(blob.size(), 512 + inner.size() + (512 - inner.size() % 512) % 512 + 1024);
    EXPECT_EQ(inner.size(), 3 * 512 + 512 + 512 + 512 + 1024u);
}

TEST(state_blob, FormatsDifferOnlyInTheirNameAndLoadAlike) {
    const float values[3] = {15.0f, 0.0f, 7.0f};
    std::string vst3 = save("vst3", 44100.0f, values);
    std::string lv2 = save("lv2", 44100.0f, values);
    std::string vst3_info = member(member(vst3, "dsp.tar"), "info.map");
    std::string lv2_info = member(member(lv2, "dsp.tar"), "info.map");
    EXPECT_EQ(vst3_info.substr(0, 18), record("format", "vst3"));
    EXPECT_EQ(lv2_info.substr(0, 17), record("format", "lv2"));
    EXPECT_EQ(vst3_info.substr(18), lv2_info.substr(17));

    for (const std::string* blob : {&vst3, &lv2}) {
        float loaded[3] = {-1, -1, -1};
        ASSERT_EQ(state_blob_read((const uint8_t*)blob->data(), blob->size(), loaded), 0);
        EXPECT_EQ(loaded[0], 15.0f);
        EXPECT_EQ(loaded[1], 0.0f);
        EXPECT_EQ(loaded[2], 7.0f);
    }
}
