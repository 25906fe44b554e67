// No editor on this platform: createView gives the host no view, so the Controller's list of
// views stays empty and the other two functions are never reached.
#include "vst3/plug_view.h"

IPlugView* plug_view_create(Controller*) { return nullptr; }
void plug_view_send_value(PlugView*, uint32_t, float) {}
void plug_view_controller_gone(PlugView*) {}
