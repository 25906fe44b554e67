// The LV2 restore path of the built plug-in binary, driven through the test host: any blob
// the host hands back is either applied as three snapped values that the next Run adopts,
// or refused with status 1 and no change at all.
#include <cmath>
#include <cstring>

#include "plugin/params.h"
#include "fuzz_check.h"
#include "hosts/lv2_host.h"
#include "lv2/atom/atom.h"
#include "lv2/lv2_plugin.h"
#include "lv2/lv2_uris.h"
#include "blob_values.h"

static Lv2Library library;
static const LV2_Descriptor* descriptor;
static UridMap urid_map;
static LogRecorder log_recorder;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!library.open(VELMO_LV2_BINARY_PATH) || !(descriptor = library.lv2_descriptor(0))) {
        fprintf(stderr, "cannot load %s\n", VELMO_LV2_BINARY_PATH);
        abort();
    }
    return 0;
}

// The three values the next Run hands the engine, as a save reports them.
static void saved_values(LV2_Handle instance, const LV2_State_Interface* state, float values[3]) {
    StateStore store;
    FUZZ_CHECK(state->save(instance, StateStore::store, &store, 0, nullptr) == LV2_STATE_SUCCESS);
    FUZZ_CHECK(blob_values(store.property.value, values));
}

// What the blob should set, read independently; false (values untouched) when the blob
// must be refused.
static bool expected_values(const uint8_t* data, size_t size, float values[3]) {
    float raw[3];
    if (!blob_restorable_values(data, size, raw)) return false;
    for (uint32_t i = 0; i < 3; i++) values[i] = snap_control_value(raw[i]);
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FeatureList features(&urid_map, &log_recorder);
    LV2_Handle instance = descriptor->instantiate(descriptor, 48000.0, "/nowhere/", features.get());
    FUZZ_CHECK(instance != nullptr);
    const LV2_State_Interface* state =
        (const LV2_State_Interface*)descriptor->extension_data(LV2_STATE__interface);
    // Audio only: unconnected control ports keep whatever the state sets.
    float audio[64] = {};
    float mod_cutoff = -1.0f;
    descriptor->connect_port(instance, PORT_IN, audio);
    descriptor->connect_port(instance, PORT_OUT, audio);
    descriptor->connect_port(instance, PORT_MOD_CUTOFF, &mod_cutoff);
    descriptor->activate(instance);
    descriptor->run(instance, 64);

    StateStore store;
    store.property.present = true;
    store.property.key = urid_map.map(VELMO_STATE_KEY_URI);
    store.property.type = urid_map.map(LV2_ATOM__Chunk);
    store.property.value.assign(data, data + size);  // exactly `size` bytes on the heap
    LV2_State_Status status = state->restore(instance, StateStore::retrieve, &store, 0, nullptr);
    descriptor->run(instance, 64);

    float expected[3] = {15.0f, 0.0f, 7.0f};
    bool applies = expected_values(data, size, expected);
    FUZZ_CHECK(status == (applies ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN));
    float values[3];
    saved_values(instance, state, values);
    for (int i = 0; i < 3; i++) FUZZ_CHECK(values[i] == expected[i]);
    FUZZ_CHECK(mod_cutoff >= 0.0f && mod_cutoff <= 255.0f);
    for (float sample : audio) FUZZ_CHECK(std::isfinite(sample));
    descriptor->cleanup(instance);
    log_recorder.take();
    return 0;
}
