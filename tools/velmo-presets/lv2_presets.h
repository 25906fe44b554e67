// The LV2 bundle's presets in Turtle: presets.ttl holds the plug-in's default state and one
// pset:Preset per factory preset, each with its port values and a state:state holding the
// plug-in's one state property (the state key, the state blob in base64). The
// manifest lists every preset, so that hosts find them without loading the plug-in's data,
// and names presets.ttl as data of the plug-in, so that hosts find the default state.
#pragma once
#include <string>

// Each returns the file's whole text. `platform` names the build whose blobs to write.
std::string lv2_presets_ttl(const char* plugin_uri, const char* state_key, const char* platform);
std::string lv2_manifest_presets(const char* plugin_uri);
