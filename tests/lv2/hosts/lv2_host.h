// A small LV2 host for tests: it loads a plug-in binary the way a host does (dlopen or
// LoadLibrary, then the exported entry point) and offers the features and callbacks a host
// gives, recording what the plug-in does with them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "lv2/core/lv2.h"
#include "lv2/log/log.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

// A path in the build's own form as the running program names it: on Windows a POSIX path
// (as in a Wine test run) becomes its Z: drive form with backslashes.
std::string native_path(const char* path);

// A loaded binary (path in the build's own form).
struct Lv2Library {
    void* module = nullptr;
    LV2_Descriptor_Function lv2_descriptor = nullptr;

    bool open(const char* path);
    void* symbol(const char* name) const;
    void close();
    ~Lv2Library() { close(); }
};

// urid:map over a table of URIs; URID n is entry n - 1. Thread-safe as LV2 requires.
struct UridMap {
    std::mutex mutex;
    std::vector<std::string> uris;
    LV2_URID_Map feature;

    UridMap();
    LV2_URID map(const char* uri);
    std::string unmap(LV2_URID urid);
};

// log:log recording every message with its level.
struct LogRecorder {
    struct Message {
        LV2_URID level;
        std::string text;
    };
    std::mutex mutex;
    std::vector<Message> messages;
    LV2_Log_Log feature;

    LogRecorder();
    std::vector<Message> take();
};

// One state property as the store function received it; retrieve hands it back.
struct StateProperty {
    bool present = false;
    uint32_t key = 0;
    std::vector<uint8_t> value;
    uint32_t type = 0;
    uint32_t flags = 0;
};

struct StateStore {
    StateProperty property;
    int store_calls = 0;
    int retrieve_calls = 0;
    LV2_State_Status store_result = LV2_STATE_SUCCESS;
    bool retrieve_nothing = false;  // retrieve answers null, as for a missing property

    static LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value,
                                  size_t size, uint32_t type, uint32_t flags);
    static const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size,
                                uint32_t* type, uint32_t* flags);
};

// The feature list a host passes to instantiate, with any of map and log left out.
struct FeatureList {
    LV2_Feature map_feature;
    LV2_Feature log_feature;
    const LV2_Feature* list[3];

    FeatureList(UridMap* map, LogRecorder* log);
    const LV2_Feature* const* get() const { return list; }
};

// Everything the standard error stream receives between begin and end (for plug-ins that
// log there when the host offers no log feature).
struct StderrCapture {
    int saved_fd = -1;
    std::string path;

    void begin();
    std::string end();
};
