// velmo-presets: writes the factory presets (src/plugin/presets.cpp) as files hosts read.
//   velmo-presets list
//       one line per preset: slug cutoff lfo_amt lfo_speed name (scripts/demo.sh renders them)
//   velmo-presets lv2 PLUGIN_URI STATE_KEY MANIFEST BUNDLE_DIR PLATFORM
//       BUNDLE_DIR/presets.ttl, and BUNDLE_DIR/manifest.ttl: MANIFEST with the presets listed;
//       STATE_KEY is the URI of the plug-in's state property
//   velmo-presets vst3 CLASS_ID PLATFORM FOLDER
//       FOLDER/<name>.vstpreset per preset, for the component with that class ID (32 hex digits)
// PLATFORM ("windows" or "linux") names the build whose state blobs the files hold.
// Exit status: 0 done, 1 a file could not be read or written, 2 a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lv2_presets.h"
#include "plugin/presets.h"
#include "preset_slug.h"
#include "plugin/state_blob.h"
#include "vst3_preset.h"

static int usage(void) {
    fprintf(stderr,
            "usage: velmo-presets list\n"
            "       velmo-presets lv2 PLUGIN_URI STATE_KEY MANIFEST BUNDLE_DIR PLATFORM\n"
            "       velmo-presets vst3 CLASS_ID PLATFORM FOLDER\n");
    return 2;
}

static bool write_file(const std::string& path, const void* bytes, size_t length) {
    FILE* f = fopen(path.c_str(), "wb");
    bool ok = f && fwrite(bytes, 1, length, f) == length;
    if (f && fclose(f) != 0) ok = false;
    if (!ok) fprintf(stderr, "velmo-presets: cannot write %s\n", path.c_str());
    return ok;
}

static bool read_file(const char* path, std::string* text) {
    FILE* f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "velmo-presets: cannot read %s\n", path);
        return false;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, n);
    bool ok = !ferror(f);
    fclose(f);
    if (!ok) fprintf(stderr, "velmo-presets: cannot read %s\n", path);
    return ok;
}

static bool is_platform(const char* platform) {
    return strcmp(platform, "windows") == 0 || strcmp(platform, "linux") == 0;
}

static bool is_class_id(const char* text) {
    if (strlen(text) != 32) return false;
    for (const char* c = text; *c; c++)
        if (!((*c >= '0' && *c <= '9') || (*c >= 'A' && *c <= 'F'))) return false;
    return true;
}

static int list_presets(void) {
    for (size_t i = 0; i < factory_preset_count; i++) {
        const Preset& p = factory_presets[i];
        printf("%s %g %g %g %s\n", preset_slug(p.name).c_str(), (double)p.values[0],
               (double)p.values[1], (double)p.values[2], p.name);
    }
    return 0;
}

static int write_lv2(const char* uri, const char* state_key, const char* manifest_path,
                     const std::string& bundle, const char* platform) {
    std::string manifest;
    if (!read_file(manifest_path, &manifest)) return 1;
    manifest += lv2_manifest_presets(uri);
    std::string presets = lv2_presets_ttl(uri, state_key, platform);
    if (presets.empty()) {
        fprintf(stderr, "velmo-presets: cannot build a state blob\n");
        return 1;
    }
    if (!write_file(bundle + "/presets.ttl", presets.data(), presets.size())) return 1;
    return write_file(bundle + "/manifest.ttl", manifest.data(), manifest.size()) ? 0 : 1;
}

static int write_vst3(const char* class_id, const char* platform, const std::string& folder) {
    for (size_t i = 0; i < factory_preset_count; i++) {
        const Preset& p = factory_presets[i];
        // What the component's getState writes for these values before any activation.
        size_t length = 0;
        uint8_t* blob = state_blob_save_for("vst3", platform, 0.0f, p.values, &length);
        if (!blob) {
            fprintf(stderr, "velmo-presets: cannot build a state blob\n");
            return 1;
        }
        std::vector<uint8_t> file = vst3_preset_file(class_id, blob, length, p.name);
        free(blob);
        if (!write_file(folder + "/" + p.name + ".vstpreset", file.data(), file.size())) return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "list") == 0) return list_presets();
    if (argc == 7 && strcmp(argv[1], "lv2") == 0 && is_platform(argv[6]))
        return write_lv2(argv[2], argv[3], argv[4], argv[5], argv[6]);
    if (argc == 5 && strcmp(argv[1], "vst3") == 0 && is_class_id(argv[2]) && is_platform(argv[3]))
        return write_vst3(argv[2], argv[3], argv[4]);
    return usage();
}
