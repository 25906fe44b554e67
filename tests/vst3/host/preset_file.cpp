#include "preset_file.h"

#include <cstdio>
#include <cstring>

static uint64_t read_le(const uint8_t* bytes, int width) {
    uint64_t value = 0;
    for (int i = 0; i < width; i++) value |= (uint64_t)bytes[i] << (8 * i);
    return value;
}

// True when [offset, offset + size) lies inside a file of `length` bytes.
static bool inside(uint64_t offset, uint64_t size, uint64_t length) {
    return offset <= length && size <= length - offset;
}

bool preset_file_component_state(const std::vector<uint8_t>& file, const char* class_id,
                                 std::vector<uint8_t>* state) {
    const uint8_t* f = file.data();
    const uint64_t length = file.size();
    const uint64_t header_length = 48;
    if (length < header_length || memcmp(f, "VST3", 4) != 0 || read_le(f + 4, 4) != 1 ||
        memcmp(f + 8, class_id, 32) != 0)
        return false;
    const uint64_t list = read_le(f + 40, 8);
    if (!inside(list, 8, length) || list < header_length || memcmp(f + list, "List", 4) != 0)
        return false;
    const uint64_t count = read_le(f + list + 4, 4);
    if (!inside(list + 8, count * 20, length)) return false;
    bool found = false;
    for (uint64_t i = 0; i < count; i++) {
        const uint8_t* entry = f + list + 8 + i * 20;
        const uint64_t offset = read_le(entry + 4, 8), size = read_le(entry + 12, 8);
        if (!inside(offset, size, length)) return false;
        if (memcmp(entry, "Comp", 4) == 0) {
            state->assign(f + offset, f + offset + size);
            found = true;
        }
    }
    return found;
}

std::vector<uint8_t> read_whole_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}
