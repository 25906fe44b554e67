// The module's one static factory: describes the component and controller classes and
// creates their instances. Never allocated or freed; its reference count is a no-op.
#pragma once
#include "vst3/abi/vst3_factory.h"

IPluginFactory3* factory_get(void);
