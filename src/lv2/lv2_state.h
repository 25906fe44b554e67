// The LV2 state interface: the whole state is one atom:Chunk property holding the state blob.
#pragma once
#include "lv2/state/state.h"

extern const LV2_State_Interface lv2_state_interface;
