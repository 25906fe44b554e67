// This module's two class identifiers, from the variant table (plugin/variants.def), in this
// platform's byte order. Fixed forever: hosts store them in their projects.
#pragma once
#include "plugin/variant.h"
#include "vst3/abi/vst3_base.h"

#define VELMO_CLASS_ID(words) VST3_IID(words[0], words[1], words[2], words[3])
inline constexpr TUID velmo_component_cid = VELMO_CLASS_ID(this_variant.component_class);
inline constexpr TUID velmo_controller_cid = VELMO_CLASS_ID(this_variant.controller_class);
#undef VELMO_CLASS_ID
