#include "vst3_preset.h"

#include <cstring>
#include <string>

static void put_bytes(std::vector<uint8_t>& out, const void* bytes, size_t length) {
    const uint8_t* b = (const uint8_t*)bytes;
    out.insert(out.end(), b, b + length);
}

static void put_le(std::vector<uint8_t>& out, uint64_t value, int width) {
    for (int i = 0; i < width; i++) out.push_back((uint8_t)(value >> (8 * i)));
}

// The meta-information hosts show: the media type and the preset's name. The names in our
// table need no XML escaping (letters, digits and spaces).
static std::string info_xml(const char* name) {
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MetaInfo>\n"
                       "\t<Attr id=\"MediaType\" value=\"VstPreset\" type=\"string\" flags=\"writeProtected\"/>\n"
                       "\t<Attr id=\"Name\" value=\"") +
           name + "\" type=\"string\" flags=\"writeProtected\"/>\n</MetaInfo>\n";
}

std::vector<uint8_t> vst3_preset_file(const char* class_id, const uint8_t* component_state,
                                      size_t component_state_length, const char* name) {
    const size_t header_length = 4 + 4 + 32 + 8;
    const std::string info = info_xml(name);
    const uint64_t comp_offset = header_length;
    const uint64_t info_offset = comp_offset + component_state_length;
    const uint64_t list_offset = info_offset + info.size();

    std::vector<uint8_t> file;
    put_bytes(file, "VST3", 4);
    put_le(file, 1, 4);
    put_bytes(file, class_id, 32);
    put_le(file, list_offset, 8);
    put_bytes(file, component_state, component_state_length);
    put_bytes(file, info.data(), info.size());
    put_bytes(file, "List", 4);
    put_le(file, 2, 4);
    put_bytes(file, "Comp", 4);
    put_le(file, comp_offset, 8);
    put_le(file, component_state_length, 8);
    put_bytes(file, "Info", 4);
    put_le(file, info_offset, 8);
    put_le(file, info.size(), 8);
    return file;
}
