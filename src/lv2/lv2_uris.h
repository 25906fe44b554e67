// The plug-in's URIs. VELMO_PLUGIN_URI comes from the build; the fragments are fixed.
#pragma once

#define VELMO_UI_URI VELMO_PLUGIN_URI "#ui"
#define VELMO_STATE_KEY_URI VELMO_PLUGIN_URI "#state_data"
