// Which plug-in a binary is: Velmo (mono) or Velmo Stereo, from the table in variants.def.
// The build gives every plug-in binary VELMO_CHANNELS, 1 or 2, which picks its row.
#pragma once
#include <cstdint>

struct PluginVariant {
    uint32_t channels;
    const char* name;
    const char16_t* name16;
    const char* controller_name;
    const char16_t* controller_name16;
    uint32_t component_class[4];   // VST3 class IDs, as the four words of their text form
    uint32_t controller_class[4];
};

#define VARIANT(symbol, channels, name, uri, file, c0, c1, c2, c3, k0, k1, k2, k3)          \
    {channels, name, u"" name, name " Controller", u"" name " Controller", {c0, c1, c2, c3}, \
     {k0, k1, k2, k3}},
inline constexpr PluginVariant plugin_variants[] = {
#include "plugin/variants.def"
};
#undef VARIANT

#if defined(VELMO_CHANNELS)
static_assert(VELMO_CHANNELS >= 1 && VELMO_CHANNELS <= 2, "VELMO_CHANNELS is 1 or 2");
inline constexpr const PluginVariant& this_variant = plugin_variants[VELMO_CHANNELS - 1];
#endif
