#include "plugin_driver.h"

#include <cstdlib>
#include <cstring>

#include "plugin/state_blob.h"

std::unique_ptr<PluginDriver> make_lv2_driver(double sample_rate);
std::unique_ptr<PluginDriver> make_vst3_driver(double sample_rate);

std::unique_ptr<PluginDriver> make_driver(PluginFormat format, double sample_rate) {
    return format == FORMAT_LV2 ? make_lv2_driver(sample_rate) : make_vst3_driver(sample_rate);
}

const char* format_name(PluginFormat format) { return format == FORMAT_LV2 ? "LV2" : "VST3"; }

std::vector<uint8_t> blob_of(float cutoff, float lfo_amt, float lfo_speed) {
    const float values[3] = {cutoff, lfo_amt, lfo_speed};
    size_t length = 0;
    uint8_t* blob = state_blob_save("vst3", 48000.0f, values, &length);
    std::vector<uint8_t> bytes(blob, blob + length);
    free(blob);
    return bytes;
}
