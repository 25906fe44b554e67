#include "plugin_driver.h"

#include <cstdlib>
#include <cstring>

#include "state/little_endian.h"
#include "state/state_archive.h"
#include "state/state_blob.h"

std::unique_ptr<PluginDriver> make_lv2_driver(double sample_rate);
std::unique_ptr<PluginDriver> make_vst3_driver(double sample_rate);

std::unique_ptr<PluginDriver> make_driver(PluginFormat format, double sample_rate) {
    return format == FORMAT_LV2 ? make_lv2_driver(sample_rate) : make_vst3_driver(sample_rate);
}

const char* format_name(PluginFormat format) { return format == FORMAT_LV2 ? "LV2" : "VST3"; }

bool blob_values(const std::vector<uint8_t>& blob, float values[3]) {
    StateArchive archive;
    if (state_archive_load(&archive, blob.data(), blob.size()) != 0) return false;
    bool ok = true;
    for (int i = 0; i < 3 && ok; i++) {
        uint64_t length = 0;
        const uint8_t* bytes = entry_map_find(archive.parameters, state_parameter_keys[i],
                                              strlen(state_parameter_keys[i]), &length);
        ok = bytes && length == 4;
        if (ok) values[i] = read_f32_le(bytes);
    }
    state_archive_free(&archive);
    return ok;
}

std::vector<uint8_t> blob_of(float cutoff, float lfo_amt, float lfo_speed) {
    const float values[3] = {cutoff, lfo_amt, lfo_speed};
    size_t length = 0;
    uint8_t* blob = state_blob_save("vst3", 48000.0f, values, &length);
    std::vector<uint8_t> bytes(blob, blob + length);
    free(blob);
    return bytes;
}
