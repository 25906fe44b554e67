// Identifiers of interfaces the module does not implement, which a host may still ask for.
#pragma once
#include "vst3/abi/vst3_base.h"
#include "vst3/abi/vst3_view.h"  // IPlugView and IPlugFrame

inline constexpr TUID IID_IEditController2 = VST3_IID(0x7F4EFE59u, 0xF3204967u, 0xAC27A3AEu, 0xAFB63038u);
inline constexpr TUID IID_IConnectionPoint = VST3_IID(0x70A4156Fu, 0x6E6E4026u, 0x989148BFu, 0xAA60D8D1u);
inline constexpr TUID IID_IHostApplication = VST3_IID(0x58E595CCu, 0xDB2D4969u, 0x8B6AAF8Cu, 0x36A664E5u);
inline constexpr TUID IID_IEventList = VST3_IID(0x3A2C4214u, 0x346349FEu, 0xB2C4F397u, 0xB9695A44u);
inline constexpr TUID IID_IUnitInfo = VST3_IID(0x3D4BD6B5u, 0x913A4FD2u, 0xA886E768u, 0xA5EB92C1u);
inline constexpr TUID IID_IPlugViewContentScaleSupport =
    VST3_IID(0x65ED9690u, 0x8AC44525u, 0x8AADEF7Au, 0x72EA703Fu);
