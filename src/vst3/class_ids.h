// The module's two class identifiers. Fixed forever: hosts store them in their projects.
// Their text form (moduleinfo.json) is 829EC99B7DB5E33221BD81F1CB7451AE and
// 04D43074E3B69BE269349AD59BCA5E7C.
#pragma once
#include "vst3/abi/vst3_base.h"

inline constexpr TUID velmo_component_cid = VST3_IID(0x829EC99Bu, 0x7DB5E332u, 0x21BD81F1u, 0xCB7451AEu);
inline constexpr TUID velmo_controller_cid = VST3_IID(0x04D43074u, 0xE3B69BE2u, 0x69349AD5u, 0x9BCA5E7Cu);
