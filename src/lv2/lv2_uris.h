// The plug-in's URIs. VELMO_PLUGIN_URI (Velmo's or Velmo Stereo's) and VELMO_MONO_URI come
// from the build; the fragments are fixed. The state key is Velmo's in both plug-ins, so that
// a state or preset saved by one restores into the other.
#pragma once

#define VELMO_UI_URI VELMO_PLUGIN_URI "#ui"
#define VELMO_STATE_KEY_URI VELMO_MONO_URI "#state_data"
