#include "plugin_driver.h"

#include <cstdlib>
#include <cstring>


std::unique_ptr<PluginDriver> make_lv2_driver(double sample_rate);
std::unique_ptr<PluginDriver> make_vst3_driver(double sample_rate);

std::unique_ptr<PluginDriver> make_driver(PluginFormat format, double sample_rate) {
    return format == FORMAT_LV2 ? make_lv2_driver(sample_rate) : make_vst3_driver(sample_rate);
}

const char* format_name(PluginFormat format) { return format == FORMAT_LV2 ? "LV2" : "VST3"; }

std::vector<uint8_t> blob_of(float cutoff, float lfo_amt, float lfo_speed) {
    const float values[3] = {cutoff, lfo_amt, lfo_speed};
    return blob_made("vst3", 48000.0f, values);
}
