#include "lv2_presets.h"

#include <cstdio>
#include <cstdlib>

#include "plugin/params.h"
#include "plugin/presets.h"
#include "plugin/state_blob.h"
#include "preset_slug.h"

static const char PREFIXES[] =
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix xsd:   <http://www.w3.org/2001/XMLSchema#> .\n";

static std::string base64(const uint8_t* bytes, size_t length) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < length; i += 3) {
        uint32_t group = (uint32_t)bytes[i] << 16;
        if (i + 1 < length) group |= (uint32_t)bytes[i + 1] << 8;
        if (i + 2 < length) group |= bytes[i + 2];
        text += digits[group >> 18 & 63];
        text += digits[group >> 12 & 63];
        text += i + 1 < length ? digits[group >> 6 & 63] : '=';
        text += i + 2 < length ? digits[group & 63] : '=';
    }
    return text;
}

// "\tstate:state [ <state key> "..."^^xsd:base64Binary ]", or an empty text when the blob
// cannot be built (the caller reports it).
static std::string state_statement(const char* state_key, const char* platform, const float values[3]) {
    size_t length = 0;
    uint8_t* blob = state_blob_save_for("lv2", platform, 0.0f, values, &length);
    if (!blob) return "";
    std::string text = std::string("\tstate:state [\n\t\t<") + state_key + "> \"" +
                       base64(blob, length) + "\"^^xsd:base64Binary\n\t]";
    free(blob);
    return text;
}

static std::string preset_uri(const char* plugin_uri, const Preset& preset) {
    return std::string(plugin_uri) + "#preset-" + preset_slug(preset.name);
}

std::string lv2_presets_ttl(const char* plugin_uri, const char* state_key, const char* platform) {
    std::string state = state_statement(state_key, platform, param_defaults);
    if (state.empty()) return "";
    std::string ttl = std::string(PREFIXES) +
                      "\n# The plug-in's one state property: the whole state as one blob.\n<" +
                      state_key + ">\n\ta rdf:Property ;\n\trdfs:label \"state\" ;\n"
                      "\trdfs:comment \"The plug-in's identity and parameter values as one archive\" .\n"
                      "\n# The state a host restores when it starts the plug-in without a preset.\n<" +
                      plugin_uri + ">\n" + state + " .\n";
    for (size_t i = 0; i < factory_preset_count; i++) {
        const Preset& p = factory_presets[i];
        state = state_statement(state_key, platform, p.values);
        if (state.empty()) return "";
        ttl += "\n<" + preset_uri(plugin_uri, p) + ">\n\ta pset:Preset ;\n\tlv2:appliesTo <" +
               plugin_uri + "> ;\n\trdfs:label \"" + p.name + "\" ;\n\trdfs:comment \"" +
               p.description + "\" ;\n\tlv2:port ";
        for (int port = 0; port < 3; port++) {
            char value[32];
            snprintf(value, sizeof value, "%.1f", (double)p.values[port]);
            ttl += std::string(port ? " , " : "") + "[\n\t\tlv2:symbol \"" + param_descriptions[port].string_id +
                   "\" ;\n\t\tpset:value " + value + "\n\t]";
        }
        ttl += " ;\n" + state + " .\n";
    }
    return ttl;
}

std::string lv2_manifest_presets(const char* plugin_uri) {
    std::string ttl = std::string("\n") + PREFIXES +
                      "\n# The factory presets and the default state, in presets.ttl.\n<" +
                      plugin_uri + ">\n\trdfs:seeAlso <presets.ttl> .\n";
    for (size_t i = 0; i < factory_preset_count; i++)
        ttl += "\n<" + preset_uri(plugin_uri, factory_presets[i]) +
               ">\n\ta pset:Preset ;\n\tlv2:appliesTo <" + plugin_uri +
               "> ;\n\trdfs:seeAlso <presets.ttl> .\n";
    return ttl;
}
