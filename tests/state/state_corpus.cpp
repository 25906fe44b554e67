#include "state_corpus.h"

#include <cstdlib>

#include "state/state_archive.h"
#include "plugin/state_blob.h"
#include "state_test_support.h"

#ifdef _WIN32
static const char PLATFORM[] = "windows";
#else
static const char PLATFORM[] = "linux";
#endif

static CorpusBlob format_blob(const char* format, float sample_rate, const float values[3]) {
    size_t length = 0;
    uint8_t* blob = state_blob_save(format, sample_rate, values, &length);
    return {std::string(format) + "-" + PLATFORM + ".state", take_buffer(blob, length),
            {values[0], values[1], values[2]}};
}

// A state from some later version: more info and parameter keys, more members inside and out.
static CorpusBlob extended_blob() {
    std::string rate = f32_le(96000.0f), cutoff = f32_le(1.0f), amount = f32_le(2.0f),
                speed = f32_le(3.0f), major = u32_le(1), minor = u32_le(3);
    StateArchive archive;
    state_archive_init(&archive);
    entry_map_insert(archive.info, "id", 2, "brindle-velmo", 13);
    entry_map_insert(archive.info, "format", 6, "lv2", 3);
    entry_map_insert(archive.info, "platform", 8, "linux", 5);
    entry_map_insert(archive.info, "sample_rate", 11, rate.data(), 4);
    entry_map_insert(archive.info, "version_major", 13, major.data(), 4);
    entry_map_insert(archive.info, "version_minor", 13, minor.data(), 4);
    entry_map_insert(archive.info, "preset_name", 11, "Slow sweep", 10);
    entry_map_insert(archive.parameters, "cutoff", 6, cutoff.data(), 4);
    entry_map_insert(archive.parameters, "lfo_amt", 7, amount.data(), 4);
    entry_map_insert(archive.parameters, "lfo_speed", 9, speed.data(), 4);
    entry_map_insert(archive.parameters, "lfo_shape", 9, "", 0);
    entry_map_insert(archive.extra_inner, "curves.bin", 10, "\x01\x02\x03", 3);
    entry_map_insert(archive.extra_outer, "notes.txt", 9, "kept by later versions\n", 23);
    size_t length = 0;
    uint8_t* blob = state_archive_save(&archive, &length);
    state_archive_free(&archive);
    return {"extended.state", take_buffer(blob, length), {1.0f, 2.0f, 3.0f}};
}

std::vector<CorpusBlob> corpus_blobs() {
    const float defaults[3] = {15.0f, 0.0f, 7.0f};
    const float moved[3] = {7.0f, 3.0f, 12.0f};
    return {format_blob("vst3", 48000.0f, defaults), format_blob("lv2", 44100.0f, moved),
            extended_blob()};
}
