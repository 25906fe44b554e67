// The factory preset files as a host reads them, for Velmo and for Velmo Stereo: each one's
// component chunk loads through setState and leaves exactly the preset's values; a file for
// another class or with a cut chunk list is refused; and no two presets sound alike. Both
// plug-ins' files hold the same state, so each restores into the other.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "module_fixture.h"
#include "plugin/presets.h"
#include "preset_file.h"
#include "test_noise.h"

// Each plug-in's folder and Component class ID (fixed forever: hosts match files by it).
struct PresetModule {
    int channels;
    const char* folder;
    const char* class_id;
};
static const PresetModule modules[2] = {
    {1, VELMO_VST3_PRESETS "/Velmo", "829EC99B7DB5E33221BD81F1CB7451AE"},
    {2, VELMO_VST3_PRESETS "/Velmo Stereo", "4149370C7CAC9DA5F027FF7604699C76"},
};
static const ParamID ids[3] = {1784049613u, 394330366u, 793359101u};

static std::string preset_path(const Preset& preset, const PresetModule& module = modules[0]) {
    return std::string(module.folder) + "/" + preset.name + ".vstpreset";
}

class PresetFileTest : public InstanceTest {};

TEST_F(PresetFileTest, EveryPresetLoadsIntoTheComponentWithItsValues) {
    for (const PresetModule& module : modules) {
        SCOPED_TRACE(module.folder);
        size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(module.folder))
            files += entry.path().extension() == ".vstpreset";
        EXPECT_EQ(factory_preset_count, files) << "one file per preset, no others";

        for (size_t i = 0; i < factory_preset_count; i++) {
            const Preset& preset = factory_presets[i];
            SCOPED_TRACE(preset.name);
            std::vector<uint8_t> comp;
            ASSERT_TRUE(preset_file_component_state(read_whole_file(preset_path(preset, module)), module.class_id, &comp));
            // Exactly what Velmo's getState writes for these values on a component never
            // activated, in both plug-ins' files.
            const std::vector<uint8_t> expected = state_blob(preset.values[0], preset.values[1], preset.values[2], 0);
            EXPECT_EQ(expected, comp);

            PluginInstance q;
            ASSERT_TRUE(instance_create(test_factory(module.channels), &q));
            ASSERT_EQ(kResultOk, restore_state(q.component, comp));
            float in[2][64] = {}, out[2][64];
            const float* ins[2] = {in[0], in[1]};
            float* outs[2] = {out[0], out[1]};
            instance_process_channels(&q, ins, outs, module.channels, 64, nullptr, nullptr);
            EXPECT_EQ(expected, saved_state(q.component));
            ASSERT_EQ(kResultOk, restore_controller(q.controller, comp));
            for (int k = 0; k < 3; k++)
                EXPECT_DOUBLE_EQ(preset.values[k] / 15.0, q.controller->vtbl->getParamNormalized(q.controller, ids[k]));
            instance_destroy(&q);
        }
    }
}

TEST_F(PresetFileTest, ReaderRefusesAnotherClassAndACutChunkList) {
    for (const PresetModule& module : modules) {
        SCOPED_TRACE(module.folder);
        const std::vector<uint8_t> file = read_whole_file(preset_path(factory_presets[0], module));
        std::vector<uint8_t> comp;
        ASSERT_TRUE(preset_file_component_state(file, module.class_id, &comp));
        // The other plug-in's Component, Velmo's Controller, and this one with one digit changed.
        EXPECT_FALSE(preset_file_component_state(file, modules[2 - module.channels].class_id, &comp));
        EXPECT_FALSE(preset_file_component_state(file, "04D43074E3B69BE269349AD59BCA5E7C", &comp));
        std::vector<uint8_t> other = file;
        other[8 + 31] = 'F';
        EXPECT_FALSE(preset_file_component_state(other, module.class_id, &comp));
        // Every cut that loses the end of the chunk list (or more) is refused.
        const uint64_t list = comp.size() + 48;  // "Comp" comes first; the list follows "Info"
        for (size_t cut = file.size() - 1; cut > list; cut--) {
            std::vector<uint8_t> cut_file(file.begin(), file.begin() + (long)cut);
            ASSERT_FALSE(preset_file_component_state(cut_file, module.class_id, &comp)) << cut;
        }
        EXPECT_FALSE(preset_file_component_state(std::vector<uint8_t>(file.begin(), file.begin() + 47), module.class_id, &comp));
    }
}

// Where each preset puts the band, 10 ms at a time, on three seconds of white noise: the
// frame's brightness, sqrt(energy of the first difference / energy), grows with the band's
// frequency. Two presets differ when their brightness curves are apart by a good part of
// a frequency ratio on average (root mean square of the log ratio), so a preset that only
// moves the band differently from another, not just its phase, counts as different.
static std::vector<double> brightness_curve(const std::vector<float>& out, int frame) {
    std::vector<double> curve;
    for (size_t at = frame; at + frame <= out.size(); at += frame) {
        double energy = 0, change = 0;
        for (size_t k = at; k < at + frame; k++) {
            energy += (double)out[k] * out[k];
            change += (double)(out[k] - out[k - 1]) * (out[k] - out[k - 1]);
        }
        curve.push_back(std::sqrt(change / energy));
    }
    return curve;
}

TEST_F(PresetFileTest, EveryPresetSoundsDifferent) {
    const int n = 3 * 48000, block = 480;
    std::vector<float> noise(n);
    uint32_t seed = 1;
    for (float& x : noise) x = noise_centered(&seed);
    std::vector<std::vector<double>> curves;
    for (size_t i = 0; i < factory_preset_count; i++) {
        std::vector<uint8_t> comp;
        ASSERT_TRUE(preset_file_component_state(read_whole_file(preset_path(factory_presets[i])), modules[0].class_id, &comp));
        PluginInstance q;
        ASSERT_TRUE(instance_create(test_factory(), &q));
        ASSERT_EQ(kResultOk, restore_state(q.component, comp));
        ASSERT_TRUE(instance_start(&q, 48000));
        std::vector<float> out(n);
        for (int at = 0; at < n; at += block)
            instance_process(&q, noise.data() + at, out.data() + at, block, nullptr, nullptr);
        instance_destroy(&q);
        curves.push_back(brightness_curve(out, block));
    }
    double closest = 1e9;
    for (size_t a = 0; a < curves.size(); a++)
        for (size_t b = a + 1; b < curves.size(); b++) {
            double sum = 0;
            for (size_t t = 0; t < curves[a].size(); t++) {
                double d = std::log(curves[a][t] / curves[b][t]);
                sum += d * d;
            }
            double apart = std::sqrt(sum / (double)curves[a].size());
            closest = std::min(closest, apart);
            EXPECT_GT(apart, 0.1) << factory_presets[a].name << " and " << factory_presets[b].name;
        }
    printf("closest pair of presets: %.3f apart\n", closest);
}
