// Writes the seed corpora of the fuzz targets from our own code: valid state blobs and their
// parts, host texts and page messages. Run from the repository root after a format change:
//   <build>/tests/fuzz/fuzz_seeds tests/fuzz/corpus
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "page_protocol.h"
#include "state/little_endian.h"
#include "state/map_file.h"
#include "state/state_archive.h"
#include "plugin/params.h"
#include "plugin/state_blob.h"
#include "state/tar.h"

typedef std::vector<uint8_t> Bytes;

static std::string root;

static void write_seed(const char* target, const char* name, const Bytes& bytes) {
    std::string dir = root + "/" + target;
    mkdir(root.c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    std::string path = dir + "/" + name;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file || fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        exit(1);
    }
    fclose(file);
}

static Bytes take(uint8_t* buffer, size_t length) {
    if (!buffer) {
        fprintf(stderr, "building a seed failed\n");
        exit(1);
    }
    Bytes bytes(buffer, buffer + length);
    free(buffer);
    return bytes;
}

static Bytes blob(const char* format, float rate, float cutoff, float lfo_amt, float lfo_speed) {
    const float values[3] = {cutoff, lfo_amt, lfo_speed};
    size_t length = 0;
    uint8_t* bytes = state_blob_save(format, rate, values, &length);
    return take(bytes, length);
}

// A state blob carrying members and keys that a later version might add.
static Bytes blob_with_extras() {
    StateArchive archive;
    if (state_archive_init(&archive) != 0) exit(1);
    uint8_t values[3][4];
    for (int i = 0; i < 3; i++) write_f32_le(values[i], (float)(3 * i + 1));
    entry_map_insert(archive.info, "id", 2, "brindle-velmo", 13);
    entry_map_insert(archive.info, "comment", 7, "later", 5);
    for (int i = 0; i < 3; i++)
        entry_map_insert(archive.parameters, param_descriptions[i].string_id, strlen(param_descriptions[i].string_id),
                         values[i], 4);
    entry_map_insert(archive.parameters, "drive", 5, values[0], 4);
    entry_map_insert(archive.extra_inner, "notes.txt", 9, "inner", 5);
    entry_map_insert(archive.extra_outer, "preview.png", 11, "", 0);
    size_t length = 0;
    uint8_t* saved = state_archive_save(&archive, &length);
    Bytes bytes = take(saved, length);
    state_archive_free(&archive);
    return bytes;
}

// The member `name` of the archive `outer`.
static Bytes member(const Bytes& archive, const char* name) {
    EntryMap* map = tar_parse(archive.data(), archive.size());
    uint64_t length = 0;
    const uint8_t* bytes = map ? entry_map_find(map, name, strlen(name), &length) : nullptr;
    if (!bytes) {
        fprintf(stderr, "no member %s\n", name);
        exit(1);
    }
    Bytes copy(bytes, bytes + length);
    entry_map_free(map);
    return copy;
}

static Bytes text(const char* s) { return Bytes(s, s + strlen(s)); }

static Bytes utf16(const char16_t* s, bool terminated) {
    Bytes bytes;
    for (; *s; s++) {
        bytes.push_back((uint8_t)(*s & 0xFF));
        bytes.push_back((uint8_t)(*s >> 8));
    }
    if (terminated) bytes.insert(bytes.end(), 2, 0);
    return bytes;
}

static void state_seeds(const char* target) {
    write_seed(target, "lv2-defaults", blob("lv2", 48000.0f, 15, 0, 7));
    write_seed(target, "vst3-values", blob("vst3", 44100.0f, 3, 12, 15));
    write_seed(target, "out-of-range", blob("vst3", 96000.0f, 99.0f, -3.0f, 7.6f));
    write_seed(target, "infinities", blob("lv2", 48000.0f, 1.0f / 0.0f, -1.0f / 0.0f, 0.5f));
    write_seed(target, "extras", blob_with_extras());
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: fuzz_seeds CORPUS_DIR\n");
        return 2;
    }
    root = argv[1];

    for (const char* target : {"fuzz_state_archive", "fuzz_state_apply", "fuzz_lv2_restore",
                               "fuzz_vst3_set_state"})
        state_seeds(target);

    // Which allocation fails (two bytes, little-endian), then a valid blob.
    for (int failing : {0, 3, 9, 20, 40, 255}) {
        Bytes seed = {(uint8_t)failing, 0};
        Bytes valid = blob_with_extras();
        seed.insert(seed.end(), valid.begin(), valid.end());
        write_seed("fuzz_state_out_of_memory", ("fail-" + std::to_string(failing)).c_str(), seed);
    }

    Bytes outer = blob("lv2", 48000.0f, 15, 0, 7);
    Bytes inner = member(outer, "dsp.tar");
    write_seed("fuzz_tar_parse", "state-blob", outer);
    write_seed("fuzz_tar_parse", "dsp-tar", inner);
    write_seed("fuzz_tar_parse", "extras", blob_with_extras());
    write_seed("fuzz_tar_parse", "end-blocks", Bytes(1024, 0));

    write_seed("fuzz_map_file", "info-map", member(inner, "info.map"));
    write_seed("fuzz_map_file", "parameters-map", member(inner, "parameters.map"));

    write_seed("fuzz_text_to_value", "seven-and-a-half", utf16(u"7.5", true));
    write_seed("fuzz_text_to_value", "negative", utf16(u"-0.4", true));
    write_seed("fuzz_text_to_value", "trailing-text", utf16(u"12x", true));
    write_seed("fuzz_text_to_value", "display-form", utf16(u"255.00", true));
    std::u16string digits(128, u'9');
    write_seed("fuzz_text_to_value", "unterminated", utf16(digits.c_str(), false));

    char message[PAGE_VALUE_TEXT_SIZE];
    page_value_format(message, 1, 0x40e00000u);
    write_seed("fuzz_page_message", "set", text(message));
    write_seed("fuzz_page_message", "begin-comma", text("b,0 3f800000"));
    write_seed("fuzz_page_message", "end", text("e 2 0"));
    write_seed("fuzz_page_message", "get-all", text("g"));
    write_seed("fuzz_page_message", "outside-link", text("https://brindle.digital/?q=\"a b\""));
    write_seed("fuzz_page_message", "path", text("C:\\Program Files\\Velmo\\Resources\nindex.html"));
    write_seed("fuzz_page_message", "unc-path", text("\\\\server\\share\\velmo.lv2\nindex.html"));
    return 0;
}
